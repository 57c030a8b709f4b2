/* Frequency of each digit in the numbers of a fixed sequence. */
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char **argv) {
    int n = argc > 1 ? atoi(argv[1]) : 0;
    int seed = 2024;
    int table[10] = {0};
    for (int i = 0; i < n; i++) {
        seed = (seed * 75 + 74) % 65537;
        int x = seed;
        for (int j = 0; j < 5; j++) {
            int q = x / 10;
            table[x - q * 10]++;
            x = q;
            if (x == 0) break;
        }
    }
    int most = 0, best = -1;
    for (int k = 0; k < 10; k++) {
        if (table[k] - best > 0) {
            best = table[k];
            most = k;
        }
        printf("%d,", table[k]);
    }
    printf("%d\n", most);
    return 0;
}
