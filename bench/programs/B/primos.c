/* Counts the primes up to N by trial division and keeps the largest. */
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char **argv) {
    int n = argc > 1 ? atoi(argv[1]) : 0;
    int count = 0, largest = 0;
    for (int x = 2; x <= n; x++) {
        int prime = 1;
        for (int d = 2; d * d <= x; d++) {
            if (x % d == 0) {
                prime = 0;
                break;
            }
        }
        if (prime) {
            count++;
            largest = x;
        }
    }
    printf("%d/%d\n", count, largest);
    return 0;
}
