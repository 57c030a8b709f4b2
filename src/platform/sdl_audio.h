// Sound output of the window and terminal fronts: one SDL audio device with a small
// buffer, fed by a callback that plays a queue of PCM buffers and mixes in the
// looping tone and the system beep.  Without a device it keeps time instead:
// buffers "finish" after their real duration, so waits on speech still end.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

struct SRC_STATE_tag;

namespace plat {
namespace audio {

// Band-limited resampler to the device rate (a windowed-sinc filter): a linear one
// leaves mirror images of the speech band 30 dB down, heard as a metallic edge.  Its
// state runs from one buffer to the next, so buffer joins stay seamless; equal rates
// pass through untouched.
struct SrcFree {
    void operator()(SRC_STATE_tag* s) const;
};
struct Resampler {
    double ratio = 1.0;  // output samples per source sample
    std::unique_ptr<SRC_STATE_tag, SrcFree> src;
    std::vector<float> in, out;
};
void resamplerInit(Resampler& r, int srcRate, int dstRate);
// Appends the resampled form of `in` (mono) to `out`.  The filter holds back a few
// milliseconds of what it was given; resamplerTail gives them.
void resample(Resampler& r, const int16_t* in, size_t n, std::vector<int16_t>& out);
// What the filter still holds, as though silence followed (the state is unchanged).
void resamplerTail(const Resampler& r, std::vector<int16_t>& out);

// Source PCM (8-bit unsigned or 16-bit signed little endian, 1 or 2 channels) as mono
// 16-bit.  A trailing partial frame is ignored.
std::vector<int16_t> toMono16(const uint8_t* data, size_t len, int bits, int channels);

// One second of the square tone at 11025 samples per second, 8-bit: each period of
// 11025 / hz samples is half low (96) and half high (160); the last sample is 128.
std::vector<uint8_t> makeToneLoop(int hz);

struct Chunk {
    std::vector<int16_t> samples;  // mono, device rate
    size_t pos = 0;
    bool tail = false;  // the filter's held-back end, replaced by the next buffer
};

struct AudioState {
    bool started = false;
    bool device = false;          // a real (or SDL dummy) device is open
    uint32_t deviceId = 0;
    std::string failure;          // why no device opened
    int deviceRate = 44100, deviceChannels = 1, deviceFrames = 0;

    // source format of the wave queue
    bool sourceOpen = false;
    int srcRate = 0, srcBits = 0, srcChannels = 0;
    Resampler resampler;

    // shared with the audio callback (guarded by the device lock)
    std::deque<Chunk> queue;
    std::vector<int16_t> toneLoop;   // at device rate; empty when off
    size_t tonePos = 0;
    std::vector<int16_t> beep;
    size_t beepPos = 0;

    // without a device: when each queued buffer ends, in ms of steady time
    std::deque<uint64_t> virtualEnds;

    // stop latency measurement (the benchmark reads these)
    std::atomic<uint64_t> resetAtUs{0};
    std::atomic<uint64_t> silentAtUs{0};
    std::atomic<uint64_t> callbacks{0};
};
AudioState& state();

// Opens the device on first use; false (and virtual timing) when there is none.
bool start();
// "Sem dispositivo de som: " and why, after start() failed (CP1252).
std::string noDeviceText();
void shutdown();   // closes the device and forgets everything (also used by tests)

bool openSource(int rate, int bits, int channels);
void queue(const uint8_t* data, size_t len);
int pending();
void reset();      // drops every queued buffer at once
void closeSource();
int deviceBufferFrames();
void tone(int hz); // 0 stops it
void beep();

uint64_t nowUs();  // steady clock

}  // namespace audio
}  // namespace plat
