/* Draws N cards from a 52-card pack (with replacement), marks those drawn, and reads the
   clock and the date during the draw. */
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
    srand((unsigned)time(NULL));
    int good = 0, went_back = 0, dates = 0, seen[52] = {0};
    long long before = hundredths();
    for (int i = 1; i <= n; i++) {
        int r = rand() % 52;
        if (r < 52) {
            good++;
            seen[r] = 1;
        }
        long long now = hundredths();
        if (now < before) went_back++;
        before = now;
        if (i % 1000 == 0) {
            char d[32];
            time_t t = time(NULL);
            struct tm tm;
            localtime_r(&t, &tm);
            strftime(d, sizeof d, "%d/%m/%Y", &tm);
            const char *slash = strchr(d, '/');
            if (slash && slash - d == 2 && strlen(d) == 10) dates++;
        }
    }
    int count = 0;
    for (int k = 0; k < 52; k++) count += seen[k];
    printf("%d/%d/%d/%d\n", good, went_back, dates, count);
    return 0;
}
