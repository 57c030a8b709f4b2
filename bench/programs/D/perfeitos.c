/* Números perfeitos, abundantes e deficientes de 1 até N. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char **argv)
{
    long n = argc > 1 ? atol(argv[1]) : 0;
    long perfeitos = 0, abundantes = 0, deficientes = 0, somatotal = 0;
    char lista[1024] = "";
    for (long k = 1; k <= n; k++) {
        long soma = 0;
        for (long d = 1; d * d <= k; d++) {
            if (k % d == 0) {
                soma += d;
                long outro = k / d;
                if (outro != d && outro != k)
                    soma += outro;
            }
        }
        if (k == 1)
            soma = 0;
        if (soma == k) {
            perfeitos++;
            size_t len = strlen(lista);
            snprintf(lista + len, sizeof lista - len, " %ld", k);
        } else if (soma > k) {
            abundantes++;
        } else {
            deficientes++;
        }
        somatotal += soma;
    }
    printf("perfeitos=%ld abundantes=%ld deficientes=%ld soma=%ld lista=%s\n",
           perfeitos, abundantes, deficientes, somatotal, lista);
    return 0;
}
