// Media players behind the MCI layer: libmpv for the window and terminal fronts,
// a virtual clock for the headless front (no sound device, the file's real
// duration in virtual time).
#include "platform/media.h"

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>

#include "platform/mpv_lib.h"
#include "platform/platform.h"

namespace plat {

namespace {

struct Player {
    std::string path;
    MediaInfo info;
    uint64_t window = 0;
    bool playing = false;
    bool ended = false;   // played to the end, not yet reported
    bool atEnd = false;   // the position sits at the end
    double posMs = 0;     // position when last paused (virtual and real)
    uint64_t startedAt = 0;  // virtual: clock when play started
    mpv_handle* mpv = nullptr;
    bool loaded = false;  // real: the file is loaded in mpv
};

struct MediaState {
    std::map<int, Player> players;
    int nextId = 1;
};

MediaState& state() {
    static MediaState s;
    return s;
}

uint64_t clockMs() {
    if (haveFront()) return front().nowMs();
    using namespace std::chrono;
    return uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

Player* find(int id) {
    auto it = state().players.find(id);
    return it == state().players.end() ? nullptr : &it->second;
}

uint32_t le32(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
uint16_t le16(const unsigned char* p) { return uint16_t(p[0] | (p[1] << 8)); }

// RIFF/WAVE: the length comes from the data chunk and the byte rate.  Gives
// false when the file is not a WAV file at all; a WAV file without a usable
// format or data chunk is "probed" but unplayable (info stays empty, ok false).
bool probeWav(const std::string& path, MediaInfo& info, bool& isWav) {
    isWav = false;
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    unsigned char hdr[12];
    if (!f.read(reinterpret_cast<char*>(hdr), 12)) return false;
    if (std::memcmp(hdr, "RIFF", 4) != 0 || std::memcmp(hdr + 8, "WAVE", 4) != 0) return false;
    isWav = true;
    uint32_t byteRate = 0;
    uint16_t formatTag = 0;
    for (int guard = 0; guard < 64; ++guard) {
        unsigned char ch[8];
        if (!f.read(reinterpret_cast<char*>(ch), 8)) return false;
        uint32_t size = le32(ch + 4);
        if (std::memcmp(ch, "fmt ", 4) == 0) {
            unsigned char fmt[16];
            if (size < 16 || !f.read(reinterpret_cast<char*>(fmt), 16)) return false;
            formatTag = le16(fmt);
            byteRate = le32(fmt + 8);
            f.seekg(std::streamoff(size - 16 + (size & 1)), std::ios::cur);
        } else if (std::memcmp(ch, "data", 4) == 0) {
            if (byteRate == 0 || formatTag == 0) return false;
            // A data chunk that claims more than the file holds (a cut recording)
            // lasts as long as what is there.
            std::streamoff here = f.tellg();
            f.seekg(0, std::ios::end);
            std::streamoff avail = f.tellg() - here;
            double bytes = std::min<double>(size, double(avail < 0 ? 0 : avail));
            info.durationMs = bytes * 1000.0 / byteRate;
            info.hasVideo = false;
            return true;
        } else {
            f.seekg(std::streamoff(size + (size & 1)), std::ios::cur);
        }
        if (!f) return false;
    }
    return false;
}

// A machine without a sound card is normal here, but ALSA says so on stderr,
// line after line, from mpv's audio thread: over the terminal front's screen.
// Its error handler is process-wide; mpv brings the library in, so it is found
// without linking to it.
void silentAlsa(const char*, int, const char*, int, const char*, ...) {}

void quietAlsa() {
    static bool done = false;
    if (done) return;
    done = true;
    void* lib = dlopen("libasound.so.2", RTLD_NOW | RTLD_NOLOAD);
    if (!lib) return;
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetHandler = int (*)(Handler);
    if (auto set = reinterpret_cast<SetHandler>(dlsym(lib, "snd_lib_error_set_handler"))) set(silentAlsa);
    dlclose(lib);
}

// Every call below is made with a handle from newMpv, so the table is loaded.
const mpvlib::Api& mpv() { return *mpvlib::api(); }

// mpv refuses to start unless numbers are formatted the C way.
void cNumericLocale() { std::setlocale(LC_NUMERIC, "C"); }

mpv_handle* newMpv(bool audio, uint64_t window) {
    // Without libmpv a medium cannot be played, as when mpv refuses the file.
    if (!mpvlib::api()) return nullptr;
    cNumericLocale();
    mpv_handle* h = mpv().create();
    if (!h) return nullptr;
    mpv().set_option_string(h, "terminal", "no");
    mpv().set_option_string(h, "config", "no");
    // Local files only: a game's playlist (.m3u, .m3u8, .pls, .cue) must not make
    // the player fetch the addresses it lists, and nothing runs scripts or
    // helper programs on the media's behalf.
    mpv().set_option_string(h, "load-scripts", "no");
    mpv().set_option_string(h, "ytdl", "no");
    mpv().set_option_string(h, "access-references", "no");
    mpv().set_option_string(h, "load-unsafe-playlists", "no");
    mpv().set_option_string(h, "demuxer-lavf-o", "protocol_whitelist=file");
    mpv().set_option_string(h, "stream-lavf-o", "protocol_whitelist=file");
    mpv().set_option_string(h, "osc", "no");
    mpv().set_option_string(h, "input-default-bindings", "no");
    mpv().set_option_string(h, "input-vo-keyboard", "no");
    mpv().set_option_string(h, "audio-display", "no");
    mpv().set_option_string(h, "keep-open", "yes");
    mpv().set_option_string(h, "idle", "yes");
    mpv().set_option_string(h, "pause", "yes");
    if (!audio) {
        mpv().set_option_string(h, "ao", "null");
    } else {
        // PulseAudio (or PipeWire's Pulse service), else ALSA: the PipeWire
        // client itself writes its complaints to stderr when no daemon runs.
        mpv().set_option_string(h, "ao", "pulse,alsa");
        quietAlsa();
    }
    if (window) {
        int64_t wid = int64_t(window);
        mpv().set_option(h, "wid", MPV_FORMAT_INT64, &wid);
    } else {
        mpv().set_option_string(h, "vo", "null");
    }
    if (mpv().initialize(h) < 0) {
        mpv().terminate_destroy(h);
        return nullptr;
    }
    return h;
}

bool loadFile(mpv_handle* h, const std::string& path) {
    // A relative name such as "http:x" or "av:..." must stay a file name.
    std::string local = !path.empty() && path[0] == '/' ? path : "./" + path;
    const char* cmd[] = {"loadfile", local.c_str(), nullptr};
    return mpv().command(h, cmd) >= 0;
}

// Waits (real time, bounded) until mpv has the file loaded or has given up.
bool waitLoaded(mpv_handle* h, double timeoutS) {
    auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutS);
    while (std::chrono::steady_clock::now() < until) {
        mpv_event* ev = mpv().wait_event(h, 0.05);
        if (ev->event_id == MPV_EVENT_FILE_LOADED) return true;
        if (ev->event_id == MPV_EVENT_END_FILE || ev->event_id == MPV_EVENT_SHUTDOWN) return false;
    }
    return false;
}

bool probeWithMpv(const std::string& path, MediaInfo& info) {
    mpv_handle* h = newMpv(false, 0);
    if (!h) return false;
    bool ok = loadFile(h, path) && waitLoaded(h, 5.0);
    if (ok) {
        double d = 0;
        if (mpv().get_property(h, "duration", MPV_FORMAT_DOUBLE, &d) >= 0 && d > 0) info.durationMs = d * 1000.0;
        char* vid = mpv().get_property_string(h, "vid");
        char* art = mpv().get_property_string(h, "current-tracks/video/albumart");
        info.hasVideo = vid && std::strcmp(vid, "no") != 0 && !(art && std::strcmp(art, "yes") == 0);
        mpv().free(vid);
        mpv().free(art);
        char* aid = mpv().get_property_string(h, "aid");
        // Something to hear or to see: a text file or a lone picture is not media.
        bool hasAudio = aid && std::strcmp(aid, "no") != 0;
        mpv().free(aid);
        ok = hasAudio || (info.hasVideo && info.durationMs > 0);
    }
    mpv().terminate_destroy(h);
    return ok;
}

// Real players: take mpv's news (end of file) into the player's state.
void drainEvents(Player& p) {
    if (!p.mpv) return;
    for (;;) {
        mpv_event* ev = mpv().wait_event(p.mpv, 0);
        if (ev->event_id == MPV_EVENT_NONE) break;
        if (ev->event_id == MPV_EVENT_PROPERTY_CHANGE) {
            auto* prop = static_cast<mpv_event_property*>(ev->data);
            if (prop->format == MPV_FORMAT_FLAG && std::strcmp(prop->name, "eof-reached") == 0 &&
                *static_cast<int*>(prop->data) && p.playing) {
                p.playing = false;
                p.ended = true;
                p.atEnd = true;
            }
        } else if (ev->event_id == MPV_EVENT_FILE_LOADED) {
            p.loaded = true;
        } else if (ev->event_id == MPV_EVENT_END_FILE) {
            // Without keep-open's pause this only comes on errors.
            if (p.playing) p.ended = true;
            p.playing = false;
            p.loaded = false;
        }
    }
}

void updateVirtual(Player& p) {
    if (!p.playing) return;
    double pos = p.posMs + double(clockMs() - p.startedAt);
    if (pos >= p.info.durationMs) {
        p.playing = false;
        p.ended = true;
        p.atEnd = true;
        p.posMs = p.info.durationMs;
    }
}

void update(Player& p) {
    if (mediaVirtual()) updateVirtual(p);
    else drainEvents(p);
}

bool startReal(Player& p) {
    static bool closeAtExit = false;
    if (!closeAtExit) {
        // mpv's threads are told to stop before the program's end tears the process down.
        closeAtExit = true;
        std::atexit(mediaCloseAll);
    }
    if (!p.mpv) {
        p.mpv = newMpv(true, p.window);
        if (!p.mpv) return false;
        mpv().observe_property(p.mpv, 0, "eof-reached", MPV_FORMAT_FLAG);
        if (!loadFile(p.mpv, p.path) || !waitLoaded(p.mpv, 5.0)) {
            mpv().terminate_destroy(p.mpv);
            p.mpv = nullptr;
            return false;
        }
        p.loaded = true;
    }
    if (p.atEnd) {
        p.posMs = 0;
        p.atEnd = false;
    }
    double s = p.posMs / 1000.0;
    mpv().set_property(p.mpv, "time-pos", MPV_FORMAT_DOUBLE, &s);
    int no = 0;
    mpv().set_property(p.mpv, "pause", MPV_FORMAT_FLAG, &no);
    return true;
}

double realPosition(Player& p) {
    if (!p.mpv) return p.posMs;
    double s = 0;
    if (mpv().get_property(p.mpv, "time-pos", MPV_FORMAT_DOUBLE, &s) < 0) return p.posMs;
    return s * 1000.0;
}

}  // namespace

bool mediaVirtual() { return !haveFront() || front().virtualClock(); }

bool mediaProbe(const std::string& path, MediaInfo& info) {
    info = MediaInfo{};
    bool isWav = false;
    if (probeWav(path, info, isWav)) return true;
    if (isWav) return false;
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    return probeWithMpv(path, info);
}

int mediaOpen(const std::string& path) {
    MediaInfo info;
    if (!mediaProbe(path, info)) return 0;
    MediaState& s = state();
    int id = s.nextId++;
    Player& p = s.players[id];
    p.path = path;
    p.info = info;
    return id;
}

void mediaSetWindow(int id, uint64_t nativeWindow) {
    Player* p = find(id);
    if (!p) return;
    p->window = nativeWindow;
    // The window can only be given to mpv before it starts; a player already
    // running starts again on the new surface at the same position.
    if (p->mpv) {
        bool was = p->playing;
        p->posMs = realPosition(*p);
        mpv().terminate_destroy(p->mpv);
        p->mpv = nullptr;
        p->loaded = false;
        p->playing = false;
        if (was) mediaPlay(id);
    }
}

bool mediaPlay(int id) {
    Player* p = find(id);
    if (!p) return false;
    update(*p);
    if (p->playing) return true;
    p->ended = false;
    if (mediaVirtual()) {
        if (p->atEnd) {
            p->posMs = 0;
            p->atEnd = false;
        }
        p->startedAt = clockMs();
        p->playing = true;
        updateVirtual(*p);  // a file of no length ends at once
        return true;
    }
    if (!startReal(*p)) return false;
    p->playing = true;
    return true;
}

void mediaPause(int id) {
    Player* p = find(id);
    if (!p) return;
    update(*p);
    if (!p->playing) return;
    if (mediaVirtual()) {
        p->posMs = std::min(p->info.durationMs, p->posMs + double(clockMs() - p->startedAt));
    } else if (p->mpv) {
        p->posMs = realPosition(*p);
        int yes = 1;
        mpv().set_property(p->mpv, "pause", MPV_FORMAT_FLAG, &yes);
    }
    p->playing = false;
}

void mediaStop(int id) {
    Player* p = find(id);
    if (!p) return;
    mediaPause(id);
    p->posMs = 0;
    p->atEnd = false;
    p->ended = false;
}

void mediaSeek(int id, double ms) {
    Player* p = find(id);
    if (!p) return;
    bool was = p->playing;
    mediaPause(id);
    if (ms < 0) ms = 0;
    if (p->info.durationMs > 0 && ms > p->info.durationMs) ms = p->info.durationMs;
    p->posMs = ms;
    p->atEnd = false;
    if (was) mediaPlay(id);
}

void mediaClose(int id) {
    auto& players = state().players;
    auto it = players.find(id);
    if (it == players.end()) return;
    if (it->second.mpv) mpv().terminate_destroy(it->second.mpv);
    players.erase(it);
}

void mediaCloseAll() {
    for (auto& [id, p] : state().players)
        if (p.mpv) mpv().terminate_destroy(p.mpv);
    state().players.clear();
}

bool mediaIsOpen(int id) { return find(id) != nullptr; }

bool mediaPlaying(int id) {
    Player* p = find(id);
    if (!p) return false;
    update(*p);
    return p->playing;
}

bool mediaTakeEnded(int id) {
    Player* p = find(id);
    if (!p) return false;
    update(*p);
    bool e = p->ended;
    p->ended = false;
    return e;
}

double mediaPositionMs(int id) {
    Player* p = find(id);
    if (!p) return 0;
    update(*p);
    if (!p->playing) return p->posMs;
    if (mediaVirtual()) return std::min(p->info.durationMs, p->posMs + double(clockMs() - p->startedAt));
    return realPosition(*p);
}

MediaInfo mediaInfo(int id) {
    Player* p = find(id);
    return p ? p->info : MediaInfo{};
}

}  // namespace plat
