// The desktop's voice: speech-dispatcher through libspeechd.  One connection
// named "ludivar"; texts go out at text priority, and the server's END and
// CANCEL events (on libspeechd's own thread) tell when they are done.
#include <poll.h>

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "speech/speechd_lib.h"
#include "speech/sysvoice.h"
#include "speech/sysvoice_kinds.h"

namespace speech {

namespace {

// How often a speaking voice checks that the server is still there.
constexpr int kHangupCheckMs = 100;
// The longest close waits for a text to end.
constexpr int kCloseWaitMs = 30000;

// Every call below is made with a connection open, so the library's table is there.
const speechdlib::Api& sd() { return *speechdlib::api(); }

struct Listed {
    std::string name, language;
};

struct SpeechdState {
    SPDConnection* conn = nullptr;
    std::mutex lock;              // guards the fields below (events arrive on another thread)
    std::set<size_t> speaking;    // messages handed over and not yet ended or cancelled
    std::set<size_t> endedEarly;  // events that came before spd_say gave us the id
    size_t cancelledUpTo = 0;     // events for these older messages are stale
    size_t lastId = 0;
    bool lost = false;            // the server went away
    std::chrono::steady_clock::time_point lastHangupCheck;
    // The voice list of a module is long (espeak-ng lists thousands) and slow
    // to fetch: kept for the next opening (Ctrl+F4 reopens speech).
    std::string listedModule;
    std::vector<Listed> listed;

    // A program that ends without closing speech: libspeechd's event thread
    // must not call into this state once it is gone.
    ~SpeechdState() {
        if (conn) sd().close(conn);
    }
};
SpeechdState gSd;

uint64_t nowUs() {
    return uint64_t(std::chrono::duration_cast<std::chrono::microseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count());
}

// Event times for the benchmark: the last BEGIN, and the last END or CANCEL.
uint64_t gBeginUs = 0, gDoneUs = 0;
bool gDoneCancelled = false;

void onEvent(size_t msgId, size_t, SPDNotificationType type) {
    std::lock_guard<std::mutex> g(gSd.lock);
    if (type == SPD_EVENT_BEGIN) {
        gBeginUs = nowUs();
        return;
    }
    gDoneUs = nowUs();
    gDoneCancelled = type == SPD_EVENT_CANCEL;
    if (gSd.speaking.erase(msgId) == 0 && msgId > gSd.cancelledUpTo) gSd.endedEarly.insert(msgId);
}

// libspeechd says nothing when the server dies: the socket does.
void checkHangup() {
    auto now = std::chrono::steady_clock::now();
    if (now - gSd.lastHangupCheck < std::chrono::milliseconds(kHangupCheckMs)) return;
    gSd.lastHangupCheck = now;
    pollfd p{gSd.conn->socket, POLLRDHUP, 0};
    if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLRDHUP | POLLERR | POLLNVAL))) {
        gSd.lost = true;
        gSd.speaking.clear();
    }
}

void fetchVoices() {
    char* module = sd().get_output_module(gSd.conn);
    const std::string mod = module ? module : "";
    std::free(module);
    if (!gSd.listed.empty() && mod == gSd.listedModule) return;
    gSd.listed.clear();
    gSd.listedModule = mod;
    SPDVoice** voices = sd().list_synthesis_voices(gSd.conn);
    for (size_t i = 0; voices && voices[i]; ++i)
        gSd.listed.push_back({voices[i]->name ? voices[i]->name : "", voices[i]->language ? voices[i]->language : ""});
    if (voices) sd().free_voices(voices);
}

bool sdOpen(int voice, int rate, int pitch, std::string& why) {
    // Tests and automation never start a server behind the user's back.
    const bool headless = plat::haveFront() && plat::front().unattended();
    // Without the client library the server cannot be reached: the same as no server.
    if (!speechdlib::api()) {
        why = "sem conexão com o speech-dispatcher";
        return false;
    }
    char* err = nullptr;
    SPDConnection* c = sd().open2("ludivar", "main", nullptr, SPD_MODE_THREADED, nullptr, headless ? 0 : 1, &err);
    if (!c) {
        why = err ? err : "sem conexão com o speech-dispatcher";
        std::free(err);
        return false;
    }
    {
        std::lock_guard<std::mutex> g(gSd.lock);
        gSd.conn = c;
        gSd.speaking.clear();
        gSd.endedEarly.clear();
        gSd.cancelledUpTo = gSd.lastId = 0;
        gSd.lost = false;
    }
    c->callback_begin = c->callback_end = c->callback_cancel = onEvent;
    if (sd().set_notification_on(c, SPD_BEGIN) != 0 || sd().set_notification_on(c, SPD_END) != 0 ||
        sd().set_notification_on(c, SPD_CANCEL) != 0) {
        why = "o speech-dispatcher não avisa o fim da fala";
        sd().close(c);
        gSd.conn = nullptr;
        return false;
    }
    sd().set_language(c, "pt-BR");
    std::string name;
    if (voice >= 1) {
        fetchVoices();
        std::vector<std::string> langs;
        for (const Listed& l : gSd.listed) langs.push_back(l.language);
        if (!langs.empty()) {
            bool clamped = false;
            const size_t k = voiceOrder(langs)[voiceIndex(voice, langs.size(), clamped)];
            name = gSd.listed[k].name;
            sd().set_synthesis_voice(c, name.c_str());
        }
    }
    // 0 keeps what the user gave the desktop.
    const int r = rate != 0 ? speechdScale(rate) : 0;
    if (r != 0) sd().set_voice_rate(c, r);
    if (pitch != 0) sd().set_voice_pitch(c, speechdScale(pitch));
    noteChosenVoice(name, r);
    return true;
}

void sdStop() {
    if (!gSd.conn) return;
    {
        std::lock_guard<std::mutex> g(gSd.lock);
        if (gSd.speaking.empty() || gSd.lost) return;
    }
    sd().cancel(gSd.conn);
    std::lock_guard<std::mutex> g(gSd.lock);
    gSd.cancelledUpTo = gSd.lastId;
    gSd.speaking.clear();
    gSd.endedEarly.clear();
}

void sdSpeak(const std::string& textCp1252) {
    if (!gSd.conn || gSd.lost) return;
    const std::string utf8 = plat::cp1252ToUtf8(textCp1252);
    const int id = sd().say(gSd.conn, SPD_TEXT, utf8.c_str());
    if (id < 0) {
        // What cannot be said is dropped, and nothing stays half-said.
        sdStop();
        std::lock_guard<std::mutex> g(gSd.lock);
        gSd.lastHangupCheck = {};
        checkHangup();
        return;
    }
    std::lock_guard<std::mutex> g(gSd.lock);
    const size_t msg = size_t(id);
    if (msg > gSd.lastId) gSd.lastId = msg;
    if (gSd.endedEarly.erase(msg) == 0) gSd.speaking.insert(msg);
}

bool sdBusy() {
    if (!gSd.conn) return false;
    std::lock_guard<std::mutex> g(gSd.lock);
    if (gSd.speaking.empty()) return false;
    checkHangup();
    return !gSd.speaking.empty();
}

void sdClose() {
    if (!gSd.conn) return;
    // Whatever is still being said is heard to its end (a server that stalls
    // does not keep the program from ending).
    for (int n = 0; n < kCloseWaitMs / 20 && sdBusy(); ++n) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    sd().close(gSd.conn);
    std::lock_guard<std::mutex> g(gSd.lock);
    gSd.conn = nullptr;
    gSd.speaking.clear();
}

}  // namespace

bool speechdLost() {
    std::lock_guard<std::mutex> g(gSd.lock);
    if (gSd.conn && !gSd.lost) checkHangup();
    return gSd.conn && gSd.lost;
}

void speechdEventTimes(uint64_t& beginUs, uint64_t& doneUs, bool& cancelled) {
    std::lock_guard<std::mutex> g(gSd.lock);
    beginUs = gBeginUs;
    doneUs = gDoneUs;
    cancelled = gDoneCancelled;
}

const VoiceService& speechdService() {
    static const VoiceService s{"speech-dispatcher", sdOpen, sdSpeak, sdBusy, sdStop, sdClose, sdBusy, nullptr};
    return s;
}

}  // namespace speech
