/* Sum of the digits of every number from 1 to N. */
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char **argv) {
    int n = argc > 1 ? atoi(argv[1]) : 0;
    int total = 0;
    for (int i = 1; i <= n; i++) {
        int x = i;
        while (x > 0) {
            int q = x / 10;
            total = total + x - q * 10;
            x = q;
        }
    }
    printf("%d\n", total);
    return 0;
}
