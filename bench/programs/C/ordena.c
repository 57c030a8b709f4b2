#include <stdio.h>
#include <stdlib.h>

#define SIZE 30

int main(int argc, char **argv) {
    long n = argc > 1 ? atol(argv[1]) : 0;
    long seed = 4321, check = 0, out_of_order = 0;
    int v[SIZE];
    for (long r = 0; r < n; r++) {
        for (int i = 0; i < SIZE; i++) {
            seed = (seed * 171 + 11) % 30269;
            v[i] = (int)(seed / 30);
        }
        for (int i = 1; i < SIZE; i++) {
            int key = v[i], j = i - 1;
            while (j >= 0 && v[j] > key) {
                v[j + 1] = v[j];
                j--;
            }
            v[j + 1] = key;
        }
        int previous = 0;
        for (int i = 0; i < SIZE; i++) {
            if (v[i] < previous) out_of_order++;
            previous = v[i];
            check += (long)(i + 1) * v[i];
        }
        check %= 1000000;
    }
    printf("%ld %ld\n", check, out_of_order);
    return 0;
}
