/* Reads the marks file entrada.txt (lines "pupilI mark"): counts the lines,
   sums the marks and checks that the file has N lines. */
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char **argv) {
    int n = argc > 1 ? atoi(argv[1]) : 0;
    FILE *f = fopen("entrada.txt", "r");
    if (!f) return 1;
    char line[256], name[128];
    int lines = 0, total = 0, mark;
    while (fgets(line, sizeof line, f)) {
        lines++;
        if (sscanf(line, "%127s %d", name, &mark) == 2) total += mark;
    }
    fclose(f);
    printf("%d/%d/%s\n", lines, total, lines == n ? "sim" : "nao");
    return 0;
}
