# Counts the primes up to N by trial division and keeps the largest.
import sys

n = int(sys.argv[1])
count = 0
largest = 0
for x in range(1, n + 1):
    if x >= 2:
        prime = True
        d = 2
        while d * d <= x:
            if x % d == 0:
                prime = False
                break
            d += 1
        if prime:
            count += 1
            largest = x
print(f"{count}/{largest}")
