import sys

M = 10007


def multmod(a, b):
    return a * b % M


def power(base, exponent):
    result = 1
    square = base % M
    while exponent > 0:
        if exponent % 2 == 1:
            result = multmod(result, square)
        square = multmod(square, square)
        exponent //= 2
    return result


def factorial(k):
    if k <= 1:
        return 1
    return multmod(factorial(k - 1), k)


def main():
    n = int(sys.argv[1])
    total = 0
    for i in range(1, n + 1):
        total += power(i + 1, i * 31 + 7)
        total += factorial(i % 16)
        total %= 1000003
    print(total)


main()
