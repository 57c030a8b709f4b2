/* FizzBuzz from 1 to N: counts Fizz, Buzz and FizzBuzz and sums the other numbers (mod 10007). */
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char **argv) {
    int n = argc > 1 ? atoi(argv[1]) : 0;
    int f = 0, b = 0, fb = 0, s = 0;
    char last[32] = "";
    for (int i = 1; i <= n; i++) {
        if (i % 15 == 0) {
            fb++;
            snprintf(last, sizeof last, "FizzBuzz");
        } else if (i % 3 == 0) {
            f++;
            snprintf(last, sizeof last, "Fizz");
        } else if (i % 5 == 0) {
            b++;
            snprintf(last, sizeof last, "Buzz");
        } else {
            s = (s + i) % 10007;
            snprintf(last, sizeof last, "%d", i);
        }
    }
    printf("%d/%d/%d/%d/%s\n", f, b, fb, s, last);
    return 0;
}
