#include "platform/keyscript.h"

#include <cctype>
#include <strings.h>

namespace plat {

namespace {
struct Named { const char* name; KeyId id; };
const Named kNames[] = {
    {"Enter", KeyId::Enter}, {"Esc", KeyId::Esc}, {"Tab", KeyId::Tab}, {"Backspace", KeyId::Backspace},
    {"Space", KeyId::Space}, {"Up", KeyId::Up}, {"Down", KeyId::Down}, {"Left", KeyId::Left},
    {"Right", KeyId::Right}, {"Home", KeyId::Home}, {"End", KeyId::End}, {"PgUp", KeyId::PgUp},
    {"PgDn", KeyId::PgDn}, {"Ins", KeyId::Ins}, {"Del", KeyId::Del}, {"F1", KeyId::F1}, {"F2", KeyId::F2},
    {"F3", KeyId::F3}, {"F4", KeyId::F4}, {"F5", KeyId::F5}, {"F6", KeyId::F6}, {"F7", KeyId::F7},
    {"F8", KeyId::F8}, {"F9", KeyId::F9}, {"F10", KeyId::F10}, {"F11", KeyId::F11}, {"F12", KeyId::F12},
    {"Break", KeyId::Break},
};

uint8_t baseKey(uint8_t c) {
    if (c >= 'a' && c <= 'z') return uint8_t(c - 32);
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return c;
    return 0;
}

KeyEvent charEvent(uint8_t c) {
    KeyEvent ev;
    if (c == ' ') {
        ev.id = KeyId::Space;
        ev.ch = ' ';
        return ev;
    }
    ev.id = KeyId::Char;
    ev.vk = baseKey(c);
    ev.ch = c;
    if (c >= 'A' && c <= 'Z') ev.mods = ModShift;
    return ev;
}

bool parseBraced(const std::string& body, KeyEvent& ev, std::string& error) {
    std::string rest = body;
    uint8_t mods = 0;
    for (;;) {
        if (strncasecmp(rest.c_str(), "Ctrl+", 5) == 0 && rest.size() > 5) { mods |= ModCtrl; rest = rest.substr(5); }
        else if (strncasecmp(rest.c_str(), "Alt+", 4) == 0 && rest.size() > 4) { mods |= ModAlt; rest = rest.substr(4); }
        else if (strncasecmp(rest.c_str(), "Shift+", 6) == 0 && rest.size() > 6) { mods |= ModShift; rest = rest.substr(6); }
        else break;
    }
    for (const Named& n : kNames) {
        if (strcasecmp(n.name, rest.c_str()) == 0) {
            ev = KeyEvent();
            ev.id = n.id;
            ev.mods = mods;
            if (n.id == KeyId::Space) ev.ch = ' ';
            return true;
        }
    }
    std::string cpRest = utf8ToCp1252(rest);
    if (cpRest.size() == 1 && mods != 0) {
        uint8_t c = uint8_t(cpRest[0]);
        ev = charEvent(c);
        ev.mods = uint8_t(mods | (ev.mods & ModShift));
        if (mods & ModCtrl) {
            // Ctrl+letter types its control code; Ctrl+\ is 28.
            if (ev.vk >= 'A' && ev.vk <= 'Z') ev.ch = uint8_t(ev.vk - 'A' + 1);
            else if (c == '\\') ev.ch = 28;
            else ev.ch = 0;
        } else if (mods & ModAlt) {
            ev.ch = 0;
        } else if ((mods & ModShift) && c >= 'a' && c <= 'z') {
            ev.ch = uint8_t(c - 32);
        }
        return true;
    }
    error = "unknown key {" + body + "}";
    return false;
}
}  // namespace

bool parseKeyScript(const std::string& script, std::vector<ScriptKey>& out, std::string& error) {
    out.clear();
    int pendingWait = -1;
    size_t i = 0;
    while (i < script.size()) {
        char c = script[i];
        if (c == '{') {
            if (i + 1 < script.size() && script[i + 1] == '{') {
                ScriptKey k{charEvent('{'), pendingWait};
                out.push_back(k);
                pendingWait = -1;
                i += 2;
                continue;
            }
            size_t close = script.find('}', i + 1);
            if (close == std::string::npos) {
                error = "unclosed { at character " + std::to_string(i + 1);
                return false;
            }
            std::string body = script.substr(i + 1, close - i - 1);
            if (strncasecmp(body.c_str(), "wait ", 5) == 0) {
                std::string num = body.substr(5);
                char* end = nullptr;
                long v = std::strtol(num.c_str(), &end, 10);
                if (num.empty() || *end || v < 0 || v > 86400000L) {
                    error = "bad {" + body + "} at character " + std::to_string(i + 1);
                    return false;
                }
                pendingWait = int(v);
                i = close + 1;
                continue;
            }
            KeyEvent ev;
            std::string why;
            if (!parseBraced(body, ev, why)) {
                error = why + " at character " + std::to_string(i + 1);
                return false;
            }
            out.push_back({ev, pendingWait});
            pendingWait = -1;
            i = close + 1;
            continue;
        }
        // One UTF-8 character.
        size_t len = 1;
        unsigned char u = uint8_t(c);
        if ((u & 0xE0) == 0xC0) len = 2;
        else if ((u & 0xF0) == 0xE0) len = 3;
        else if ((u & 0xF8) == 0xF0) len = 4;
        std::string one = utf8ToCp1252(script.substr(i, len));
        i += len;
        if (one.empty()) continue;
        uint8_t b = uint8_t(one[0]);
        if (b == '\n' || b == '\r') continue;  // line breaks in a script file are layout, not keys
        out.push_back({charEvent(b), pendingWait});
        pendingWait = -1;
    }
    if (pendingWait >= 0) {
        error = "{wait} at the end of the script has no key";
        return false;
    }
    return true;
}

}  // namespace plat
