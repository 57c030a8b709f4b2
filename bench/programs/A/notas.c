/* Marks of N pupils, from a fixed sequence, sorted into grades A to E. */
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char **argv) {
    int n = argc > 1 ? atoi(argv[1]) : 0;
    int seed = 12345;
    int ca = 0, cb = 0, cc = 0, cd = 0, ce = 0, passed = 0;
    for (int i = 0; i < n; i++) {
        seed = (seed * 75 + 74) % 65537;
        int mark = seed % 101;
        if (mark >= 90) ca++;
        else if (mark >= 75) cb++;
        else if (mark >= 60) cc++;
        else if (mark >= 40) cd++;
        else ce++;
        if (mark >= 60) passed += mark;
    }
    printf("%d/%d/%d/%d/%d/%d\n", ca, cb, cc, cd, ce, passed);
    return 0;
}
