/* Calendário: sextas-feiras 13 de 1901 em diante, em N anos. */
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char **argv)
{
    long n = argc > 1 ? atol(argv[1]) : 0;
    int diasemana = 0; /* 13/01/1901 foi um domingo */
    long bissextos = 0, totaldias = 0;
    long contagem[7] = {0};
    char ultimasexta[32] = "nenhuma";
    for (long ano = 1901; ano <= 1900 + n; ano++) {
        int bissexto;
        if (ano % 400 == 0)
            bissexto = 1;
        else if (ano % 100 == 0)
            bissexto = 0;
        else if (ano % 4 == 0)
            bissexto = 1;
        else
            bissexto = 0;
        bissextos += bissexto;
        for (int mes = 1; mes <= 12; mes++) {
            int dias;
            if (mes == 2)
                dias = 28 + bissexto;
            else if (mes == 4 || mes == 6 || mes == 9 || mes == 11)
                dias = 30;
            else
                dias = 31;
            contagem[diasemana]++;
            if (diasemana == 5)
                snprintf(ultimasexta, sizeof ultimasexta, "%d/%ld", mes, ano);
            totaldias += dias;
            diasemana = (diasemana + dias) % 7;
        }
    }
    printf("dias=%ld bissextos=%ld 13: dom=%ld seg=%ld ter=%ld qua=%ld qui=%ld sex=%ld sab=%ld ultima=%s\n",
           totaldias, bissextos, contagem[0], contagem[1], contagem[2], contagem[3], contagem[4],
           contagem[5], contagem[6], ultimasexta);
    return 0;
}
