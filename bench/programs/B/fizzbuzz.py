# FizzBuzz from 1 to N: counts Fizz, Buzz and FizzBuzz and sums the other numbers (mod 10007).
import sys

n = int(sys.argv[1])
f = b = fb = s = 0
last = ""
i = 1
while i <= n:
    if i % 15 == 0:
        fb += 1
        last = "FizzBuzz"
    elif i % 3 == 0:
        f += 1
        last = "Fizz"
    elif i % 5 == 0:
        b += 1
        last = "Buzz"
    else:
        s = (s + i) % 10007
        last = str(i)
    i += 1
print(f"{f}/{b}/{fb}/{s}/{last}")
