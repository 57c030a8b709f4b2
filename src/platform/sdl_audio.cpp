// One SDL audio device, opened once and kept running: reopening a device for every
// sound would cost far more than the 10-15 ms a stop may take.  The wave queue is
// converted to the device format when a buffer is queued, so the callback only copies
// and mixes; a stop just empties the queue under the device lock.
#include "platform/sdl_audio.h"

#include "platform/platform.h"

#include <SDL.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace plat {
namespace audio {

namespace {

AudioState gState;

constexpr int kToneRate = 11025;
constexpr int kWantRate = 44100;
// 256 frames at 44.1 kHz is under 6 ms: what is in the device when a stop comes
// is gone well within the 15 ms a user may hear after a key.
constexpr int kWantFrames = 256;

struct DeviceLock {
    explicit DeviceLock(bool on) : on_(on) {
        if (on_) SDL_LockAudioDevice(gState.deviceId);
    }
    ~DeviceLock() {
        if (on_) SDL_UnlockAudioDevice(gState.deviceId);
    }
    bool on_;
};

void SDLCALL callback(void*, Uint8* stream, int len) {
    AudioState& s = gState;
    const int ch = s.deviceChannels > 0 ? s.deviceChannels : 1;
    int16_t* out = reinterpret_cast<int16_t*>(stream);
    const size_t frames = size_t(len) / (sizeof(int16_t) * size_t(ch));
    bool sound = false;
    for (size_t f = 0; f < frames; ++f) {
        int v = 0;
        while (!s.queue.empty() && s.queue.front().pos >= s.queue.front().samples.size()) s.queue.pop_front();
        if (!s.queue.empty()) {
            Chunk& c = s.queue.front();
            v += c.samples[c.pos++];
        }
        if (!s.toneLoop.empty()) {
            v += s.toneLoop[s.tonePos];
            if (++s.tonePos >= s.toneLoop.size()) s.tonePos = 0;
        }
        if (s.beepPos < s.beep.size()) v += s.beep[s.beepPos++];
        v = std::clamp(v, -32768, 32767);
        if (v) sound = true;
        for (int c = 0; c < ch; ++c) out[f * size_t(ch) + size_t(c)] = int16_t(v);
    }
    // a buffer is finished once the device has taken its last sample
    while (!s.queue.empty() && s.queue.front().pos >= s.queue.front().samples.size()) s.queue.pop_front();
    s.callbacks.fetch_add(1);
    if (!sound && s.resetAtUs.load() != 0 && s.silentAtUs.load() == 0) s.silentAtUs.store(nowUs());
}

// The 8-bit tone loop at the device rate, as 16-bit samples.
std::vector<int16_t> toDeviceRate(const std::vector<uint8_t>& src, int srcRate, int dstRate) {
    std::vector<int16_t> out;
    if (src.empty() || srcRate <= 0 || dstRate <= 0) return out;
    size_t n = size_t(double(src.size()) * dstRate / srcRate + 0.5);
    out.resize(n);
    for (size_t i = 0; i < n; ++i) {
        size_t k = size_t(double(i) * srcRate / dstRate);  // nearest below: keeps the square edges
        if (k >= src.size()) k = src.size() - 1;
        out[i] = int16_t((int(src[k]) - 128) * 256);
    }
    return out;
}

}  // namespace

uint64_t nowUs() {
    using namespace std::chrono;
    return uint64_t(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

AudioState& state() { return gState; }

void resamplerInit(Resampler& r, int srcRate, int dstRate) {
    r = Resampler();
    r.step = (srcRate > 0 && dstRate > 0) ? double(srcRate) / double(dstRate) : 1.0;
}

void resample(Resampler& r, const int16_t* in, size_t n, std::vector<int16_t>& out) {
    if (n == 0) return;
    // b[0] is the previous buffer's last sample (when there was one), then `in`
    auto at = [&](size_t k) -> int { return r.havePrev ? (k == 0 ? r.prev : in[k - 1]) : in[k]; };
    const size_t total = n + (r.havePrev ? 1 : 0);
    const double last = double(total - 1);
    out.reserve(out.size() + size_t((last - r.pos) / r.step) + 2);
    while (r.pos < last) {
        size_t k = size_t(r.pos);
        double frac = r.pos - double(k);
        double v = at(k) + (at(k + 1) - at(k)) * frac;
        out.push_back(int16_t(std::lround(v)));
        r.pos += r.step;
    }
    r.pos -= last;  // now relative to the sample that becomes `prev`
    r.prev = in[n - 1];
    r.havePrev = true;
}

std::vector<int16_t> toMono16(const uint8_t* data, size_t len, int bits, int channels) {
    std::vector<int16_t> out;
    if (!data || (bits != 8 && bits != 16) || channels < 1) return out;
    const size_t bytes = size_t(bits / 8);
    const size_t frame = bytes * size_t(channels);
    const size_t frames = len / frame;
    out.resize(frames);
    for (size_t f = 0; f < frames; ++f) {
        const uint8_t* p = data + f * frame;
        int sum = 0;
        for (int c = 0; c < channels; ++c) {
            if (bits == 8) sum += (int(p[c]) - 128) * 256;
            else sum += int16_t(uint16_t(p[2 * c] | (p[2 * c + 1] << 8)));
        }
        out[f] = int16_t(sum / channels);
    }
    return out;
}

std::vector<uint8_t> makeToneLoop(int hz) {
    std::vector<uint8_t> s;
    if (hz <= 0) return s;
    s.assign(kToneRate, 128);
    const double period = double(kToneRate) / hz;
    if (period < 2.0) return s;  // above 5.5 kHz there is nothing to play at this rate
    for (int i = 0; i < kToneRate - 1; ++i) {
        double phase = std::fmod(double(i), period);
        s[size_t(i)] = phase < period / 2 ? 96 : 160;
    }
    s[kToneRate - 1] = 128;
    return s;
}

namespace {
// ALSA reports a missing sound card on stderr, line after line, which would land in
// the user's terminal (or over the terminal front's screen): a machine without sound
// is normal here, and the program says nothing about it.
struct QuietStderr {
    QuietStderr() {
        saved_ = ::dup(STDERR_FILENO);
        int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0) ::dup2(null, STDERR_FILENO);
        if (null >= 0) ::close(null);
    }
    ~QuietStderr() {
        if (saved_ < 0) return;
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
    }
    int saved_;
};
}  // namespace

bool start() {
    AudioState& s = gState;
    if (s.started) return s.device;
    s.started = true;
    QuietStderr quiet;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        s.failure = SDL_GetError();
        return false;
    }
    SDL_AudioSpec want, have;
    SDL_zero(want);
    SDL_zero(have);
    want.freq = kWantRate;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = kWantFrames;
    want.callback = callback;
    SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, &have,
                                               SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
    if (id == 0) {
        s.failure = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    s.deviceId = id;
    s.device = true;
    s.deviceRate = have.freq;
    s.deviceChannels = have.channels;
    s.deviceFrames = have.samples;
    SDL_PauseAudioDevice(id, 0);
    return true;
}

std::string noDeviceText() {
    const std::string why = gState.failure.empty() ? std::string("nenhum dispositivo encontrado") : gState.failure;
    return cp("Sem dispositivo de som: ") + utf8ToCp1252(why);
}

void shutdown() {
    AudioState& s = gState;
    if (s.device) {
        SDL_CloseAudioDevice(s.deviceId);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    } else if (s.started && SDL_WasInit(SDL_INIT_AUDIO)) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    s.started = s.device = false;
    s.failure.clear();
    s.deviceId = 0;
    s.deviceRate = kWantRate;
    s.deviceChannels = 1;
    s.deviceFrames = 0;
    s.sourceOpen = false;
    s.srcRate = s.srcBits = s.srcChannels = 0;
    s.resampler = Resampler();
    s.queue.clear();
    s.toneLoop.clear();
    s.tonePos = 0;
    s.beep.clear();
    s.beepPos = 0;
    s.virtualEnds.clear();
    s.resetAtUs = 0;
    s.silentAtUs = 0;
    s.callbacks = 0;
}

bool openSource(int rate, int bits, int channels) {
    if (rate <= 0 || (bits != 8 && bits != 16) || channels < 1 || channels > 8) return false;
    AudioState& s = gState;
    start();
    DeviceLock lock(s.device);
    s.sourceOpen = true;
    s.srcRate = rate;
    s.srcBits = bits;
    s.srcChannels = channels;
    resamplerInit(s.resampler, rate, s.deviceRate);
    return true;
}

void queue(const uint8_t* data, size_t len) {
    AudioState& s = gState;
    if (!s.sourceOpen) return;
    std::vector<int16_t> mono = toMono16(data, len, s.srcBits, s.srcChannels);
    if (!s.device) {
        const uint64_t now = nowUs();
        uint64_t begin = s.virtualEnds.empty() ? now : std::max(now, s.virtualEnds.back());
        s.virtualEnds.push_back(begin + uint64_t(double(mono.size()) * 1e6 / s.srcRate));
        return;
    }
    Chunk c;
    resample(s.resampler, mono.data(), mono.size(), c.samples);
    DeviceLock lock(true);
    s.queue.push_back(std::move(c));
}

int pending() {
    AudioState& s = gState;
    if (!s.device) {
        const uint64_t now = nowUs();
        while (!s.virtualEnds.empty() && s.virtualEnds.front() <= now) s.virtualEnds.pop_front();
        return int(s.virtualEnds.size());
    }
    DeviceLock lock(true);
    int n = 0;
    for (const Chunk& c : s.queue)
        if (c.pos < c.samples.size() || c.samples.empty()) ++n;
    return n;
}

void reset() {
    AudioState& s = gState;
    s.silentAtUs = 0;
    s.resetAtUs = nowUs();
    s.virtualEnds.clear();
    if (!s.device) return;
    DeviceLock lock(true);
    s.queue.clear();
    resamplerInit(s.resampler, s.srcRate, s.deviceRate);
}

void closeSource() {
    AudioState& s = gState;
    reset();
    s.sourceOpen = false;
}

int deviceBufferFrames() { return gState.device ? gState.deviceFrames : 0; }

void tone(int hz) {
    AudioState& s = gState;
    if (!start() && hz > 0) return;
    std::vector<int16_t> loop = hz > 0 ? toDeviceRate(makeToneLoop(hz), kToneRate, s.deviceRate) : std::vector<int16_t>();
    if (!s.device) return;
    DeviceLock lock(true);
    s.toneLoop.swap(loop);
    s.tonePos = 0;
}

void beep() {
    AudioState& s = gState;
    if (!start()) return;
    // a short 1 kHz square, the same shape and loudness as the Braille tones
    std::vector<int16_t> b = toDeviceRate(makeToneLoop(1000), kToneRate, s.deviceRate);
    b.resize(size_t(s.deviceRate) / 10);
    DeviceLock lock(true);
    s.beep.swap(b);
    s.beepPos = 0;
}

}  // namespace audio
}  // namespace plat
