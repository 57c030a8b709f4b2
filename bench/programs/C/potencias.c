#include <stdio.h>
#include <stdlib.h>

#define M 10007

static long multmod(long a, long b) { return a * b % M; }

static long power(long base, long exponent) {
    long result = 1, square = base % M;
    while (exponent > 0) {
        if (exponent % 2 == 1) result = multmod(result, square);
        square = multmod(square, square);
        exponent /= 2;
    }
    return result;
}

static long factorial(long k) {
    if (k <= 1) return 1;
    return multmod(factorial(k - 1), k);
}

int main(int argc, char **argv) {
    long n = argc > 1 ? atol(argv[1]) : 0;
    long total = 0;
    for (long i = 1; i <= n; i++) {
        total += power(i + 1, i * 31 + 7);
        total += factorial(i % 16);
        total %= 1000003;
    }
    printf("%ld\n", total);
    return 0;
}
