# Collatz steps of every number from 1 to N, summed, and the largest value reached.
import sys

n = int(sys.argv[1])
steps = 0
largest = 0
for i in range(1, n + 1):
    x = i
    while x > 1:
        if x % 2 == 0:
            x = x // 2
        else:
            x = x * 3 + 1
            if x > largest:
                largest = x
        steps += 1
print(f"{steps}/{largest}")
