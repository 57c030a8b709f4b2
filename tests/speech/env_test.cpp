// Speech below the console: what it asks of the layers above goes through the
// hooks they register, and one rule decides when a key cuts speech.
#include <gtest/gtest.h>

#include <string>

#include "console/console.h"
#include "console/textwin.h"
#include "platform/platform.h"
#include "speech/env.h"
#include "speech/speak.h"
#include "speech/wave.h"
#include "support/inproc.h"

namespace {

struct Hooks {
    bool keyWaits = false;
    int keyPolls = 0;     // calls of keyWaiting
    int pollsBeforeKey = -1;  // >= 0: a key arrives after this many polls
    int delayedMs = 0;
    int pumps = 0;
};
Hooks gHooks;

speech::Env fakeEnv() {
    speech::Env e;
    e.keyWaiting = [] {
        ++gHooks.keyPolls;
        if (gHooks.pollsBeforeKey >= 0 && gHooks.keyPolls > gHooks.pollsBeforeKey) gHooks.keyWaits = true;
        return gHooks.keyWaits;
    };
    e.keyQueued = [] { return gHooks.keyWaits; };
    e.delayMs = [](int ms) {
        gHooks.delayedMs += ms;
        if (plat::haveFront()) plat::front().sleepMs(ms);
    };
    e.pump = [] { ++gHooks.pumps; };
    return e;
}

struct EnvTest : ::testing::Test {
    void SetUp() override {
        gHooks = Hooks();
        speech::resetWave();
    }
    void TearDown() override {
        speech::resetWave();
        speech::setEnv(speech::Env());
    }
};

}  // namespace

TEST_F(EnvTest, OneRuleDecidesWhenAKeyCutsSpeech) {
    const struct {
        bool capturing, keyInterrupts, keyWaits, stops;
    } rows[] = {
        {false, true, true, true},    // the usual case: a key cuts
        {false, true, false, false},  // no key
        {true, true, true, false},    // sound captured into a file is never cut
        {false, false, true, false},  // the player switched key interrupts off
        {true, false, true, false},
    };
    speech::setEnv(fakeEnv());
    for (const auto& r : rows) {
        speech::resetWave();
        gHooks.keyWaits = r.keyWaits;
        speech::setKeyInterrupts(r.keyInterrupts);
        if (r.capturing) speech::beginCapture();
        EXPECT_EQ(speech::shouldStop(), r.stops) << r.capturing << r.keyInterrupts << r.keyWaits;
        EXPECT_EQ(speech::stopQueued(), r.stops) << r.capturing << r.keyInterrupts << r.keyWaits;
        if (r.capturing) speech::endCapture();
    }
}

TEST_F(EnvTest, WithoutRegisteredHooksNoKeyIsSeen) {
    InProc p("", "", false);
    con::pushKey('x');
    speech::setEnv(speech::Env());
    EXPECT_FALSE(speech::shouldStop());
    EXPECT_FALSE(speech::keyQueued());
    // The console's own hooks see the key and leave it for the next read.
    con::connectSpeech();
    EXPECT_TRUE(speech::shouldStop());
    EXPECT_TRUE(speech::keyQueued());
    EXPECT_TRUE(con::keyPressed());
}

TEST_F(EnvTest, PlaybackWaitsAndStopsThroughTheRegisteredHooks) {
    InProc p("", "", false);
    speech::setEnv(fakeEnv());
    // A five-second tone; a key arrives after a few polls and cuts it short.
    gHooks.pollsBeforeKey = 20;
    const std::string tone(5 * 11025, char(150));
    const uint64_t t0 = p.now();
    p.run([&] {
        speech::playSamples(reinterpret_cast<const uint8_t*>(tone.data()), tone.size(), 11025, 1, 8);
        while (speech::isSpeaking()) speech::delayMs(10);
    });
    EXPECT_TRUE(gHooks.keyWaits);
    EXPECT_GT(gHooks.delayedMs, 0);
    EXPECT_GT(gHooks.pumps, 0);
    EXPECT_LT(p.now() - t0, 4000u);
    EXPECT_FALSE(speech::waveState().deviceOpen);
    EXPECT_TRUE(p.traced("stop"));

    // Without a key the same tone plays to its end, its time spent in our waits.
    gHooks = Hooks();
    speech::resetWave();
    const uint64_t t1 = p.now();
    p.run([&] {
        speech::playSamples(reinterpret_cast<const uint8_t*>(tone.data()), tone.size(), 11025, 1, 8);
        while (speech::isSpeaking()) speech::delayMs(10);
    });
    EXPECT_NEAR(double(p.now() - t1), 5000.0, 30.0);
    EXPECT_NEAR(double(gHooks.delayedMs), 5000.0, 30.0);
}
