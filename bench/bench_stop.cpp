// How fast a key silences speech: plays a loud tone through the wave playback on the
// audio output the window and terminal fronts use, hands the console a key while it
// sounds, and times the stop.  Reports the device's real buffer and, per trial, the
// time from the key to the queue being dropped and to the first silent buffer the
// device took; sound may go on for at most one device buffer after that.
// The same for espeak-ng speaking inside the program (TIPOSAPI=5), whose samples
// take the same road.  Then, through a private speech-dispatcher on a PulseAudio
// null sink (TIPOSAPI=4): a text handed over to the server's BEGIN and to the first
// sound read back from the sink, and a key to the server's CANCEL and to silence there.
//
//   bench_stop [trials]        (SDL_AUDIODRIVER picks the driver; dummy when none works)
#include <SDL.h>
#include <spawn.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

#include "support/speechd_server.h"
#include "console/config.h"
#include "console/console.h"
#include "console/textwin.h"
#include "support/sink_listener.h"
#include "platform/platform.h"
#include "platform/sdl_audio.h"
#include "speech/sysvoice.h"
#include "speech/sysvoice_kinds.h"
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
    if (v.empty()) {
        std::printf("%-34s no result\n", what);
        return;
    }
    std::sort(v.begin(), v.end());
    std::printf("%-34s median %6.2f ms   max %6.2f ms\n", what, v[v.size() / 2], v.back());
}

const char* kText =
    "Era uma vez um menino que morava numa casa grande perto do rio, e todos os dias ele ia até a "
    "margem olhar os peixes que nadavam devagar entre as pedras.";

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

template <typename F>
bool waitFor(F ready, int ms) {
    for (int i = 0; i < ms * 4 && !ready(); ++i) std::this_thread::sleep_for(std::chrono::microseconds(250));
    return ready();
}

void benchSpeechd(int trials) {
    std::printf("\n-- speech-dispatcher (TIPOSAPI=4), private server on a PulseAudio null sink\n");
    SpeechServer server;
    std::string why;
    if (!server.start(why)) {
        std::printf("skipped: %s\n", why.c_str());
        return;
    }
    setenv("SPEECHD_ADDRESS", server.address().c_str(), 1);
    SinkListener sink;
    const bool listening = sink.start(server.pulseServer());
    if (!speech::sysvoiceOpen(speech::VoiceKind::Server, 0, 0, 0)) {
        std::printf("skipped: %s\n", speech::sysvoiceError().c_str());
        return;
    }
    const std::string text = plat::cp(kText);
    // The first text starts the server's module and the first cancel is slow: warm up.
    speech::sysvoiceSpeak(text);
    sleepMs(400);
    speech::sysvoiceStop();
    sleepMs(300);
    std::vector<double> toBegin, toSound, toCancel, toSilence;
    for (int t = 0; t < trials; ++t) {
        waitFor([&] { return !sink.sounding && !speech::sysvoiceBusy(); }, 3000);
        uint64_t begin = 0, done = 0;
        bool cancelled = false;
        const uint64_t said = plat::audio::nowUs();
        speech::sysvoiceSpeak(text);
        if (waitFor([&] { speech::speechdEventTimes(begin, done, cancelled); return begin > said; }, 3000))
            toBegin.push_back(ms(begin - said));
        if (listening && waitFor([&] { return sink.soundAtUs.load() > said; }, 3000))
            toSound.push_back(ms(sink.soundAtUs.load() - said));
        sleepMs(250 + 11 * (t % 5));
        const uint64_t key = plat::audio::nowUs();
        speech::sysvoiceStop();  // what a key does while the server speaks
        if (waitFor([&] { speech::speechdEventTimes(begin, done, cancelled); return done > key; }, 3000))
            toCancel.push_back(ms(done - key));
        if (listening && waitFor([&] { return sink.silentAtUs.load() > key; }, 3000))
            toSilence.push_back(ms(sink.silentAtUs.load() - key));
    }
    speech::sysvoiceClose();
    unsetenv("SPEECHD_ADDRESS");
    report("text -> server's BEGIN", toBegin);
    report("text -> first sound at the sink", toSound);
    report("key -> server's CANCEL", toCancel);
    report("key -> silence at the sink", toSilence);
    if (!toSound.empty() && !toSilence.empty()) {
        std::sort(toSound.begin(), toSound.end());
        std::sort(toSilence.begin(), toSilence.end());
        const bool met = toSound[toSound.size() / 2] < 30 && toSilence[toSilence.size() / 2] < 30;
        std::printf("goal 30 ms (medians, idle machine): %s\n", met ? "met" : "missed");
    }
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
            return 2;
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

    // One round of trials: `begin` starts the sound and lets it play a while,
    // `cut` is what the program does when it finds a key waiting.
    auto measure = [&](const char* label, const std::function<void(int)>& begin, const std::function<bool()>& cut) {
        std::vector<double> toReset, toSilentBuffer, worst;
        int missed = 0;
        for (int t = 0; t < trials; ++t) {
            begin(t);
            const uint64_t key = plat::audio::nowUs();
            plat::KeyEvent ev;
            ev.id = plat::KeyId::Char;
            ev.vk = 'A';
            ev.ch = 'a';
            con::keyEvent(ev);
            const bool still = cut();
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
        std::printf("\n-- %s\n", label);
        if (toReset.empty()) {
            std::printf("no trial finished: the device never took a silent buffer\n");
            return false;
        }
        std::printf("trials: %zu (%d without a result)\n", toReset.size(), missed);
        report("key -> queue dropped", toReset);
        report("key -> first silent buffer taken", toSilentBuffer);
        report("key -> silent (+ one device buffer)", worst);
        std::sort(worst.begin(), worst.end());
        std::printf("target 15 ms: %s\n", worst.back() <= 15.0 ? "met" : "missed");
        return true;
    };

    const bool own = measure(
        "own voice (wave playback)",
        [&](int t) {
            speech::playSamples(tone.data(), tone.size(), 22050, 1, 16);
            sleepMs(120 + 7 * (t % 5));
        },
        [] { return speech::isPlaying(); });  // a waiting key stops the playback

    // espeak-ng inside the program, reached as the console reaches it.
    bool inProcess = false;
    if (speech::sysvoiceOpen(speech::VoiceKind::Espeak, 1, 0, 0)) {
        con::speechSettings().systemVoice = true;
        con::speechSettings().voiceKind = speech::VoiceKind::Espeak;
        const std::string text = plat::cp(kText);
        std::vector<double> toQueued;
        inProcess = measure(
            "espeak-ng in the program (TIPOSAPI=5)",
            [&](int t) {
                const uint64_t said = plat::audio::nowUs();
                speech::sysvoiceSpeak(text);
                // The program's waits pump, and the pump feeds the voice's samples.
                while (plat::audio::pending() == 0 && plat::audio::nowUs() - said < 2000000) {
                    con::pumpMessages();
                    std::this_thread::sleep_for(std::chrono::microseconds(200));
                }
                toQueued.push_back(ms(plat::audio::nowUs() - said));
                const uint64_t until = plat::audio::nowUs() + uint64_t(120 + 7 * (t % 5)) * 1000;
                while (plat::audio::nowUs() < until) {
                    con::pumpMessages();
                    sleepMs(2);
                }
            },
            [] { return con::isSpeaking(); });
        report("text -> first samples queued", toQueued);
        con::speechSettings().systemVoice = false;
        speech::sysvoiceClose();
    } else {
        std::printf("\n-- espeak-ng: %s\n", speech::sysvoiceError().c_str());
    }
    speech::stopPlayback();
    plat::setFront(nullptr);
    plat::audio::shutdown();

    benchSpeechd(std::min(trials, 10));
    if (!own || !inProcess) return 1;
    return 0;
}
