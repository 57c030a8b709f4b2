/* Writes N lines of marks to a file (lines end in CR LF, as the game program's do). */
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char **argv) {
    int n = argc > 1 ? atoi(argv[1]) : 0;
    int seed = 4242, total = 0, errors = 0;
    FILE *f = fopen("notas.txt", "w");
    if (!f) return 1;
    for (int i = 1; i <= n; i++) {
        seed = (seed * 75 + 74) % 65537;
        int mark = seed % 1000;
        if (fprintf(f, "aluno%d %d\r\n", i, mark) < 0) errors++;
        total += mark;
    }
    if (fclose(f) != 0) errors++;
    printf("%d/%d/%d\n", n, total, errors);
    return 0;
}
