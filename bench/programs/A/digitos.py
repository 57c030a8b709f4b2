# Sum of the digits of every number from 1 to N.
import sys

n = int(sys.argv[1])
total = 0
for i in range(1, n + 1):
    x = i
    while x > 0:
        q = x // 10
        total = total + x - q * 10
        x = q
print(total)
