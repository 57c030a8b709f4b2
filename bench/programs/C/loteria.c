#include <stdio.h>
#include <stdlib.h>
#include <time.h>

int main(int argc, char **argv) {
    long n = argc > 1 ? atol(argv[1]) : 0;
    long good = 0, bad = 0, numbers = 0;
    srand((unsigned)time(NULL));
    for (long t = 0; t < n; t++) {
        int drawn[6], count = 0, drawn_sum = 0;
        while (count < 6) {
            int d = rand() % 60 + 1, seen = 0;
            for (int k = 0; k < count; k++)
                if (drawn[k] == d) seen = 1;
            if (!seen) {
                drawn[count++] = d;
                drawn_sum += d;
            }
        }
        int swapped = 1;
        while (swapped) {
            swapped = 0;
            for (int j = 0; j < 5; j++) {
                if (drawn[j] > drawn[j + 1]) {
                    int x = drawn[j];
                    drawn[j] = drawn[j + 1];
                    drawn[j + 1] = x;
                    swapped = 1;
                }
            }
        }
        int ok = 1, previous = 0, total = 0;
        for (int j = 0; j < 6; j++) {
            if (drawn[j] <= previous || drawn[j] > 60) ok = 0;
            total += drawn[j];
            previous = drawn[j];
        }
        if (total != drawn_sum) ok = 0;
        if (ok) good++;
        else bad++;
        numbers += 6;
    }
    printf("%ld %ld %ld\n", good, bad, numbers);
    return 0;
}
