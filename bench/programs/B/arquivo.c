/* Writes N lines "number;(number mod 1000) squared mod 1000", copies the file and reads
   the copy back, summing the values. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char **argv) {
    int n = argc > 1 ? atoi(argv[1]) : 0;
    int errors = 0;
    FILE *f = fopen("quadrados.txt", "w");
    if (!f) return 1;
    for (int i = 1; i <= n; i++) {
        int q = i % 1000;
        q = q * q % 1000;
        if (fprintf(f, "%d;%d\r\n", i, q) < 0) errors++;
    }
    if (fclose(f) != 0) errors++;
    FILE *src = fopen("quadrados.txt", "rb"), *dst = fopen("copia.txt", "wb");
    if (!src || !dst) return 1;
    static char block[30000];
    size_t got;
    while ((got = fread(block, 1, sizeof block, src)) > 0) fwrite(block, 1, got, dst);
    fclose(src);
    fclose(dst);
    FILE *in = fopen("copia.txt", "r");
    if (!in) return 1;
    char line[128];
    int lines = 0, total = 0;
    while (fgets(line, sizeof line, in)) {
        lines++;
        const char *semi = strchr(line, ';');
        if (semi) total += atoi(semi + 1);
    }
    fclose(in);
    remove("quadrados.txt");
    remove("copia.txt");
    printf("%d/%d/%d/1\n", lines, total, errors);
    return 0;
}
