// The stop key looked at by time as well as by lines.  A game's program may make
// one line cost seconds (a huge program reloaded, a big picture): counting lines
// alone would leave the pupil's stop key unheard that long.
#pragma once

namespace safety {

// How often a running program looks at the stop key at least, whatever its lines
// cost: well under the half second in which a stop should be felt.
constexpr int kStopCheckMs = 10;

// While one lives (a program's run), stopCheckDue() turns true every kStopCheckMs.
struct StopWatch {
    StopWatch();
    ~StopWatch();
    StopWatch(const StopWatch&) = delete;
    StopWatch& operator=(const StopWatch&) = delete;
};

// True once kStopCheckMs have passed since it last said true (cheap: one load).
bool stopCheckDue();

}  // namespace safety
