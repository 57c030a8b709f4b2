// espeak-ng inside the process.  A worker thread synthesizes the texts; its
// samples wait here until the program's pump hands them to our own wave
// output, so a key silences espeak-ng exactly as it silences the own voice.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "speech/env.h"
#include "speech/espeak_lib.h"
#include "speech/sysvoice.h"
#include "speech/sysvoice_kinds.h"
#include "speech/wave.h"

namespace speech {

namespace {

// espeak-ng hands over samples in steps of this many milliseconds; a stop is
// noticed by the synthesis at the next step.
constexpr int kStepMs = 50;
// The first piece of a text goes out as soon as it is this long (short, so
// that speech starts at once), later ones when they are this long, and none
// is longer than one wave buffer.
constexpr size_t kFirstPiece = 1024, kPiece = 4096, kMaxPiece = kWaveBufferSize / 2;
// The longest close waits for a text to end.
constexpr int kCloseWaitMs = 30000;

struct EspeakState {
    bool open = false;
    int rate = 22050;
    std::thread worker;
    std::mutex lock;  // guards the fields down to `samples`
    std::condition_variable wake;
    std::deque<std::string> texts;  // UTF-8, waiting for the worker
    bool synthesizing = false;
    bool quit = false;
    uint64_t generation = 0;        // a stop moves it on; older samples are dropped
    std::vector<int16_t> samples;   // made and not yet handed to the wave output
    // main thread only
    bool startOfText = true;        // the next piece is the first of a text
    bool fed = false;               // our samples are in the wave output
    bool pumping = false;

    // A program that ends without closing speech (Ctrl+Break, a test) still
    // ends its worker: a running thread at exit would abort the process.
    ~EspeakState() {
        if (!worker.joinable()) return;
        {
            std::lock_guard<std::mutex> g(lock);
            quit = true;
        }
        wake.notify_one();
        worker.join();
    }
};
EspeakState gEs;

// Every call below is made once startEspeak has loaded the library.
const espeaklib::Api& es() { return *espeaklib::api(); }

// Written and read on the worker thread only: the generation of its text.
uint64_t gWorkerGeneration = 0;

int onSamples(short* wav, int count, espeak_EVENT*) {
    std::lock_guard<std::mutex> g(gEs.lock);
    if (gEs.quit || gEs.generation != gWorkerGeneration) return 1;  // stopped: abandon the text
    if (wav && count > 0) gEs.samples.insert(gEs.samples.end(), wav, wav + count);
    return 0;
}

void workerLoop() {
    for (;;) {
        std::string text;
        {
            std::unique_lock<std::mutex> l(gEs.lock);
            gEs.wake.wait(l, [] { return gEs.quit || !gEs.texts.empty(); });
            if (gEs.quit) return;
            text = std::move(gEs.texts.front());
            gEs.texts.pop_front();
            gEs.synthesizing = true;
            gWorkerGeneration = gEs.generation;
        }
        es().Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
        std::lock_guard<std::mutex> g(gEs.lock);
        gEs.synthesizing = false;
    }
}

// espeak-ng is started once a run and never ended: ending it soon after a
// start can hang in its own event thread, and Ctrl+F4 closes and reopens speech.
int startEspeak() {
    static int sampleRate = 0;
    if (!espeaklib::api()) return 0;
    if (sampleRate <= 0)
        sampleRate = es().Initialize(AUDIO_OUTPUT_SYNCHRONOUS, kStepMs, nullptr, espeakINITIALIZE_DONT_EXIT);
    return sampleRate;
}

bool esOpen(int voice, int rate, int, std::string& why) {
    const int sampleRate = startEspeak();
    if (sampleRate <= 0) {
        why = "não iniciou (faltam os dados do espeak-ng?)";
        return false;
    }
    const espeak_VOICE** voices = es().ListVoices(nullptr);
    std::vector<const espeak_VOICE*> list;
    std::vector<std::string> langs;
    for (size_t i = 0; voices && voices[i]; ++i) {
        list.push_back(voices[i]);
        // languages: a priority byte, then the language name
        const char* l = voices[i]->languages;
        langs.push_back(l && l[0] ? l + 1 : "");
    }
    if (list.empty()) {
        why = "nenhuma voz instalada";
        return false;
    }
    bool clamped = false;
    const espeak_VOICE* v = list[voiceOrder(langs)[voiceIndex(voice, list.size(), clamped)]];
    // A number past the list takes the first voice at its own rate, and a rate
    // the scale does not have is left out.
    if (clamped || rate < -10 || rate > 10) rate = 0;
    if (es().SetVoiceByName(v->name) != EE_OK &&
        (!v->identifier || es().SetVoiceByName(v->identifier) != EE_OK)) {
        why = std::string("a voz ") + v->name + " não abriu";
        return false;
    }
    const int wpm = espeakWordsPerMinute(rate);
    es().SetParameter(espeakRATE, wpm, 0);
    es().SetSynthCallback(onSamples);
    {
        std::lock_guard<std::mutex> g(gEs.lock);
        gEs.texts.clear();
        gEs.samples.clear();
        gEs.quit = false;
        gEs.synthesizing = false;
    }
    gEs.rate = sampleRate;
    gEs.startOfText = true;
    gEs.fed = false;
    gEs.worker = std::thread(workerLoop);
    gEs.open = true;
    noteChosenVoice(v->name, wpm);
    return true;
}

void esSpeak(const std::string& textCp1252) {
    if (!gEs.open) return;
    {
        std::lock_guard<std::mutex> g(gEs.lock);
        gEs.texts.push_back(plat::cp1252ToUtf8(textCp1252));
    }
    gEs.startOfText = true;
    gEs.wake.notify_one();
}

bool esProducing() {
    std::lock_guard<std::mutex> g(gEs.lock);
    return gEs.open && (gEs.synthesizing || !gEs.texts.empty());
}

// Only when the wave output is free for us or already playing our format, and
// has room: the pump never waits.
bool waveHasRoom() {
    const WaveState& w = waveState();
    if (w.capturing) return false;
    if (w.deviceOpen && (w.rate != gEs.rate || w.bits != 16 || w.channels != 1)) return false;
    return !plat::haveFront() || plat::front().audioPending() < w.mostQueued;
}

void esPump() {
    // A waiting key is about to stop us: nothing more goes out before it does.
    if (!gEs.open || gEs.pumping || stopQueued() || !waveHasRoom()) return;
    std::vector<int16_t> piece;
    {
        std::lock_guard<std::mutex> g(gEs.lock);
        const bool allMade = !gEs.synthesizing && gEs.texts.empty();
        const size_t want = gEs.startOfText ? kFirstPiece : kPiece;
        if (gEs.samples.empty() || (gEs.samples.size() < want && !allMade)) return;
        const size_t n = std::min(gEs.samples.size(), kMaxPiece);
        piece.assign(gEs.samples.begin(), gEs.samples.begin() + long(n));
        gEs.samples.erase(gEs.samples.begin(), gEs.samples.begin() + long(n));
    }
    gEs.pumping = true;
    gEs.startOfText = false;
    // The voice has its own rate: the own voice's speed-ups stay out of it.
    const bool fast = waveState().fastRate, cut = cutPeriodsOn();
    setFastRate(false);
    setCutPeriods(false);
    std::vector<uint8_t> bytes(piece.size() * 2);
    for (size_t i = 0; i < piece.size(); ++i) {
        const uint16_t s = uint16_t(piece[i]);
        bytes[2 * i] = uint8_t(s & 0xff);
        bytes[2 * i + 1] = uint8_t(s >> 8);
    }
    playSamples(bytes.data(), bytes.size(), gEs.rate, 1, 16);
    setFastRate(fast);
    setCutPeriods(cut);
    gEs.fed = true;
    gEs.pumping = false;
}

bool esBusy() {
    if (!gEs.open) return false;
    {
        std::lock_guard<std::mutex> g(gEs.lock);
        if (gEs.synthesizing || !gEs.texts.empty() || !gEs.samples.empty()) return true;
    }
    if (gEs.fed && !isPlaying()) gEs.fed = false;
    return gEs.fed;
}

void esStop() {
    if (!gEs.open) return;
    {
        std::lock_guard<std::mutex> g(gEs.lock);
        ++gEs.generation;
        gEs.texts.clear();
        gEs.samples.clear();
    }
    if (gEs.fed) stopPlayback();
    gEs.fed = false;
    gEs.startOfText = true;
}

void esClose() {
    if (!gEs.open) return;
    for (int n = 0; n < kCloseWaitMs / 10 && esBusy(); ++n) {
        esPump();
        delayMs(10);
    }
    esStop();
    {
        std::lock_guard<std::mutex> g(gEs.lock);
        gEs.quit = true;
    }
    gEs.wake.notify_one();
    if (gEs.worker.joinable()) gEs.worker.join();
    gEs.open = false;
}

}  // namespace

const VoiceService& espeakService() {
    static const VoiceService s{"espeak-ng", esOpen, esSpeak, esBusy, esStop, esClose, esProducing, esPump};
    return s;
}

}  // namespace speech
