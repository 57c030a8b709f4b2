// Sound output of the window and terminal fronts: one SDL audio device with a small
// buffer, fed by a callback that plays a queue of PCM buffers and mixes in the
// looping tone and the system beep.  Without a device it keeps time instead:
// buffers "finish" after their real duration, so waits on speech still end.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace plat {
namespace audio {

// Linear-interpolating resampler to the device rate, carrying its position and last
// sample from one buffer to the next so that buffer joins stay seamless.
struct Resampler {
    double step = 1.0;   // source samples per output sample
    double pos = 0.0;    // next output position, relative to `prev` (index 0)
    int16_t prev = 0;
    bool havePrev = false;
};
void resamplerInit(Resampler& r, int srcRate, int dstRate);
// Appends the resampled form of `in` (mono) to `out`.
void resample(Resampler& r, const int16_t* in, size_t n, std::vector<int16_t>& out);

// Source PCM (8-bit unsigned or 16-bit signed little endian, 1 or 2 channels) as mono
// 16-bit.  A trailing partial frame is ignored.
std::vector<int16_t> toMono16(const uint8_t* data, size_t len, int bits, int channels);

// One second of the square tone at 11025 samples per second, 8-bit: each period of
// 11025 / hz samples is half low (96) and half high (160); the last sample is 128.
std::vector<uint8_t> makeToneLoop(int hz);

struct Chunk {
    std::vector<int16_t> samples;  // mono, device rate
    size_t pos = 0;
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
