// The time of day.  Under a virtual clock it moves with that clock, so that a
// program that waits two seconds reads a time two seconds later.
#include <sys/time.h>
#include <ctime>

#include "platform/platform.h"

namespace plat {

int64_t systemWallClockMs() {
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    return int64_t(tv.tv_sec) * 1000 + tv.tv_usec / 1000;
}

int64_t Front::wallClockMs() { return systemWallClockMs(); }

int64_t wallClockMs() { return haveFront() ? front().wallClockMs() : systemWallClockMs(); }

namespace {
struct tm localAt(int64_t epochMs) {
    // Floor division: a moment before 1970 still falls in the right second.
    int64_t seconds = epochMs / 1000 - (epochMs % 1000 < 0 ? 1 : 0);
    time_t t = time_t(seconds);
    struct tm tmv {};
    localtime_r(&t, &tmv);
    return tmv;
}
}  // namespace

Date dateAt(int64_t epochMs) {
    struct tm tmv = localAt(epochMs);
    return {tmv.tm_mday, tmv.tm_mon + 1, tmv.tm_year + 1900, tmv.tm_wday};
}

Time timeAt(int64_t epochMs) {
    struct tm tmv = localAt(epochMs);
    int ms = int(epochMs % 1000);
    if (ms < 0) ms += 1000;
    return {tmv.tm_hour, tmv.tm_min, tmv.tm_sec, ms / 10};
}

Date currentDate() { return dateAt(wallClockMs()); }
Time currentTime() { return timeAt(wallClockMs()); }

}  // namespace plat
