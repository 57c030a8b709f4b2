/* Passeio aleatório no plano com N passos; guarda só o que não depende da sorte. */
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

int main(int argc, char **argv)
{
    long n = argc > 1 ? atol(argv[1]) : 0;
    srand((unsigned)time(NULL));
    long x = 0, y = 0, norte = 0, sul = 0, leste = 0, oeste = 0, fora = 0;
    long naorigem = 0, longe = 0, dist = 0, passo = 0;
    while (passo < n) {
        int dir = rand() % 4;
        if (dir == 0) {
            y++;
            norte++;
        } else if (dir == 1) {
            y--;
            sul++;
        } else if (dir == 2) {
            x++;
            leste++;
        } else if (dir == 3) {
            x--;
            oeste++;
        } else {
            fora++;
        }
        dist = labs(x) + labs(y);
        if (dist > longe)
            longe = dist;
        if (dist == 0)
            naorigem++;
        passo++;
    }
    (void)naorigem;
    long direcoes = norte + sul + leste + oeste;
    long paridade = (dist + n) % 2;
    printf("passos=%ld fora=%ld direcoes=%ld paridade=%ld coerente=%s\n",
           passo, fora, direcoes, paridade, longe <= n ? "sim" : "nao");
    return 0;
}
