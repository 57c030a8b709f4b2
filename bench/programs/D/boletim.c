/* Boletim: grava as notas de N alunos em CSV, lê de volta e tira as médias. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char **argv)
{
    long n = argc > 1 ? atol(argv[1]) : 0;
    long semente = 4242;
    FILE *f = fopen("notas.csv", "w");
    if (!f)
        return 1;
    for (long i = 1; i <= n; i++) {
        fprintf(f, "aluno%ld", i);
        for (int prova = 0; prova < 3; prova++) {
            semente = (semente * 75 + 74) % 65537;
            fprintf(f, ";%ld", semente % 101);
        }
        fputs("\r\n", f);
    }
    fclose(f);

    long aprovados = 0, recuperacao = 0, reprovados = 0, somamedias = 0, lidas = 0;
    long melhormedia = -1;
    char melhor[64] = "", linha[256], nome[64];
    f = fopen("notas.csv", "r");
    if (!f)
        return 1;
    while (fgets(linha, sizeof linha, f)) {
        long n1, n2, n3;
        if (sscanf(linha, "%63[^;];%ld;%ld;%ld", nome, &n1, &n2, &n3) != 4)
            continue;
        lidas++;
        long media = (n1 + n2 + n3) / 3;
        somamedias += media;
        if (media >= 70)
            aprovados++;
        else if (media >= 50)
            recuperacao++;
        else
            reprovados++;
        if (media > melhormedia) {
            melhormedia = media;
            strcpy(melhor, nome);
        }
    }
    fclose(f);
    long geral = lidas > 0 ? somamedias / lidas : 0;
    printf("lidas=%ld aprovados=%ld recuperacao=%ld reprovados=%ld media=%ld melhor=%s:%ld\n",
           lidas, aprovados, recuperacao, reprovados, geral, melhor, melhormedia);
    return 0;
}
