# GCD and LCM table: for each I from 1 to N, the pair (I, 7*I mod 1000 + 1).
import sys


def gcd(a, b):
    while b > 0:
        a, b = b, a % b
    return a


def lcm(p, q):
    g = gcd(p, q)
    return p // g * q, g


n = int(sys.argv[1])
total = coprime = rests = 0
for i in range(1, n + 1):
    q = i * 7 % 1000 + 1
    m, g = lcm(i, q)
    total += g
    if g == 1:
        coprime += 1
    rests += m % 1000
print(f"{total}/{coprime}/{rests}")
