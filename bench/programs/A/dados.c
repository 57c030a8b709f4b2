/* Rolls a die N times and reads the clock at each roll: how many rolls came out 1 to 6,
   how often the clock went back, how many times of day (every 100 rolls) had the form
   HH:MM:SS, and how many faces came up. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static long long hundredths(void) {
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return (long long)ts.tv_sec * 100 + ts.tv_nsec / 10000000;
}

int main(int argc, char **argv) {
    int n = argc > 1 ? atoi(argv[1]) : 0;
    int good = 0, went_back = 0, hours = 0;
    int seen[7] = {0};
    long long before = hundredths();
    for (int i = 1; i <= n; i++) {
        int d = rand() % 6 + 1;
        if (d >= 1 && d <= 6) {
            good++;
            seen[d] = 1;
        }
        long long now = hundredths();
        if (now < before) went_back++;
        before = now;
        if (i % 100 == 0) {
            char h[32];
            time_t t = time(NULL);
            struct tm tm;
            localtime_r(&t, &tm);
            strftime(h, sizeof h, "%H:%M:%S", &tm);
            const char *colon = strchr(h, ':');
            if (strlen(h) == 8 && colon && colon - h == 2) hours++;
        }
    }
    int faces = 0;
    for (int d = 1; d <= 6; d++) faces += seen[d];
    printf("%d/%d/%d/%d\n", good, went_back, hours, faces);
    return 0;
}
