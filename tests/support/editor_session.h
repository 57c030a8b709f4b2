// An editing session in-process: the headless front with a key script, a fresh
// game, the temporary folder as the game's folder, and helpers to read the trace.
#pragma once
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <string>

#include "editor/editor.h"
#include "game/gamefile.h"
#include "game/model.h"
#include "game/session.h"
#include "platform/files.h"
#include "platform/mci.h"
#include "platform/platform.h"
#include "player/play.h"
#include "player/slide.h"
#include "script/script.h"
#include "support/headless.h"
#include "support/inproc.h"

namespace edtest {

struct Here {
    std::filesystem::path before = std::filesystem::current_path();
    ~Here() { std::filesystem::current_path(before); }
};

inline std::string cp(const std::string& utf8) { return plat::utf8ToCp1252(utf8); }
inline std::string u8(const std::string& cp1252) { return plat::cp1252ToUtf8(cp1252); }

inline std::string slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

struct Session {
    Here here;
    InProc ip;
    explicit Session(const std::string& keys) : ip(keys, "", false) {
        script::scriptReset();
        player::setSlideSize(160, 100);
        plat::changeDir(ip.dir);
        game::session().currentGameFile = "jogo.lud";
    }
    ~Session() {
        player::resetSlideState();
        media::resetMedia();
    }
    // -1 when fn returned, else the program's exit code (3: the key script ran out).
    int run(const std::function<void()>& fn) { return ip.run(fn); }

    // Texts in UTF-8 as the trace shows them.
    bool said(const std::string& text) const { return ip.traced("speak " + text); }
    int saidCount(const std::string& text) const { return ip.tracedCount("speak " + text); }
    // The texts were spoken in this order (others may come between them).
    bool saidInOrder(std::initializer_list<std::string> texts) const {
        auto it = texts.begin();
        for (const std::string& e : ip.trace)
            if (it != texts.end() && e == "speak " + *it) ++it;
        return it == texts.end();
    }
    std::string file(const std::string& name) const { return ip.dir + "/" + name; }
};

// The current game with places of these names, each with `slides` slides titled
// "<place> <n>" holding one text line.
inline game::TJogo& gameWith(std::initializer_list<const char*> names, int slides = 1) {
    game::TJogo& g = game::current();
    game::ResetModel(g);
    int n = 0;
    for (const char* name : names) {
        game::TLugar* p = game::CreatePlace(g, ++n);
        p->name = cp(name);
        for (int s = 1; s <= slides; ++s) {
            game::TSlide* sl = game::CreateSlide(*p, s);
            sl->title = p->name + " " + std::to_string(s);
            sl->text = {"texto de " + p->name};
        }
        p->slideCount = slides;
    }
    return g;
}

inline std::string placeNames(const game::TJogo& g = game::current()) {
    std::string s;
    for (int n = 1; n <= g.placeCount; ++n) s += (n > 1 ? "," : "") + (g.place(n) ? u8(g.place(n)->name) : "_");
    return s;
}

inline std::string slideTitles(const game::TLugar& p) {
    std::string s;
    for (int i = 1; i <= p.slideCount; ++i) s += (i > 1 ? "," : "") + (p.slide(i) ? u8(p.slide(i)->title) : "_");
    return s;
}

}  // namespace edtest
