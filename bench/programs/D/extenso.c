/* Números de 1 até N (até 999999) por extenso; soma o tamanho dos textos.
   Os textos são guardados em Latin-1 (um byte por letra) e convertidos só na saída. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char *UNIDADES[] = {"um", "dois", "tr\xeas", "quatro", "cinco", "seis", "sete", "oito", "nove"};
static const char *DEZAS[] = {"dez", "onze", "doze", "treze", "quatorze", "quinze",
                              "dezesseis", "dezessete", "dezoito", "dezenove"};
static const char *DEZENAS[] = {"dez", "vinte", "trinta", "quarenta", "cinquenta",
                                "sessenta", "setenta", "oitenta", "noventa"};
static const char *CENTENAS[] = {"cento", "duzentos", "trezentos", "quatrocentos", "quinhentos",
                                 "seiscentos", "setecentos", "oitocentos", "novecentos"};

/* v de 1 a 999 por extenso, acrescentado a t */
static void centena(int v, char *t)
{
    if (v == 100) {
        strcat(t, "cem");
        return;
    }
    int c = v / 100, d = v / 10 % 10, u = v % 10;
    if (c > 0) {
        strcat(t, CENTENAS[c - 1]);
        if (d + u > 0)
            strcat(t, " e ");
    }
    if (d == 1) {
        strcat(t, DEZAS[u]);
        return;
    }
    if (d > 1) {
        strcat(t, DEZENAS[d - 1]);
        if (u > 0)
            strcat(t, " e ");
    }
    if (u > 0)
        strcat(t, UNIDADES[u - 1]);
}

int main(int argc, char **argv)
{
    long n = argc > 1 ? atol(argv[1]) : 0;
    long total = 0, come = 0;
    char texto[256] = "zero";
    for (long numero = 1; numero <= n; numero++) {
        int milhar = (int)(numero / 1000), resto = (int)(numero % 1000);
        texto[0] = '\0';
        if (milhar > 0) {
            if (milhar == 1) {
                strcpy(texto, "mil");
            } else {
                centena(milhar, texto);
                strcat(texto, " mil");
            }
            /* "mil e cem", "mil e vinte", mas "mil cento e um" */
            if (resto > 0)
                strcat(texto, resto < 100 || resto % 100 == 0 ? " e " : " ");
        }
        if (resto > 0)
            centena(resto, texto);
        total += (long)strlen(texto);
        if (strstr(texto, " e "))
            come++;
    }
    printf("letras=%ld com_e=%ld ultimo=", total, come);
    for (const unsigned char *c = (const unsigned char *)texto; *c; c++) {
        if (*c < 0x80)
            putchar(*c);
        else {
            putchar(0xC0 | (*c >> 6));
            putchar(0x80 | (*c & 0x3F));
        }
    }
    putchar('\n');
    return 0;
}
