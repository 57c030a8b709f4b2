/* GCD and LCM table: for each I from 1 to N, the pair (I, 7*I mod 1000 + 1). */
#include <stdio.h>
#include <stdlib.h>

static int gcd(int a, int b) {
    while (b > 0) {
        int r = a % b;
        a = b;
        b = r;
    }
    return a;
}

static int lcm(int p, int q, int *g) {
    *g = gcd(p, q);
    return p / *g * q;
}

int main(int argc, char **argv) {
    int n = argc > 1 ? atoi(argv[1]) : 0;
    int total = 0, coprime = 0, rests = 0;
    for (int i = 1; i <= n; i++) {
        int q = i * 7 % 1000 + 1;
        int g;
        int m = lcm(i, q, &g);
        total += g;
        if (g == 1) coprime++;
        rests += m % 1000;
    }
    printf("%d/%d/%d\n", total, coprime, rests);
    return 0;
}
