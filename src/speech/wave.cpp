// Wave playback over the platform's audio queue.  The front copies each buffer
// it is given, so the ring here only serves to pad and patch a piece before it
// goes out; the count of buffers in flight is the front's.
#include "speech/wave.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/platform.h"
#include "speech/env.h"
#include "speech/speak.h"

namespace speech {

namespace {

WaveState gWave;

// A front may be missing (tools, some unit tests): then nothing sounds.
bool haveDevice() { return plat::haveFront(); }

int pending() { return haveDevice() ? plat::front().audioPending() : 0; }


void closeDevice() {
    if (gWave.deviceOpen && haveDevice()) plat::front().audioClose();
    gWave.deviceOpen = false;
}

// Waits while the device plays; keys typed meanwhile stay in the key buffer.
void waitWhilePlaying() {
    while (isPlaying()) delayMs(10);
}

// Error codes in the manner of the wave-out device.
constexpr int kErrNoDevice = 2;

int openDevice(int rate, int bits, int channels) {
    if (gWave.deviceOpen && (gWave.rate != rate || gWave.bits != bits || gWave.channels != channels)) {
        waitWhilePlaying();
        if (gWave.deviceOpen) stopPlayback();
    }
    if (gWave.deviceOpen) return 0;
    if (!haveDevice()) return kErrNoDevice;
    // No retries: a front without a sound card would otherwise stall every sound.
    if (!plat::front().audioOpen(rate, bits, channels)) return kErrNoDevice;
    gWave.deviceOpen = true;
    gWave.rate = rate;
    gWave.bits = bits;
    gWave.channels = channels;
    gWave.lastOpenRate = rate;
    gWave.lastOpenBits = bits;
    return 0;
}

// Hands one piece to the device through the next ring buffer.
bool queuePiece(const uint8_t* data, size_t len, int bits, int channels) {
    for (int round = 0; pending() >= gWave.mostQueued; ++round) {
        if (round >= 40) return false;
        pump();
        delayMs(50);
    }
    gWave.ringIndex = (gWave.ringIndex + 1) % kRingSize;
    std::vector<uint8_t>& buf = gWave.buffers[gWave.ringIndex];
    if (buf.size() < kWaveBufferSize) buf.resize(kWaveBufferSize);
    len = std::min(len, kWaveBufferSize);
    std::memcpy(buf.data(), data, len);
    const bool mono8 = bits == 8 && channels == 1;
    // Short sounds are padded so the device never gets a click-sized buffer;
    // the padding is silence of the sample format.
    size_t outLen = std::max<size_t>(len, 256);
    std::memset(buf.data() + len, bits == 8 ? 128 : 0, outLen - len);
    // Ending on the middle value avoids a click when the device stops.
    if (mono8 && len > 0 && len != kWaveBufferSize) buf[len - 1] = 128;
    gWave.lastQueuedLen = outLen;
    if (haveDevice()) plat::front().audioQueue(buf.data(), outLen);
    return true;
}

uint64_t clockMs() { return haveDevice() ? plat::front().nowMs() : 0; }

// Keeps the silence of any wait since the last captured sound.
void captureGap() {
    const uint64_t now = clockMs();
    if (now > gWave.captureClockMs) {
        uint64_t ms = std::min<uint64_t>(now - gWave.captureClockMs, 60000);
        gWave.captured.append(size_t(ms * 11025 / 1000), char(128));
    }
    gWave.captureClockMs = now;
}

constexpr size_t kSpillPiece = 1 << 16;

void spillCaptured() {
    if (!gWave.captureSpill || gWave.captured.size() < kSpillPiece) return;
    if (!gWave.captureSpill(gWave.captured)) gWave.captureSpillFailed = true;
    gWave.captured.clear();
}

// Appends samples converted to 8-bit mono 11025 Hz (nearest sample).
void captureSamples(const uint8_t* data, size_t len, int rate, int channels, int bits) {
    captureGap();
    const size_t frame = size_t(channels) * size_t(bits / 8);
    if (frame == 0 || rate <= 0) return;
    const size_t frames = len / frame;
    const size_t outFrames = size_t(uint64_t(frames) * 11025 / uint64_t(rate));
    for (size_t i = 0; i < outFrames; ++i) {
        size_t src = size_t(uint64_t(i) * uint64_t(rate) / 11025);
        if (src >= frames) break;
        const uint8_t* s = data + src * frame;
        gWave.captured += char(bits == 8 ? s[0] : uint8_t(s[1] ^ 0x80));
    }
    spillCaptured();
}

}  // namespace

WaveState& waveState() { return gWave; }

size_t wavePieceSize(uint64_t remaining) {
    if (remaining >= 65535 && remaining <= 65789) return 65278;
    return size_t(std::min<uint64_t>(remaining, kWaveBufferSize));
}

void beginCapture() { beginCapture(nullptr); }

void beginCapture(std::function<bool(const std::string&)> spill) {
    stopPlayback();
    gWave.capturing = true;
    gWave.captured.clear();
    gWave.captureSpill = std::move(spill);
    gWave.captureSpillFailed = false;
    gWave.captureClockMs = clockMs();
}

std::string endCapture() {
    if (gWave.capturing) captureGap();
    gWave.capturing = false;
    gWave.captureSpill = nullptr;
    std::string out;
    out.swap(gWave.captured);
    return out;
}

bool capturing() { return gWave.capturing; }

void resetWave() {
    closeDevice();
    WaveState fresh;
    fresh.buffers = std::move(gWave.buffers);
    gWave = std::move(fresh);
}

bool isPlaying() {
    if (gWave.capturing) return false;
    pump();
    if (gWave.deviceOpen) {
        const bool keyStop = shouldStop();
        if (keyStop || pending() == 0) stopPlayback();
    }
    return gWave.deviceOpen && pending() > 0;
}

void stopPlayback() {
    if (!gWave.deviceOpen) return;
    if (pending() > 0 && haveDevice()) plat::front().audioReset();
    pump();
    closeDevice();
    pump();
}

void setFastRate(bool on) { gWave.fastRate = on; }
void setCutPeriods(bool on) { gWave.cutPeriods = on; }
bool cutPeriodsOn() { return gWave.cutPeriods; }
void setKeyInterrupts(bool on) { gWave.keyInterrupts = on; }

std::vector<uint8_t> cutPeriods(const uint8_t* data, size_t len, int bits, int rate) {
    std::vector<uint8_t> s;
    if (bits == 16) {
        s.resize(len / 2);
        for (size_t i = 0; i < s.size(); ++i) s[i] = uint8_t(data[2 * i + 1] ^ 0x80);
    } else {
        s.assign(data, data + len);
    }
    const size_t n = s.size();
    if (n < 1000) return s;
    const size_t start = rate == 11025 ? 200 : 800;
    const size_t minPeriod = rate == 11025 ? 80 : 320;
    const size_t window = rate == 11025 ? 50 : 200;
    const size_t span = window + minPeriod;
    if (n <= start + span || n < 2 * span) return s;

    auto highest = [&](size_t from, size_t to) {
        size_t best = from;
        for (size_t i = from + 1; i <= to; ++i)
            if (s[i] > s[best]) best = i;
        return best;
    };
    size_t read = highest(start, start + span);
    size_t write = read;
    bool cut = false;
    while (read < n - 2 * span) {
        size_t a = highest(read + minPeriod, read + minPeriod + window);
        size_t b = highest(a + minPeriod, a + minPeriod + window);
        std::memmove(&s[write], &s[a], b - a + 1);
        write += b - a + 1;
        read = b;
        cut = true;
    }
    // The peak at `read` was copied already; go on to a quiet sample so the
    // piece does not end on a click.
    if (cut) ++read;
    while (read < n) {
        s[write++] = s[read++];
        if (std::abs(int(s[write - 1]) - 128) <= 20) break;
    }
    s.resize(write);
    return s;
}

namespace {
WaveSink gSink;
}  // namespace

void setWaveSink(WaveSink sink) { gSink = std::move(sink); }

int playSamples(const uint8_t* data, size_t len, int rate, int channels, int bits) {
    if (gSink) {
        gSink(data, len, rate, channels, bits);
        return 0;
    }
    if (gWave.fastRate) rate = int(std::lround(rate * 1.5));
    const bool cutting = gWave.cutPeriods && channels == 1;
    if (gWave.capturing) {
        // The file gets what the device would have played, speed-ups included.
        if (bits != 8 && bits != 16) return 0;
        if (!cutting) {
            captureSamples(data, len, rate, channels, bits);
            return 0;
        }
        for (size_t at = 0; at < len;) {
            size_t piece = std::min(len - at, kWaveBufferSize);
            if (bits == 16) piece &= ~size_t(1);
            if (piece == 0) break;
            std::vector<uint8_t> c = cutPeriods(data + at, piece, bits, rate);
            captureSamples(c.data(), c.size(), rate, 1, 8);
            at += piece;
        }
        return 0;
    }
    const int deviceBits = cutting ? 8 : bits;
    int err = openDevice(rate, deviceBits, channels);
    if (err) return err;
    size_t at = 0;
    while (at < len) {
        while (pending() >= gWave.mostQueued) {
            if (shouldStop()) {
                stopPlayback();
                return 0;
            }
            delayMs(10);
        }
        size_t piece = std::min(len - at, kWaveBufferSize);
        if (cutting) {
            // The cutter needs whole 16-bit samples.
            if (bits == 16) piece &= ~size_t(1);
            if (piece == 0) break;
            std::vector<uint8_t> cutPiece = cutPeriods(data + at, piece, bits, rate);
            if (!cutPiece.empty() && !queuePiece(cutPiece.data(), cutPiece.size(), 8, channels)) return 0;
        } else if (!queuePiece(data + at, piece, bits, channels)) {
            return 0;
        }
        at += piece;
    }
    return 0;
}

int playFile(const std::string& linuxPath) {
    if (shouldStop()) return 0;
    FILE* f = std::fopen(linuxPath.c_str(), "rb");
    if (!f) return -1;
    auto fail = [&]() {
        std::fclose(f);
        return -1;
    };
    uint8_t head[12];
    if (std::fread(head, 1, 12, f) != 12 || !waveTagIs(head, "RIFF")) return fail();
    uint8_t ch[8];
    if (std::fread(ch, 1, 8, f) != 8 || !waveTagIs(ch, "fmt ")) return fail();
    uint32_t fmtLen = waveLe32(ch + 4);
    if (fmtLen < 16 || fmtLen > 4096) return fail();
    uint8_t fmtBuf[4096];
    if (std::fread(fmtBuf, 1, fmtLen, f) != fmtLen) return fail();
    const int channels = waveLe16(fmtBuf + 2);
    const int rate = int(waveLe32(fmtBuf + 4));
    const int bits = waveLe16(fmtBuf + 14);
    if ((bits != 8 && bits != 16) || channels < 1 || channels > 2 || rate < 1000 || rate > 192000) return fail();
    if (fmtLen & 1) std::fgetc(f);

    static std::vector<uint8_t> readBuf(kWaveBufferSize);
    int result = 0;
    while (std::fread(ch, 1, 8, f) == 8) {
        uint32_t len = waveLe32(ch + 4);
        if (!waveTagIs(ch, "data")) {
            // RIFF chunks are word-aligned: an odd chunk carries a pad byte.
            if (std::fseek(f, long(len) + long(len & 1), SEEK_CUR) != 0) break;
            continue;
        }
        uint64_t remaining = len;
        bool stop = false;
        while (remaining > 0 && !stop) {
            size_t want = wavePieceSize(remaining);
            size_t got = std::fread(readBuf.data(), 1, want, f);
            if (got > 0) {
                int err = playSamples(readBuf.data(), got, rate, channels, bits);
                if (err) {
                    result = err;
                    stop = true;
                }
            }
            remaining -= got;
            if (got < want) stop = true;
            if (shouldStop()) stop = true;
        }
        break;
    }
    std::fclose(f);
    waitWhilePlaying();
    return result;
}

void playWaveBuffer(const std::string& image) {
    WaveFormat fmt;
    size_t start = 0, len = 0;
    if (!parseWaveImage(image, fmt, start, len)) return;
    if ((fmt.bits != 8 && fmt.bits != 16) || fmt.channels < 1 || fmt.channels > 2 || fmt.rate <= 0) return;
    playSamples(reinterpret_cast<const uint8_t*>(image.data()) + start, len, fmt.rate, fmt.channels, fmt.bits);
    if (gWave.capturing) return;
    while (isSpeaking()) delayMs(10);
}

}  // namespace speech
