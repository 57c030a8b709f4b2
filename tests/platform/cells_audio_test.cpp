// Cell runs and ANSI output of the terminal front; the audio helpers shared by the
// window and terminal fronts (conversion, resampling, the tone, the queue).
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <numeric>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "platform/sdl_audio.h"
#include "platform/ttykeys.h"
#include "support/require.h"
#include "support/wait.h"

namespace {

struct Screen {
    std::array<uint8_t, 80 * 25> chars;
    std::array<uint8_t, 80 * 25> attrs;
    std::array<uint8_t, 16> table;
    Screen() {
        chars.fill(' ');
        attrs.fill(0x0f);
        for (int i = 0; i < 16; ++i) table[size_t(i)] = uint8_t(i);
    }
    plat::ScreenView view() const {
        plat::ScreenView v;
        v.chars = chars.data();
        v.attrs = attrs.data();
        v.colourTable = table.data();
        return v;
    }
    void put(int col, int row, const std::string& text, uint8_t attr) {
        for (size_t i = 0; i < text.size(); ++i) {
            chars[size_t(row * 80 + col) + i] = uint8_t(text[i]);
            attrs[size_t(row * 80 + col) + i] = attr;
        }
    }
};

}  // namespace

TEST(CellRuns, SplitAtEveryAttributeChangeAndClipToTheRow) {
    Screen s;
    s.put(10, 3, "abc", 0x1f);
    s.put(13, 3, "de", 0x4e);
    auto runs = plat::tty::cellRuns(s.view(), 3, 0, 80);
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_EQ(runs[0].col0, 0);
    EXPECT_EQ(runs[0].col1, 10);
    EXPECT_EQ(runs[1].col0, 10);
    EXPECT_EQ(runs[1].col1, 13);
    EXPECT_EQ(runs[1].attr, 0x1f);
    EXPECT_EQ(runs[2].attr, 0x4e);
    EXPECT_EQ(runs[3].col1, 80);

    runs = plat::tty::cellRuns(s.view(), 3, 11, 14);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].col0, 11);
    EXPECT_EQ(runs[1].col1, 14);

    EXPECT_EQ(plat::tty::cellRuns(s.view(), 3, -5, 500).back().col1, 80);
    EXPECT_TRUE(plat::tty::cellRuns(s.view(), 25, 0, 80).empty());
    EXPECT_TRUE(plat::tty::cellRuns(s.view(), 3, 40, 40).empty());
}

TEST(AnsiColours, ThroughTheColourTable) {
    Screen s;
    // the palette has blue at 1 and red at 4; ANSI has them the other way round
    EXPECT_EQ(plat::tty::sgrFor(s.view(), 0x1f, false), "\x1b[97;44m");
    EXPECT_EQ(plat::tty::sgrFor(s.view(), 0x40, false), "\x1b[30;41m");
    EXPECT_EQ(plat::tty::sgrFor(s.view(), 0x67, false), "\x1b[37;43m");
    // TABCORES=1,0: colour 0 shows blue and colour 1 black
    s.table[0] = 1;
    s.table[1] = 0;
    EXPECT_EQ(plat::tty::sgrFor(s.view(), 0x10, false), "\x1b[34;40m");
    // a table value outside the palette draws black
    s.table[2] = 200;
    EXPECT_EQ(plat::tty::paletteIndex(s.view(), 2), -1);
    EXPECT_EQ(plat::tty::sgrFor(s.view(), 0x22, false), "\x1b[30;40m");
    // true colour sends the palette exactly
    EXPECT_EQ(plat::tty::sgrFor(s.view(), 0x65, true), "\x1b[38;2;142;0;142;48;2;68;34;34m");
}

TEST(AnsiRows, PositionRunsUtf8AndClipping) {
    Screen s;
    s.put(0, 0, plat::cp("Versão"), 0x1f);
    std::string row = plat::tty::renderRow(s.view(), 0, 0, 8, false, 80, 25);
    EXPECT_EQ(row, "\x1b[1;1H\x1b[97;44mVers\xc3\xa3o\x1b[97;40m  ");

    // control bytes and the holes of CP1252 never reach the terminal
    s.put(0, 1, std::string("a\x1b" "b\x81" "c\x7f", 6), 0x07);
    row = plat::tty::renderRow(s.view(), 1, 0, 6, false, 80, 25);
    EXPECT_EQ(row, "\x1b[2;1H\x1b[37;40ma b c ");

    // a terminal smaller than the screen shows what fits
    EXPECT_EQ(plat::tty::renderRow(s.view(), 24, 0, 80, false, 80, 24), "");
    row = plat::tty::renderRow(s.view(), 2, 70, 80, false, 75, 25);
    EXPECT_EQ(row, "\x1b[3;71H\x1b[97;40m     ");
}

TEST(AudioConversion, ToMono16) {
    const uint8_t u8[] = {128, 255, 0};
    auto m = plat::audio::toMono16(u8, sizeof u8, 8, 1);
    EXPECT_EQ(m, (std::vector<int16_t>{0, 127 * 256, -128 * 256}));
    // 16-bit stereo is averaged; a trailing partial frame is left out
    const uint8_t s16[] = {0x10, 0x00, 0x30, 0x00, 0x00, 0x80, 0x00, 0x80, 0x01};
    m = plat::audio::toMono16(s16, sizeof s16, 16, 2);
    EXPECT_EQ(m, (std::vector<int16_t>{0x20, -32768}));
    EXPECT_TRUE(plat::audio::toMono16(u8, sizeof u8, 12, 1).empty());
}

TEST(AudioConversion, ResamplingInPiecesMatchesResamplingAtOnce) {
    std::vector<int16_t> ramp(1000);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = int16_t(i * 20);
    plat::audio::Resampler whole, pieces;
    plat::audio::resamplerInit(whole, 11025, 44100);
    plat::audio::resamplerInit(pieces, 11025, 44100);
    std::vector<int16_t> a, b;
    plat::audio::resample(whole, ramp.data(), ramp.size(), a);
    for (size_t at = 0; at < ramp.size();) {
        size_t n = std::min<size_t>(ramp.size() - at, 1 + at % 97);
        plat::audio::resample(pieces, ramp.data() + at, n, b);
        at += n;
    }
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) ASSERT_NEAR(a[i], b[i], 1) << i;
    // four output samples per input sample once the filter gives what it holds back
    plat::audio::resamplerTail(whole, a);
    EXPECT_NEAR(double(a.size()), ramp.size() * 4.0, 4.0);

    plat::audio::Resampler down;
    plat::audio::resamplerInit(down, 44100, 22050);
    std::vector<int16_t> c;
    plat::audio::resample(down, ramp.data(), ramp.size(), c);
    plat::audio::resamplerTail(down, c);
    EXPECT_NEAR(double(c.size()), 500.0, 2.0);
}

TEST(AudioTone, OneSecondSquareAsTheWindowPlaysIt) {
    auto t = plat::audio::makeToneLoop(800);
    ASSERT_EQ(t.size(), 11025u);
    EXPECT_EQ(t.back(), 128);
    // 11025 / 800 = 13.78 samples a period: 7 low then 7 high
    EXPECT_EQ(std::vector<uint8_t>(t.begin(), t.begin() + 14),
              (std::vector<uint8_t>{96, 96, 96, 96, 96, 96, 96, 160, 160, 160, 160, 160, 160, 160}));
    int lows = 0;
    for (size_t i = 0; i + 1 < t.size(); ++i) {
        ASSERT_TRUE(t[i] == 96 || t[i] == 160);
        lows += t[i] == 96;
    }
    EXPECT_NEAR(lows, 5512, 40);  // half the loop, give or take the rounding of each period
    EXPECT_TRUE(plat::audio::makeToneLoop(0).empty());
}

namespace {
// Runs `body` with SDL's audio driver forced to `driver`, from a fresh audio state.
template <class F>
void withDriver(const char* driver, F body) {
    plat::audio::shutdown();
    const char* old = std::getenv("SDL_AUDIODRIVER");
    std::string saved = old ? old : "";
    setenv("SDL_AUDIODRIVER", driver, 1);
    body();
    plat::audio::shutdown();
    if (old) setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
    else unsetenv("SDL_AUDIODRIVER");
}
}  // namespace

TEST(AudioQueue, WithoutADeviceBuffersFinishInRealTime) {
    withDriver("no-such-driver", [] {
        EXPECT_FALSE(plat::audio::start());
        EXPECT_FALSE(plat::audio::openSource(11025, 12, 1));
        ASSERT_TRUE(plat::audio::openSource(11025, 8, 1));
        EXPECT_EQ(plat::audio::deviceBufferFrames(), 0);
        std::vector<uint8_t> tenth(1102, 128);  // 99.95 ms each
        const auto queued = std::chrono::steady_clock::now();
        plat::audio::queue(tenth.data(), tenth.size());
        plat::audio::queue(tenth.data(), tenth.size());
        const int queuedNow = plat::audio::pending();
        if (testsupport::microsSince(queued) < 99950) {
            EXPECT_EQ(queuedNow, 2);  // none could have ended yet
        }
        // One after the other, not side by side: the first ends after its own length,
        // the second only after both lengths.  A slow machine can only make these later.
        ASSERT_TRUE(testsupport::waitUntil([] { return plat::audio::pending() < 2; }));
        EXPECT_GE(testsupport::microsSince(queued), 99950);
        ASSERT_TRUE(testsupport::waitUntil([] { return plat::audio::pending() == 0; }));
        EXPECT_GE(testsupport::microsSince(queued), 2 * 99950);
        plat::audio::queue(tenth.data(), tenth.size());
        plat::audio::reset();
        EXPECT_EQ(plat::audio::pending(), 0);
        plat::audio::tone(800);  // silent, but no harm
    });
}

TEST(AudioQueue, OnADeviceAStopEmptiesTheQueueAtOnce) {
    withDriver("dummy", [] {
        LUDIVAR_REQUIRE(plat::audio::start(), "SDL has no dummy audio driver here");
        EXPECT_GT(plat::audio::deviceBufferFrames(), 0);
        ASSERT_TRUE(plat::audio::openSource(22050, 16, 1));
        // Ten seconds of a loud square each: no stall of a loaded machine plays one through
        // before the stop below.
        std::vector<uint8_t> sound(22050 * 2 * 10);
        for (size_t i = 0; i < sound.size(); i += 2) sound[i + 1] = (i / 100) % 2 ? 0x40 : 0xc0;
        for (int k = 0; k < 3; ++k) plat::audio::queue(sound.data(), sound.size());
        EXPECT_EQ(plat::audio::pending(), 3);
        // The device is playing them.
        EXPECT_TRUE(testsupport::waitUntil([] { return plat::audio::state().callbacks.load() > 0; }));
        EXPECT_EQ(plat::audio::pending(), 3);
        plat::audio::reset();
        EXPECT_EQ(plat::audio::pending(), 0);
        EXPECT_TRUE(testsupport::waitUntil([] { return plat::audio::state().silentAtUs.load() != 0; }));

        // short buffers are played through and counted off
        std::vector<uint8_t> blip(441 * 2, 0);
        plat::audio::queue(blip.data(), blip.size());
        EXPECT_TRUE(testsupport::waitUntil([] { return plat::audio::pending() == 0; }));
    });
}
