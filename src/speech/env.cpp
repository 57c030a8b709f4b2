// The hooks speech calls upward, and the one rule that cuts speech.
#include "speech/env.h"

#include "platform/platform.h"
#include "speech/wave.h"

namespace speech {

namespace {
Env gEnv;
}  // namespace

void setEnv(const Env& e) { gEnv = e; }
const Env& env() { return gEnv; }

bool keyWaiting() { return gEnv.keyWaiting && gEnv.keyWaiting(); }
bool keyQueued() { return gEnv.keyQueued && gEnv.keyQueued(); }

void pump() {
    if (gEnv.pump) gEnv.pump();
    else if (plat::haveFront()) plat::front().pump();
}

void delayMs(int ms) {
    if (gEnv.delayMs) {
        gEnv.delayMs(ms);
        return;
    }
    if (ms > 0 && plat::haveFront()) plat::front().sleepMs(ms);
    pump();
}

namespace {
bool keysCut() {
    const WaveState& w = waveState();
    return !w.capturing && w.keyInterrupts;
}
}  // namespace

bool shouldStop() { return keysCut() && keyWaiting(); }
bool stopQueued() { return keysCut() && keyQueued(); }

}  // namespace speech
