// The MCI command strings that games and game programs were written against,
// understood by us and carried out on the platform's media players.
#include "platform/mci.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <vector>

#include "platform/files.h"
#include "platform/image.h"
#include "platform/media.h"
#include "platform/platform.h"

namespace media {

namespace {

struct Device {
    int id = 0;              // platform media player
    std::string alias;       // as given (for the notification)
    bool autoClose = false;  // opened by "play <file>": closes itself at the end
    bool notifyWanted = false;
    double toMs = -1;        // "play ... to n": stop there
};

struct MciState {
    std::map<std::string, Device> devices;   // upper-cased alias -> device
    std::map<std::string, NotifyFn> notify;  // upper-cased alias -> handler
    WaitFn wait = nullptr;                    // how "play ... wait" lets time pass
};

MciState& state() {
    static MciState s;
    return s;
}

std::string upper(const std::string& s) {
    std::string u = s;
    for (char& c : u)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return u;
}

std::string lower(const std::string& s) {
    std::string u = s;
    for (char& c : u)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return u;
}

// Words separated by blanks; a double-quoted stretch is one word without its quotes.
std::vector<std::string> tokenize(const std::string& cmd) {
    std::vector<std::string> out;
    size_t i = 0, n = cmd.size();
    while (i < n) {
        while (i < n && (cmd[i] == ' ' || cmd[i] == '\t')) ++i;
        if (i >= n) break;
        std::string word;
        if (cmd[i] == '"') {
            size_t j = cmd.find('"', i + 1);
            if (j == std::string::npos) j = n;
            word = cmd.substr(i + 1, j - i - 1);
            i = j + 1;
        } else {
            size_t j = i;
            while (j < n && cmd[j] != ' ' && cmd[j] != '\t') ++j;
            word = cmd.substr(i, j - i);
            i = j;
        }
        out.push_back(word);
    }
    return out;
}

bool parseMs(const std::string& s, double& ms) {
    if (s.empty()) return false;
    char* end = nullptr;
    double v = std::strtod(s.c_str(), &end);
    if (!end || *end || v < 0 || !std::isfinite(v)) return false;
    ms = v;
    return true;
}

Device* findDevice(const std::string& name) {
    auto it = state().devices.find(upper(name));
    return it == state().devices.end() ? nullptr : &it->second;
}

void closeDevice(const std::string& key) {
    auto& devs = state().devices;
    auto it = devs.find(key);
    if (it == devs.end()) return;
    plat::mediaClose(it->second.id);
    devs.erase(it);
}

// The element of "open" may carry a device type before "!": waveaudio!a.wav.
std::string elementFile(const std::string& element) {
    size_t bang = element.find('!');
    return bang == std::string::npos ? element : element.substr(bang + 1);
}

int openDevice(const std::string& element, const std::string& alias, bool autoClose, std::string* result) {
    std::string key = upper(alias);
    if (state().devices.count(key)) return kErrAliasInUse;
    std::string file = elementFile(element);
    if (file.empty()) return kErrMissingParameter;
    std::string path = plat::mapPath(file);
    if (!plat::fileExists(file)) return kErrFileNotFound;
    int id = plat::mediaOpen(path);
    if (!id) return kErrUnsupportedFile;
    Device d;
    d.id = id;
    d.alias = alias;
    d.autoClose = autoClose;
    state().devices[key] = d;
    if (result) *result = std::to_string(id);
    return kOk;
}

int cmdOpen(const std::vector<std::string>& w, std::string* result) {
    if (w.size() < 2) return kErrMissingParameter;
    std::string alias = elementFile(w[1]);
    for (size_t i = 2; i < w.size(); ++i) {
        std::string k = lower(w[i]);
        if (k == "alias" || k == "type") {
            if (i + 1 >= w.size()) return kErrMissingParameter;
            if (k == "alias") alias = w[i + 1];
            ++i;
        } else if (k != "shareable" && k != "wait" && k != "notify") {
            return kErrUnrecognizedKeyword;
        }
    }
    return openDevice(w[1], alias, false, result);
}

// The registered wait, or else the front's own sleep and event pump.
void passTime(int ms) {
    if (state().wait) {
        state().wait(ms);
    } else if (plat::haveFront()) {
        plat::front().sleepMs(ms);
        plat::front().pump();
    }
}

void waitWhilePlaying(Device& d) {
    std::string key = upper(d.alias);
    // The program has one thread: waiting means pumping, like every other wait.
    while (findDevice(key) && plat::mediaPlaying(d.id)) {
        passTime(50);
        pollMedia();
    }
}

int cmdPlay(const std::vector<std::string>& w) {
    if (w.size() < 2) return kErrMissingParameter;
    bool notify = false, wait = false;
    double from = -1, to = -1;
    for (size_t i = 2; i < w.size(); ++i) {
        std::string k = lower(w[i]);
        if (k == "notify") notify = true;
        else if (k == "wait") wait = true;
        else if (k == "from" || k == "to") {
            double v;
            if (i + 1 >= w.size() || !parseMs(w[i + 1], v)) return kErrBadArgument;
            (k == "from" ? from : to) = v;
            ++i;
        } else if (k != "fullscreen" && k != "window" && k != "repeat") {
            return kErrUnrecognizedKeyword;
        }
    }
    Device* d = findDevice(w[1]);
    if (!d) {
        // "play file.wav": the file is opened under its own name for this play.
        int rc = openDevice(w[1], w[1], true, nullptr);
        if (rc != kOk) return rc;
        d = findDevice(w[1]);
    }
    if (from >= 0) plat::mediaSeek(d->id, from);
    d->toMs = to;
    d->notifyWanted = notify;
    if (!plat::mediaPlay(d->id)) {
        d->notifyWanted = false;
        return kErrUnsupportedFile;
    }
    if (wait) waitWhilePlaying(*d);
    return kOk;
}

std::string modeText(const Device& d) {
    if (plat::mediaPlaying(d.id)) return "playing";
    return plat::mediaPositionMs(d.id) > 0 && plat::mediaPositionMs(d.id) < plat::mediaInfo(d.id).durationMs
               ? "paused"
               : "stopped";
}

int cmdStatus(const std::vector<std::string>& w, std::string* result) {
    if (w.size() < 3) return kErrMissingParameter;
    Device* d = findDevice(w[1]);
    if (!d) return kErrDeviceNotOpen;
    std::string what = lower(w[2]);
    for (size_t i = 3; i < w.size(); ++i) what += " " + lower(w[i]);
    std::string reply;
    if (what == "mode") reply = modeText(*d);
    else if (what == "length") reply = std::to_string(llround(plat::mediaInfo(d->id).durationMs));
    else if (what == "position") reply = std::to_string(llround(plat::mediaPositionMs(d->id)));
    else if (what == "ready" || what == "media present") reply = "true";
    else if (what == "time format") reply = "milliseconds";
    else if (what == "number of tracks") reply = "1";
    else return kErrUnrecognizedKeyword;
    if (result) *result = reply;
    return kOk;
}

template <class Fn>
int forDevices(const std::string& name, Fn fn) {
    if (lower(name) == "all") {
        std::vector<std::string> keys;
        for (auto& [k, d] : state().devices) keys.push_back(k);
        for (auto& k : keys) fn(k);
        return kOk;
    }
    if (!findDevice(name)) return kErrDeviceNotOpen;
    fn(upper(name));
    return kOk;
}

int cmdWindow(const std::vector<std::string>& w) {
    if (w.size() < 3) return kErrMissingParameter;
    Device* d = findDevice(w[1]);
    if (!d) return kErrDeviceNotOpen;
    std::string k = lower(w[2]);
    if (k == "handle") {
        if (w.size() < 4) return kErrMissingParameter;
        std::string h = lower(w[3]);
        uint64_t wid = 0;
        if (h != "default") {
            char* end = nullptr;
            unsigned long long v = std::strtoull(w[3].c_str(), &end, 10);
            if (!end || *end) return kErrBadArgument;
            wid = v;
        }
        plat::mediaSetWindow(d->id, wid);
        return kOk;
    }
    // The video fills the window it is given; its state and caption are the window's.
    if (k == "state" || k == "text") return w.size() >= 4 ? kOk : kErrMissingParameter;
    return kErrUnrecognizedKeyword;
}

int cmdPut(const std::vector<std::string>& w) {
    if (w.size() < 3) return kErrMissingParameter;
    if (!findDevice(w[1])) return kErrDeviceNotOpen;
    std::string k = lower(w[2]);
    if (k != "destination" && k != "window" && k != "source" && k != "frame" && k != "video")
        return kErrUnrecognizedKeyword;
    // "at x y w h" must be four numbers; the video is drawn over the whole window.
    if (w.size() > 3) {
        if (lower(w[3]) != "at" || w.size() != 8) return kErrBadArgument;
        for (size_t i = 4; i < 8; ++i) {
            char* end = nullptr;
            std::strtol(w[i].c_str(), &end, 10);
            if (!end || *end || w[i].empty()) return kErrBadArgument;
        }
    }
    return kOk;
}

int cmdSeek(const std::vector<std::string>& w) {
    if (w.size() < 4 || lower(w[2]) != "to") return kErrMissingParameter;
    Device* d = findDevice(w[1]);
    if (!d) return kErrDeviceNotOpen;
    std::string k = lower(w[3]);
    double ms;
    if (k == "start") ms = 0;
    else if (k == "end") ms = plat::mediaInfo(d->id).durationMs;
    else if (!parseMs(w[3], ms)) return kErrBadArgument;
    plat::mediaSeek(d->id, ms);
    d->notifyWanted = false;
    return kOk;
}

int cmdSet(const std::vector<std::string>& w) {
    if (w.size() < 3) return kErrMissingParameter;
    if (!findDevice(w[1])) return kErrDeviceNotOpen;
    std::string rest;
    for (size_t i = 2; i < w.size(); ++i) rest += (i > 2 ? " " : "") + lower(w[i]);
    // Times are always milliseconds here; other formats are not offered.
    if (rest == "time format milliseconds" || rest == "time format ms") return kOk;
    return kErrUnrecognizedKeyword;
}

int dispatch(const std::vector<std::string>& w, std::string* result) {
    std::string verb = lower(w[0]);
    if (verb == "open") return cmdOpen(w, result);
    if (verb == "play") return cmdPlay(w);
    if (verb == "status") return cmdStatus(w, result);
    if (verb == "window") return cmdWindow(w);
    if (verb == "put") return cmdPut(w);
    if (verb == "seek") return cmdSeek(w);
    if (verb == "set") return cmdSet(w);
    if (w.size() < 2) return kErrMissingParameter;
    if (verb == "close") return forDevices(w[1], [](const std::string& k) { closeDevice(k); });
    if (verb == "stop" || verb == "pause")
        return forDevices(w[1], [](const std::string& k) {
            Device& d = state().devices[k];
            d.notifyWanted = false;
            plat::mediaPause(d.id);
        });
    if (verb == "resume")
        return forDevices(w[1], [](const std::string& k) { plat::mediaPlay(state().devices[k].id); });
    return kErrUnrecognizedCommand;
}

}  // namespace

int mciSend(const std::string& command, std::string* result) {
    plat::trace("media", command);
    if (result) result->clear();
    pollMedia();
    std::vector<std::string> w = tokenize(command);
    if (w.empty()) return kErrMissingParameter;
    return dispatch(w, result);
}

std::string mciErrorText(int code) {
    switch (code) {
    case kOk: return "";
    case kErrUnrecognizedKeyword: return "unrecognized keyword";
    case kErrUnrecognizedCommand: return "unrecognized command";
    case kErrDeviceNotOpen: return "device not open";
    case kErrUnsupportedFile: return "the file cannot be played";
    case kErrMissingParameter: return "missing parameter";
    case kErrFileNotFound: return "file not found";
    case kErrBadArgument: return "bad argument";
    case kErrAliasInUse: return "alias already in use";
    default: return "media error " + std::to_string(code);
    }
}

void setNotify(const std::string& alias, NotifyFn fn) {
    if (fn) state().notify[upper(alias)] = fn;
    else state().notify.erase(upper(alias));
}

void pollMedia() {
    MciState& s = state();
    std::vector<std::string> ended;
    for (auto& [key, d] : s.devices) {
        if (d.toMs >= 0 && plat::mediaPlaying(d.id) && plat::mediaPositionMs(d.id) >= d.toMs) {
            plat::mediaPause(d.id);
            d.toMs = -1;
            ended.push_back(key);
        } else if (plat::mediaTakeEnded(d.id)) {
            ended.push_back(key);
        }
    }
    // Handlers run after the walk: they may send commands that close devices.
    for (const std::string& key : ended) {
        auto it = s.devices.find(key);
        if (it == s.devices.end()) continue;
        bool wanted = it->second.notifyWanted;
        std::string alias = it->second.alias;
        it->second.notifyWanted = false;
        if (it->second.autoClose) closeDevice(key);
        if (!wanted) continue;
        auto n = s.notify.find(key);
        if (n != s.notify.end() && n->second) n->second(alias);
    }
}

void resetMedia() {
    plat::mediaCloseAll();
    state().devices.clear();
    state().notify.clear();
}

void setWaitHook(WaitFn fn) { state().wait = fn; }

bool jpegToBmp(const std::string& jpegPath, const std::string& bmpPath) {
    plat::Picture pic;
    if (!plat::loadJpeg(jpegPath, pic)) return false;
    std::string bytes = plat::encodeBmp(pic);
    std::ofstream f(plat::mapPath(bmpPath), std::ios::binary | std::ios::trunc);
    if (!f) return false;
    f.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(f.flush());
}

}  // namespace media
