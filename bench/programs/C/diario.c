#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char **argv) {
    long n = argc > 1 ? atol(argv[1]) : 0;
    long seed = 2024;
    FILE *log = fopen("diario.txt", "wb");
    if (!log) return 1;
    for (long i = 1; i <= n; i++) {
        seed = (seed * 171 + 11) % 30269;
        /* one move every 7 seconds, from 7 o'clock */
        long s = (i * 7 + 25200) % 86400;
        long pupil = seed % 40 + 1, level = i % 9 + 1, luck = seed / 7 % 5, points;
        const char *kind;
        if (luck == 0) {
            kind = "ERRO";
            points = 0;
        } else if (luck == 1) {
            kind = "DICA";
            points = 1;
        } else {
            kind = "ACERTO";
            points = level * luck;
        }
        fprintf(log, "%02ld:%02ld:%02ld aluno%ld %s fase %ld pontos %ld\r\n", s / 3600, s / 60 % 60, s % 60,
                pupil, kind, level, points);
    }
    if (fclose(log) != 0) return 1;

    long read = 0, errors = 0, lunch = 0, points_total = 0;
    char line[256];
    log = fopen("diario.txt", "rb");
    if (!log) return 1;
    while (fgets(line, sizeof line, log)) {
        line[strcspn(line, "\r\n")] = '\0';
        read++;
        if (strstr(line, " ERRO ")) errors++;
        if (strncmp(line, "12:", 3) == 0) lunch++;
        char clock[16], pupil[32], kind[16], w4[16], w5[16], w6[16];
        long points;
        if (sscanf(line, "%15s %31s %15s %15s %15s %15s %ld", clock, pupil, kind, w4, w5, w6, &points) == 7 &&
            strcmp(kind, "ACERTO") == 0)
            points_total += points;
    }
    fclose(log);
    printf("%ld %ld %ld %ld\n", read, errors, lunch, points_total);
    return 0;
}
