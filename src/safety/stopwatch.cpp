#include "safety/stopwatch.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace safety {

namespace {

// One ticker thread per run: it only sets a flag, so the interpreter's thread
// pays a relaxed load a line and nothing else.
struct Ticker {
    std::atomic<bool> due{false};
    std::mutex m;
    std::condition_variable cv;
    bool running = false;
    int users = 0;
    std::thread thread;
};
Ticker gTick;

void tick() {
    std::unique_lock<std::mutex> lock(gTick.m);
    while (gTick.running) {
        gTick.cv.wait_for(lock, std::chrono::milliseconds(kStopCheckMs));
        gTick.due.store(true, std::memory_order_relaxed);
    }
}

}  // namespace

StopWatch::StopWatch() {
    std::lock_guard<std::mutex> lock(gTick.m);
    if (gTick.users++ > 0) return;
    gTick.running = true;
    try {
        gTick.thread = std::thread(tick);
    } catch (...) {
        // Without a thread the lines alone decide when the key is looked at.
        gTick.running = false;
    }
}

StopWatch::~StopWatch() {
    std::thread ending;
    {
        std::lock_guard<std::mutex> lock(gTick.m);
        if (--gTick.users > 0) return;
        gTick.running = false;
        ending = std::move(gTick.thread);
    }
    gTick.cv.notify_all();
    if (ending.joinable()) ending.join();
    gTick.due.store(false, std::memory_order_relaxed);
}

bool stopCheckDue() {
    if (!gTick.due.load(std::memory_order_relaxed)) return false;
    gTick.due.store(false, std::memory_order_relaxed);
    return true;
}

}  // namespace safety
