// How fast a key silences speech: plays a loud tone through the wave playback on the
// audio output the window and terminal fronts use, hands the console a key while it
// sounds, and times the stop.  Reports the device's real buffer and, per trial, the
// time from the key to the queue being dropped and to the first silent buffer the
// device took; sound may go on for at most one device buffer after that.
//
//   bench_stop [trials]        (SDL_AUDIODRIVER picks the driver; dummy when none works)
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "console/textwin.h"
#include "platform/platform.h"
#include "platform/sdl_audio.h"
#include "speech/wave.h"

namespace {

// Only the sound of a front; the screen and keys are the console's model alone.
class SoundOnlyFront : public plat::Front {
public:
    const char* name() const override { return "bench"; }
    bool open(const plat::WindowSettings&) override { return true; }
    void close() override {}
    void invalidate(const plat::ScreenView&, int, int, int) override {}
    void invalidateAll(const plat::ScreenView&) override {}
    void pump() override {}
    void waitForInput() override { sleepMs(5); }
    uint64_t nowMs() override { return plat::audio::nowUs() / 1000; }
    void sleepMs(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    void setTitle(const std::string&) override {}
    bool audioOpen(int rate, int bits, int channels) override { return plat::audio::openSource(rate, bits, channels); }
    void audioQueue(const uint8_t* d, size_t n) override { plat::audio::queue(d, n); }
    int audioPending() override { return plat::audio::pending(); }
    void audioReset() override { plat::audio::reset(); }
    void audioClose() override { plat::audio::closeSource(); }
    int audioDeviceBufferFrames() override { return plat::audio::deviceBufferFrames(); }
    void tone(int hz) override { plat::audio::tone(hz); }
    void clipboardSet(const std::string&) override {}
    std::string clipboardGet() override { return std::string(); }
};

double ms(uint64_t us) { return double(us) / 1000.0; }

void report(const char* what, std::vector<double> v) {
    std::sort(v.begin(), v.end());
    std::printf("%-34s median %6.2f ms   max %6.2f ms\n", what, v[v.size() / 2], v.back());
}

}  // namespace

int main(int argc, char** argv) {
    const int trials = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    bool forcedDummy = false;
    if (!plat::audio::start()) {
        plat::audio::shutdown();
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        forcedDummy = true;
        if (!plat::audio::start()) {
            std::printf("no audio device, not even SDL's dummy driver: nothing to measure\n");
            return 1;
        }
    }
    const plat::audio::AudioState& st = plat::audio::state();
    const double bufferMs = 1000.0 * st.deviceFrames / st.deviceRate;
    std::printf("driver: %s%s\n", SDL_GetCurrentAudioDriver(), forcedDummy ? " (no real device; timing only)" : "");
    std::printf("device: %d Hz, %d channel(s), buffer %d frames = %.2f ms\n", st.deviceRate, st.deviceChannels,
                st.deviceFrames, bufferMs);

    SoundOnlyFront front;
    plat::setFront(&front);
    con::resetTextWindow();

    // one second of a loud 16-bit square at 22050 Hz
    std::vector<uint8_t> tone(22050 * 2);
    for (size_t i = 0; i < tone.size(); i += 2) {
        int16_t v = (i / 2 / 25) % 2 ? 12000 : -12000;
        tone[i] = uint8_t(v & 0xff);
        tone[i + 1] = uint8_t((v >> 8) & 0xff);
    }

    std::vector<double> toReset, toSilentBuffer, worst;
    int missed = 0;
    for (int t = 0; t < trials; ++t) {
        speech::playSamples(tone.data(), tone.size(), 22050, 1, 16);
        std::this_thread::sleep_for(std::chrono::milliseconds(120 + 7 * (t % 5)));
        const uint64_t key = plat::audio::nowUs();
        plat::KeyEvent ev;
        ev.id = plat::KeyId::Char;
        ev.vk = 'A';
        ev.ch = 'a';
        con::keyEvent(ev);
        const bool still = speech::isPlaying();  // a waiting key stops the playback
        const uint64_t stopped = plat::audio::nowUs();
        uint64_t silent = 0;
        for (int i = 0; i < 400 && (silent = st.silentAtUs.load()) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::microseconds(250));
        while (con::tw().keyCount > 0) con::readKey();
        if (still || silent == 0) {
            ++missed;
            continue;
        }
        toReset.push_back(ms(stopped - key));
        toSilentBuffer.push_back(ms(silent - key));
        worst.push_back(ms(silent - key) + bufferMs);
    }
    speech::stopPlayback();
    plat::setFront(nullptr);
    plat::audio::shutdown();
    if (toReset.empty()) {
        std::printf("no trial finished: the device never took a silent buffer\n");
        return 1;
    }
    std::printf("trials: %zu (%d without a result)\n", toReset.size(), missed);
    report("key -> queue dropped", toReset);
    report("key -> first silent buffer taken", toSilentBuffer);
    report("key -> silent (+ one device buffer)", worst);
    std::vector<double> w = worst;
    std::sort(w.begin(), w.end());
    std::printf("target 15 ms: %s\n", w.back() <= 15.0 ? "met" : "missed");
    return 0;
}
