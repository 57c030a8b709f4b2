// What speech needs from the layers above it, registered by them at start-up:
// whether a key waits, waiting, and the message pump.  Without a registration
// no key is ever seen and waits go straight to the front.
#pragma once

namespace speech {

struct Env {
    // Pumps the window and tells whether a key waits (the key stays in the buffer).
    bool (*keyWaiting)() = nullptr;
    // The same without pumping: for code that itself runs inside the pump.
    bool (*keyQueued)() = nullptr;
    void (*delayMs)(int ms) = nullptr;
    void (*pump)() = nullptr;
};
void setEnv(const Env& env);
const Env& env();

bool keyWaiting();
bool keyQueued();
void delayMs(int ms);
void pump();

// The one rule for cutting speech short: a waiting key stops it, except while
// sound is being captured into a file (every word must land there) or while the
// player has switched key interrupts off.
bool shouldStop();
// The same rule without pumping, for code that runs inside the pump.
bool stopQueued();

}  // namespace speech
