/* Binário de K, o binário lido ao contrário e o MDC dos dois, para K de 1 até N. */
#include <stdio.h>
#include <stdlib.h>

static long uns;

static void binario(long v, char *texto)
{
    int pilha[64], topo = 0;
    while (v > 0) {
        int r = (int)(v % 2);
        pilha[topo++] = r;
        if (r == 1)
            uns++;
        v /= 2;
    }
    int i = 0;
    while (topo > 0)
        texto[i++] = (char)('0' + pilha[--topo]);
    texto[i] = '\0';
}

static long invertido(const char *texto)
{
    int p = 0;
    while (texto[p])
        p++;
    long valor = 0;
    while (p > 0)
        valor = valor * 2 + (texto[--p] - '0');
    return valor;
}

static long mdc(long a, long b)
{
    while (b > 0) {
        long r = a % b;
        a = b;
        b = r;
    }
    return a;
}

int main(int argc, char **argv)
{
    long n = argc > 1 ? atol(argv[1]) : 0;
    long somamdc = 0, iguais = 0;
    char bin[72] = "";
    for (long k = 1; k <= n; k++) {
        binario(k, bin);
        long inv = invertido(bin);
        somamdc += mdc(k, inv);
        if (inv == k)
            iguais++;
    }
    printf("uns=%ld mdc=%ld palindromos=%ld ultimo=%s\n", uns, somamdc, iguais, bin);
    return 0;
}
