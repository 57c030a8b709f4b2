#include <stdio.h>
#include <stdlib.h>

enum state { GREEN, YELLOW, RED, CROSSING };

int main(int argc, char **argv) {
    long n = argc > 1 ? atol(argv[1]) : 0;
    long seed = 777, timer = 0, time_in[4] = {0, 0, 0, 0};
    long cycles = 0, crossings = 0, waiting = 0;
    int request = 0;
    enum state state = GREEN;
    for (long s = 0; s < n; s++) {
        timer++;
        seed = (seed * 171 + 11) % 30269;
        if (seed % 23 == 0) request = 1;
        if (request) waiting++;
        time_in[state]++;
        switch (state) {
        case GREEN:
            if (timer >= 8 && (request || timer >= 30)) {
                state = YELLOW;
                timer = 0;
            }
            break;
        case YELLOW:
            if (timer >= 3) {
                state = RED;
                timer = 0;
            }
            break;
        case RED:
            if (timer >= 2) {
                if (request) {
                    state = CROSSING;
                    timer = 0;
                    request = 0;
                    crossings++;
                } else if (timer >= 12) {
                    state = GREEN;
                    timer = 0;
                    cycles++;
                }
            }
            break;
        case CROSSING:
            if (timer >= 10) {
                /* whoever pressed during the crossing has crossed too */
                state = GREEN;
                timer = 0;
                request = 0;
                cycles++;
            }
            break;
        }
    }
    printf("%ld %ld %ld %ld %ld %ld %ld\n", time_in[GREEN], time_in[YELLOW], time_in[RED], time_in[CROSSING],
           cycles, crossings, waiting);
    return 0;
}
