/* Collatz steps of every number from 1 to N, summed, and the largest value reached.
   Starting values stay below 100000, whose paths fit in 32 bits. */
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char **argv) {
    int n = argc > 1 ? atoi(argv[1]) : 0;
    int steps = 0, largest = 0;
    for (int i = 1; i <= n; i++) {
        int x = i;
        while (x > 1) {
            if (x % 2 == 0) {
                x = x / 2;
            } else {
                x = x * 3 + 1;
                if (x > largest) largest = x;
            }
            steps++;
        }
    }
    printf("%d/%d\n", steps, largest);
    return 0;
}
