// One SDL audio device, opened once and kept running: reopening a device for every
// sound would cost far more than the 10-15 ms a stop may take.  The wave queue is
// converted to the device format when a buffer is queued, so the callback only copies
// and mixes; a stop just empties the queue under the device lock.
#include "platform/sdl_audio.h"

#include "platform/platform.h"

#include <SDL.h>
#include <samplerate.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

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

void SrcFree::operator()(SRC_STATE_tag* st) const { src_delete(st); }

void resamplerInit(Resampler& r, int srcRate, int dstRate) {
    r = Resampler();
    if (srcRate <= 0 || dstRate <= 0 || srcRate == dstRate) return;
    r.ratio = double(dstRate) / double(srcRate);
    int err = 0;
    // The medium sinc keeps the band flat to 90% of the source's half rate (the
    // fastest one is 3 dB down at 80%) and puts the images 90 dB down; the best
    // one costs several times as much for nothing a listener hears.
    r.src.reset(src_new(SRC_SINC_MEDIUM_QUALITY, 1, &err));
    if (!r.src) r.ratio = 1.0;
}

namespace {
// Runs `in` (float) through `st`, appending to `out`; `last` flushes what the filter holds.
void runFilter(SRC_STATE_tag* st, double ratio, const std::vector<float>& in, bool last, std::vector<float>& outBuf,
               std::vector<int16_t>& out) {
    size_t done = 0;
    for (;;) {
        const size_t room = size_t(double(in.size() - done) * ratio) + 256;
        if (outBuf.size() < room) outBuf.resize(room);
        SRC_DATA d;
        std::memset(&d, 0, sizeof d);
        static const float none = 0;  // the library refuses a null input even when it takes nothing
        d.data_in = in.empty() ? &none : in.data() + done;
        d.input_frames = long(in.size() - done);
        d.data_out = outBuf.data();
        d.output_frames = long(outBuf.size());
        d.end_of_input = last ? 1 : 0;
        d.src_ratio = ratio;
        if (src_process(st, &d) != 0) return;
        done += size_t(d.input_frames_used);
        if (d.output_frames_gen > 0) {
            const size_t at = out.size();
            out.resize(at + size_t(d.output_frames_gen));
            src_float_to_short_array(outBuf.data(), out.data() + at, int(d.output_frames_gen));
        }
        if (done >= in.size() && (d.output_frames_gen == 0 || !last)) return;
    }
}
}  // namespace

void resample(Resampler& r, const int16_t* in, size_t n, std::vector<int16_t>& out) {
    if (n == 0) return;
    if (!r.src) {
        out.insert(out.end(), in, in + n);
        return;
    }
    r.in.resize(n);
    src_short_to_float_array(in, r.in.data(), int(n));
    runFilter(r.src.get(), r.ratio, r.in, false, r.out, out);
}

void resamplerTail(const Resampler& r, std::vector<int16_t>& out) {
    if (!r.src) return;
    int err = 0;
    std::unique_ptr<SRC_STATE_tag, SrcFree> copy(src_clone(r.src.get(), &err));
    if (!copy) return;
    std::vector<float> none, buf;
    runFilter(copy.get(), r.ratio, none, true, buf, out);
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
    Chunk c, tail;
    resample(s.resampler, mono.data(), mono.size(), c.samples);
    // The filter's end goes out after this buffer unless another buffer follows in time;
    // where the device already began it, the new samples take up from there.
    resamplerTail(s.resampler, tail.samples);
    tail.tail = true;
    DeviceLock lock(true);
    if (!s.queue.empty() && s.queue.back().tail) {
        c.pos = std::min(s.queue.back().pos, c.samples.size());
        s.queue.pop_back();
    }
    s.queue.push_back(std::move(c));
    if (!tail.samples.empty()) s.queue.push_back(std::move(tail));
}

int pending() {
    AudioState& s = gState;
    if (!s.device) {
        const uint64_t now = nowUs();
        while (!s.virtualEnds.empty() && s.virtualEnds.front() <= now) s.virtualEnds.pop_front();
        return int(s.virtualEnds.size());
    }
    DeviceLock lock(true);
    // The tail counts only when nothing else is left to play.
    int n = 0;
    bool tail = false;
    for (const Chunk& c : s.queue)
        if (c.pos < c.samples.size() || c.samples.empty()) {
            if (c.tail) tail = true;
            else ++n;
        }
    return n == 0 && tail ? 1 : n;
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
