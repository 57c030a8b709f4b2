/* Potências de uma matriz 5x5, módulo 997: P = M^(N+1). */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char **argv)
{
    long n = argc > 1 ? atol(argv[1]) : 0;
    long m[6][6], p[6][6], q[6][6];
    for (int i = 1; i <= 5; i++)
        for (int j = 1; j <= 5; j++)
            p[i][j] = m[i][j] = (i * 7 + j * j * 3 + i * j) % 10;
    for (long vez = 0; vez < n; vez++) {
        for (int i = 1; i <= 5; i++)
            for (int j = 1; j <= 5; j++) {
                long s = 0;
                for (int k = 1; k <= 5; k++)
                    s += p[i][k] * m[k][j];
                q[i][j] = s % 997;
            }
        memcpy(p, q, sizeof p);
    }
    long traco = 0, total = 0;
    for (int i = 1; i <= 5; i++) {
        traco += p[i][i];
        for (int j = 1; j <= 5; j++)
            total += p[i][j];
    }
    printf("traco=%ld total=%ld linha1=%ld,%ld,%ld,%ld,%ld\n", traco, total,
           p[1][1], p[1][2], p[1][3], p[1][4], p[1][5]);
    return 0;
}
