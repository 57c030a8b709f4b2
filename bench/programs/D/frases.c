/* Frases sorteadas: sigla, grupos de vogais e frequência das palavras. */
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char *vocabulario[16] = {
    "o", "gato", "preto", "pulou", "sobre", "a", "cerca", "velha",
    "enquanto", "menino", "curioso", "olhava", "pela", "janela", "aberta", "ontem"};
static long semente = 4242;

static long sorteia(void)
{
    semente = (semente * 75 + 74) % 65537;
    return semente;
}

int main(int argc, char **argv)
{
    long n = argc > 1 ? atol(argv[1]) : 0;
    long grupos = 0, letras = 0, comog = 0, freq[16] = {0};
    char sigla[16] = "";
    for (long f = 0; f < n; f++) {
        char frase[256] = "";
        int tam = (int)(sorteia() % 6 + 5);
        for (int w = 0; w < tam; w++) {
            if (w > 0)
                strcat(frase, " ");
            strcat(frase, vocabulario[sorteia() % 16]);
        }
        /* percorre a frase como texto, palavra por palavra */
        int ns = 0;
        char *salvo = NULL;
        for (char *pal = strtok_r(frase, " ", &salvo); pal; pal = strtok_r(NULL, " ", &salvo)) {
            sigla[ns++] = (char)toupper((unsigned char)pal[0]);
            for (int v = 0; v < 16; v++)
                if (strcmp(pal, vocabulario[v]) == 0)
                    freq[v]++;
            int anterior = 0;
            for (const char *c = pal; *c; c++) {
                int vogal = strchr("aeiou", *c) != NULL;
                if (vogal && !anterior)
                    grupos++;
                anterior = vogal;
                letras++;
            }
        }
        sigla[ns] = '\0';
        if (strstr(sigla, "OG"))
            comog++;
    }
    int mais = 0;
    for (int v = 1; v < 16; v++)
        if (freq[v] > freq[mais])
            mais = v;
    printf("grupos=%ld letras=%ld com_OG=%ld gato=%ld janela=%ld mais=%s:%ld sigla=%s\n",
           grupos, letras, comog, freq[1], freq[13], vocabulario[mais], freq[mais], sigla);
    return 0;
}
