// Wave playback through the headless front (virtual time) and the WAV readers.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "console/textwin.h"
#include "speech/wave.h"
#include "support/headless.h"
#include "support/inproc.h"

using namespace speech;

namespace {

std::string le32(uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = char((v >> (8 * i)) & 0xFF);
    return s;
}

std::string chunk(const std::string& tag, const std::string& body) { return tag + le32(uint32_t(body.size())) + body; }

std::string fmtBody(int rate, int channels, int bits) {
    return makeWaveHeader(0, rate, channels, bits).substr(20, 16);
}

std::string riff(const std::string& chunks) { return "RIFF" + le32(uint32_t(4 + chunks.size())) + "WAVE" + chunks; }

std::string tone(double hz, size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = char(128 + std::lround(100 * std::sin(2 * M_PI * hz * double(i) / 11025.0)));
    return s;
}

struct WaveTest : ::testing::Test {
    void SetUp() override { resetWave(); }
    void TearDown() override { resetWave(); }
};

}  // namespace

TEST_F(WaveTest, HeaderLayout) {
    const std::string h = makeWaveHeader(1000, 11025, 1, 8);
    ASSERT_EQ(h.size(), 44u);
    EXPECT_EQ(h.substr(0, 4), "RIFF");
    EXPECT_EQ(h.substr(4, 4), le32(1036));
    EXPECT_EQ(h.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(h.substr(16, 4), le32(16));
    EXPECT_EQ(h.substr(24, 4), le32(11025));
    EXPECT_EQ(h.substr(28, 4), le32(11025));
    EXPECT_EQ(h.substr(36, 4), "data");
    EXPECT_EQ(h.substr(40, 4), le32(1000));
    EXPECT_EQ(makeWaveHeader(0, 22050, 2, 16).substr(28, 4), le32(88200));
}

TEST_F(WaveTest, ImagesWithOtherChunksAndDamage) {
    const std::string samples(100, char(140));
    WaveFormat f;
    size_t start = 0, len = 0;
    // A list chunk (odd length, padded) between the format and the data.
    std::string img = riff(chunk("fmt ", fmtBody(11025, 1, 8)) + chunk("LIST", "abc") + std::string(1, '\0') +
                           chunk("data", samples));
    ASSERT_TRUE(parseWaveImage(img, f, start, len));
    EXPECT_EQ(len, 100u);
    EXPECT_EQ(img.substr(start, len), samples);
    // Tags in any case.
    std::string lower = img;
    lower.replace(0, 4, "riff");
    EXPECT_TRUE(parseWaveImage(lower, f, start, len));
    // A data chunk claiming more than the image holds gives what is there.
    std::string cut = riff(chunk("fmt ", fmtBody(11025, 1, 8))) + "data" + le32(1000000) + samples;
    ASSERT_TRUE(parseWaveImage(cut, f, start, len));
    EXPECT_EQ(len, 100u);
    // Not a WAV, a short format chunk, no data, a chunk length running off the end.
    EXPECT_FALSE(parseWaveImage("hello", f, start, len));
    EXPECT_FALSE(parseWaveImage(riff(chunk("fmt ", "abc") + chunk("data", samples)), f, start, len));
    EXPECT_FALSE(parseWaveImage(riff(chunk("fmt ", fmtBody(11025, 1, 8))), f, start, len));
    EXPECT_FALSE(parseWaveImage(riff(chunk("fmt ", fmtBody(11025, 1, 8)) + "JUNK" + le32(0xFFFFFFF0u) + samples), f,
                                start, len));
}

TEST_F(WaveTest, FilesAreReadAsEightBitMonoWhateverTheirFormat) {
    const std::string dir = tempDir();
    std::string stereo16;
    for (int i = 0; i < 10; ++i) stereo16 += std::string("\x00\x40\x00\xC0", 4);  // left +16384, right -16384
    writeText(dir + "/s.wav", riff(chunk("fmt ", fmtBody(22050, 2, 16)) + chunk("data", stereo16)));
    std::string out;
    int rate = 0;
    ASSERT_TRUE(readWave8(dir + "/s.wav", out, rate));
    EXPECT_EQ(rate, 22050);
    ASSERT_EQ(out.size(), 10u);
    EXPECT_EQ(static_cast<unsigned char>(out[0]), 0xC0);  // high byte of the left sample, sign flipped
    EXPECT_EQ(resampleTo11025(out, 22050).size(), 5u);
    writeText(dir + "/bad.wav", riff(chunk("fmt ", fmtBody(11025, 1, 12)) + chunk("data", "abc")));
    EXPECT_FALSE(readWave8(dir + "/bad.wav", out, rate));
    EXPECT_FALSE(readWave8(dir + "/none.wav", out, rate));
    // Random bytes never break the reader.
    std::mt19937 rng(3);
    for (int k = 0; k < 200; ++k) {
        std::string junk = "RIFF" + le32(rng()) + "WAVEfmt ";
        for (int i = 0; i < 64; ++i) junk += char(rng() % 256);
        WaveFormat f;
        size_t start = 0, len = 0;
        if (parseWaveImage(junk, f, start, len)) {
            EXPECT_LE(start + len, junk.size());
        }
    }
}

TEST_F(WaveTest, ShortSoundsArePaddedAndEndOnSilence) {
    InProc p("", "", false);
    const std::string s(100, char(200));
    p.run([&] { playSamples(reinterpret_cast<const uint8_t*>(s.data()), s.size(), 11025, 1, 8); });
    const WaveState& w = waveState();
    EXPECT_EQ(w.lastQueuedLen, 256u);
    const std::vector<uint8_t>& buf = w.buffers[size_t(w.ringIndex)];
    EXPECT_EQ(buf[98], 200);
    EXPECT_EQ(buf[99], 128);   // the last real sample
    EXPECT_EQ(buf[100], 128);  // the padding
    EXPECT_EQ(buf[255], 128);
    // A full buffer keeps its last sample.
    const std::string full(kWaveBufferSize, char(200));
    p.run([&] { playSamples(reinterpret_cast<const uint8_t*>(full.data()), full.size(), 11025, 1, 8); });
    EXPECT_EQ(w.buffers[size_t(w.ringIndex)][kWaveBufferSize - 1], 200);
}

TEST_F(WaveTest, LongSoundsGoOutInPiecesAndTakeTheirTime) {
    InProc p("", "", false);
    const std::string s(5 * 11025, char(150));
    const uint64_t t0 = p.now();
    p.run([&] {
        playSamples(reinterpret_cast<const uint8_t*>(s.data()), s.size(), 11025, 1, 8);
        while (isPlaying()) con::delayMs(10);
    });
    EXPECT_NEAR(double(p.now() - t0), 5000.0, 30.0);
    EXPECT_FALSE(waveState().deviceOpen);  // closed once it ran dry
    EXPECT_EQ(wavePieceSize(100000), kWaveBufferSize);
    EXPECT_EQ(wavePieceSize(65535), 65278u);
    EXPECT_EQ(wavePieceSize(65789), 65278u);
    EXPECT_EQ(wavePieceSize(65790), kWaveBufferSize);
    EXPECT_EQ(wavePieceSize(300), 300u);
}

TEST_F(WaveTest, FastRatePlaysOneAndAHalfTimesFaster) {
    InProc p("", "", false);
    setFastRate(true);
    const std::string s(11025, char(150));
    const uint64_t t0 = p.now();
    p.run([&] {
        playSamples(reinterpret_cast<const uint8_t*>(s.data()), s.size(), 11025, 1, 8);
        while (isPlaying()) con::delayMs(10);
    });
    EXPECT_EQ(waveState().lastOpenRate, 16538);
    EXPECT_NEAR(double(p.now() - t0), 667.0, 20.0);
}

TEST_F(WaveTest, CuttingPeriodsHalvesASteadyTone) {
    const std::string t = tone(110, 11025);
    std::vector<uint8_t> cut = cutPeriods(reinterpret_cast<const uint8_t*>(t.data()), t.size(), 8, 11025);
    EXPECT_GT(cut.size(), 11025u * 4 / 10);
    EXPECT_LT(cut.size(), 11025u * 6 / 10);
    // Under 1000 samples nothing is cut; 16-bit samples become 8-bit.
    EXPECT_EQ(cutPeriods(reinterpret_cast<const uint8_t*>(t.data()), 999, 8, 11025).size(), 999u);
    const std::string s16(1000, '\0');
    EXPECT_EQ(cutPeriods(reinterpret_cast<const uint8_t*>(s16.data()), s16.size(), 16, 22050).size(), 500u);

    InProc p("", "", false);
    setCutPeriods(true);
    const uint64_t t0 = p.now();
    p.run([&] {
        playSamples(reinterpret_cast<const uint8_t*>(t.data()), t.size(), 11025, 1, 8);
        while (isPlaying()) con::delayMs(10);
    });
    EXPECT_NEAR(double(p.now() - t0), 500.0, 100.0);
    // Mono 16-bit sound goes to an 8-bit device when cut.
    std::string t16;
    for (unsigned char c : t) t16 += std::string{'\0', char(c ^ 0x80)};
    p.run([&] { playSamples(reinterpret_cast<const uint8_t*>(t16.data()), t16.size(), 11025, 1, 16); });
    EXPECT_EQ(waveState().lastOpenBits, 8);
}

TEST_F(WaveTest, FilesPlayAndBadFilesReturnMinusOne) {
    const std::string dir = tempDir();
    writeText(dir + "/ok.wav", riff(chunk("fmt ", fmtBody(11025, 1, 8)) + chunk("LIST", "info") +
                                    chunk("data", std::string(11025, char(150)))));
    writeText(dir + "/notriff.wav", "RIFX" + std::string(100, 'x'));
    writeText(dir + "/nofmt.wav", riff(chunk("data", std::string(100, 'x'))));
    InProc p("", "", false);
    int rc = 9;
    const uint64_t t0 = p.now();
    p.run([&] { rc = playFile(dir + "/ok.wav"); });
    EXPECT_EQ(rc, 0);
    EXPECT_NEAR(double(p.now() - t0), 1000.0, 30.0);
    p.run([&] {
        EXPECT_EQ(playFile(dir + "/missing.wav"), -1);
        EXPECT_EQ(playFile(dir + "/notriff.wav"), -1);
        EXPECT_EQ(playFile(dir + "/nofmt.wav"), -1);
    });
}

TEST_F(WaveTest, AKeyStopsALongFileAndStaysInTheBuffer) {
    const std::string dir = tempDir();
    writeText(dir + "/long.wav", riff(chunk("fmt ", fmtBody(11025, 1, 8)) + chunk("data", std::string(10 * 11025, char(150)))));
    InProc p("{wait 500}x", "", false);
    const uint64_t t0 = p.now();
    p.run([&] { playFile(dir + "/long.wav"); });
    EXPECT_GE(p.now() - t0, 500u);
    EXPECT_LE(p.now() - t0, 520u);
    EXPECT_TRUE(con::keyPressed());
    EXPECT_FALSE(waveState().deviceOpen);
    // With a key already waiting nothing starts at all.
    const uint64_t t1 = p.now();
    p.run([&] { EXPECT_EQ(playFile(dir + "/long.wav"), 0); });
    EXPECT_EQ(p.now(), t1);
}

TEST_F(WaveTest, CaptureCollectsSoundAndTheSilenceBetween) {
    InProc p("", "", false);
    const std::string s(1000, char(150));
    std::string got;
    p.run([&] {
        beginCapture();
        playSamples(reinterpret_cast<const uint8_t*>(s.data()), s.size(), 11025, 1, 8);
        con::delayMs(100);
        playSamples(reinterpret_cast<const uint8_t*>(s.data()), s.size(), 22050, 1, 8);
        got = endCapture();
    });
    EXPECT_EQ(got.size(), 1000u + 1102u + 500u);
    EXPECT_EQ(static_cast<unsigned char>(got[1500]), 128);
    EXPECT_FALSE(capturing());
    // The speed-ups shape the file as they would the sound.
    setFastRate(true);
    const std::string second(11025, char(150));
    p.run([&] {
        beginCapture();
        playSamples(reinterpret_cast<const uint8_t*>(second.data()), second.size(), 11025, 1, 8);
        got = endCapture();
    });
    EXPECT_NEAR(double(got.size()), 7350.0, 2.0);
    setFastRate(false);
    setCutPeriods(true);
    const std::string t = tone(110, 11025);
    p.run([&] {
        beginCapture();
        playSamples(reinterpret_cast<const uint8_t*>(t.data()), t.size(), 11025, 1, 8);
        got = endCapture();
    });
    EXPECT_NEAR(double(got.size()), 5512.0, 1100.0);
}

namespace {

TEST_F(WaveTest, CaptureHandsOnItsSamplesInPiecesWhenAsked) {
    InProc p("", "", false);
    std::string s(300000, '\0');
    for (size_t i = 0; i < s.size(); ++i) s[i] = char(128 + int(60 * std::sin(double(i) / 9)));
    std::string whole, spilled, rest;
    size_t pieces = 0;
    p.run([&] {
        beginCapture();
        playSamples(reinterpret_cast<const uint8_t*>(s.data()), s.size(), 22050, 1, 8);
        whole = endCapture();
        beginCapture([&](const std::string& piece) {
            spilled += piece;
            return ++pieces != 2;  // the second piece "fails to be written"
        });
        // In pieces, as a voice plays: the capture never holds the whole sound.
        for (size_t at = 0; at < s.size(); at += 30000) {
            playSamples(reinterpret_cast<const uint8_t*>(s.data()) + at, 30000, 22050, 1, 8);
            EXPECT_LT(waveState().captured.size(), size_t(1 << 16));
        }
        EXPECT_TRUE(waveState().captureSpillFailed);
        rest = endCapture();
    });
    EXPECT_EQ(whole.size(), 150000u);
    EXPECT_GE(pieces, 2u);
    EXPECT_EQ(spilled + rest, whole);
    // A plain capture after it keeps everything again.
    p.run([&] {
        beginCapture();
        playSamples(reinterpret_cast<const uint8_t*>(s.data()), s.size(), 22050, 1, 8);
        rest = endCapture();
    });
    EXPECT_EQ(rest, whole);
}

}  // namespace
