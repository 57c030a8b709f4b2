// Waiting for a condition in tests: check it until it holds, with a deadline that only
// stops a broken build from hanging.  A test never sleeps a fixed time and then asserts.
#pragma once
#include <chrono>
#include <thread>

namespace testsupport {

// The bound of every wait: generous, since a loaded machine is slow but not broken.
constexpr int kPatienceMs = 20000;

// True as soon as cond() holds; false when it still does not after timeoutMs.
template <typename F>
bool waitUntil(F cond, int timeoutMs = kPatienceMs, int pollMs = 5) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!cond()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
    }
    return true;
}

// Microseconds since `start` on the steady clock.
inline long long microsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace testsupport
