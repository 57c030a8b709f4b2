// The play loop: places, points, answers, destinations and categories; and the
// game program's hook that plays one place at a time.
#include "player/play.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <cstdint>
#include <random>

#include "catalog/catalog.h"
#include "console/config.h"
#include "console/console.h"
#include "console/textwin.h"
#include "game/model.h"
#include "game/session.h"
#include "platform/files.h"
#include "player/results.h"
#include "player/resume.h"
#include "player/slide.h"
#include "safety/budget.h"
#include "safety/ownership.h"
#include "safety/safety.h"
#include "script/script.h"
#include "util/text.h"

namespace player {

namespace {

PlayState gPlay;

constexpr uint8_t kEsc = 27;

std::string upper(const std::string& s) { return util::upperLatin(s); }

void setVar(const char* name, const std::string& value) { script::scriptSetVariable(name, value); }
// Points never wrap: a score stays within what 32 bits hold.
void addPoints(int32_t points) {
    int64_t sum = int64_t(gPlay.score) + points;
    gPlay.score = int32_t(std::clamp<int64_t>(sum, INT32_MIN, INT32_MAX));
}
void setScore() { setVar("PONTOS", std::to_string(gPlay.score)); }

// The k-th piece (from 1) of a "|" list, or empty when the list is shorter.
std::string piece(const std::string& list, int k) {
    size_t start = 0;
    for (int i = 1;; ++i) {
        size_t bar = list.find('|', start);
        if (i == k) return list.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
        if (bar == std::string::npos) return std::string();
        start = bar + 1;
    }
}

TCateg* findCategory(const std::string& name) {
    for (int i = 0; i < gPlay.categoryCount; ++i)
        if (gPlay.categories[size_t(i)].name == name) return &gPlay.categories[size_t(i)];
    return nullptr;
}

int findPlaceByName(const std::string& name) {
    const game::TJogo& g = game::current();
    std::string u = upper(name);
    for (int n = 1; n <= g.placeCount; ++n) {
        const game::TLugar* p = g.place(n);
        if (p && upper(p->name) == u) return n;
    }
    return -1;
}

// "CATEGORIA,próximo lugar[,limite]": where a reference to the category leads from now on.
void applyCategorySetting(const std::string& setting) {
    size_t comma = setting.find(',');
    std::string name = upper(util::trim(setting.substr(0, comma)));
    TCateg* c = findCategory(name);
    if (!c) {
        con::writeLineAndSpeak(name);
        catalog::SayMessage("LUCATNEX", 1);
        con::readLineRaw();
        return;
    }
    std::string rest = setting.substr(comma + 1);
    size_t second = rest.find(',');
    if (second != std::string::npos) {
        c->nextPlace = upper(util::trim(rest.substr(0, second)));
        std::string limit = util::trim(rest.substr(second + 1));
        bool number = !limit.empty();
        size_t start = (limit[0] == '-' || limit[0] == '+') ? 1 : 0;
        if (start >= limit.size()) number = false;
        long v = 0;
        for (size_t i = start; number && i < limit.size(); ++i) {
            if (limit[i] < '0' || limit[i] > '9' || v > 100000000) number = false;
            else v = v * 10 + (limit[i] - '0');
        }
        if (number) c->limit = int32_t(limit[0] == '-' ? -v : v);
    } else {
        c->nextPlace = rest;
        c->limit = c->placeCount;
    }
}

// The end of play and the bad-destination report wait for Enter on a plain line.
void waitEnter() {
    catalog::SayMessage("LUAPTENT", 0);
    con::readLineRaw();
}

}  // namespace

PlayState& playState() { return gPlay; }
void resetPlayState() { gPlay = PlayState(); }

std::string SubstituteFirst(const std::string& text) {
    size_t dollar = text.find('$');
    if (dollar == std::string::npos) return text;
    size_t end = text.find('.', dollar + 1);
    if (end == std::string::npos) end = text.size();
    std::string name = text.substr(dollar + 1, end - dollar - 1);
    return text.substr(0, dollar) + script::scriptGetVariable(name) + text.substr(end);
}

std::string SubstituteAll(const std::string& text) {
    std::string out = text;
    // From the end backwards, so that what a value brings in is not read again.
    for (size_t i = out.size(); i-- > 0;) {
        if (out[i] != '$') continue;
        size_t end = out.find_first_of(" ,.", i + 1);
        if (end == std::string::npos) end = out.size();
        std::string value = script::scriptGetVariable(out.substr(i + 1, end - i - 1));
        if (!value.empty()) out.replace(i, end - i, value);
    }
    return out;
}

void BuildCategories() {
    const game::TJogo& g = game::current();
    gPlay.categoryCount = 0;
    for (int n = 1; n <= g.placeCount; ++n) {
        const game::TLugar* p = g.place(n);
        if (!p) continue;
        std::string name = upper(util::trim(p->category));
        if (name.empty()) continue;
        if (TCateg* c = findCategory(name)) {
            ++c->placeCount;
            ++c->limit;
            c->places.push_back(n);
        } else if (gPlay.categoryCount < kMaxCategories) {
            TCateg& nc = gPlay.categories[size_t(gPlay.categoryCount++)];
            nc = TCateg();
            nc.name = name;
            nc.placeCount = 1;
            nc.limit = 1;
            nc.places.push_back(n);
        } else {
            con::writeLineAndSpeak(name);
            catalog::SayMessage("LUCATEXC", 1);
            con::readLineRaw();
        }
    }
}

void ShuffleCategories() {
    std::mt19937 rng(uint32_t(std::chrono::system_clock::now().time_since_epoch().count()));
    for (int c = 0; c < gPlay.categoryCount; ++c) {
        std::vector<int>& v = gPlay.categories[size_t(c)].places;
        for (size_t j = v.size(); j > 1; --j) {
            std::uniform_int_distribution<size_t> pick(0, j - 1);
            std::swap(v[pick(rng)], v[j - 1]);
        }
    }
}

int ResolvePlace(const std::string& reference) {
    if (reference.empty()) return -1;
    std::string ref = reference;
    size_t comma = ref.find(',');
    if (comma != std::string::npos) {
        applyCategorySetting(ref);
        ref = util::trim(ref.substr(0, comma));
    }
    // Category names are kept in capitals so that authors may write them in any
    // case; the reference is compared the same way.
    if (TCateg* c = findCategory(upper(ref))) {
        ++c->references;
        int n = findPlaceByName(c->nextPlace);
        if (n > 0) return n;
    }
    return findPlaceByName(ref);
}

void ChooseNextPlace(int place, const std::string& answer) {
    const game::TLugar* p = game::current().place(place);
    std::string destination;
    if (!p || (p->expectedAnswer.empty() && p->placeIfRight.empty() && p->placeIfWrong.empty())) {
        gPlay.currentPlace = place + 1;
    } else {
        std::string key = "|" + upper(util::trim(answer)) + "|";
        // A "$" reference in the answers may bring a value in small letters; the
        // answer is compared in capitals, so the list is too.
        std::string list = "|" + upper(SubstituteFirst(upper(p->expectedAnswer))) + "|";
        size_t at = list.find(key);
        if (at != std::string::npos) {
            int k = 0;
            for (size_t i = 0; i <= at; ++i)
                if (list[i] == '|') ++k;
            destination = piece(p->placeIfRight, k);
        } else {
            destination = p->placeIfWrong;
        }
        gPlay.currentPlace = destination.empty() ? place + 1 : ResolvePlace(destination);
    }
    gPlay.destination = SubstituteFirst(destination);
    setVar("LUGAR", gPlay.destination);
}

namespace {

// The game whose progress is kept while it plays (empty: none is kept, as for a
// game played from the editor or driven by its program).
std::string gProgressId;
// A game given on the command line: loaded already, yet the pupil's own, so it resumes.
bool gPlayingAFile = false;

Progress currentProgress(int place, int32_t scoreBefore) {
    Progress pr;
    pr.place = place;
    pr.score = scoreBefore;
    for (int i = 0; i < gPlay.categoryCount; ++i) {
        const TCateg& c = gPlay.categories[size_t(i)];
        pr.categories.push_back({c.nextPlace, c.limit, c.references, c.places});
    }
    return pr;
}

// The categories as the progress left them; false when they do not fit the game
// (then play starts afresh).
bool restoreCategories(const Progress& pr) {
    if (int(pr.categories.size()) != gPlay.categoryCount) return false;
    for (int i = 0; i < gPlay.categoryCount; ++i) {
        TCateg& c = gPlay.categories[size_t(i)];
        const CategoryProgress& k = pr.categories[size_t(i)];
        std::vector<int> a = c.places, b = k.places;
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        if (a != b) return false;
    }
    for (int i = 0; i < gPlay.categoryCount; ++i) {
        TCateg& c = gPlay.categories[size_t(i)];
        const CategoryProgress& k = pr.categories[size_t(i)];
        c.nextPlace = k.nextPlace;
        c.limit = k.limit;
        c.references = k.references;
        c.places = k.places;
    }
    return true;
}

// The loop of plain play from gPlay.currentPlace with the score and categories set.
void playLoop() {
    game::TJogo& g = game::current();
    int lastPlace = gPlay.currentPlace;
    bool left = false;
    while (gPlay.playing && gPlay.currentPlace > 0) {
        if (gPlay.currentPlace > g.placeCount) break;
        const game::TLugar* p = g.place(gPlay.currentPlace);
        const int32_t scoreBefore = gPlay.score;
        addPoints(p ? p->points : 0);
        setScore();
        setVar("LUGAR", p ? p->name : std::string());
        // Kept before the place is shown: a window closed or a terminal hung up
        // mid-place ends the process with no chance to save, and the pupil comes back here.
        if (!gProgressId.empty()) saveProgress(gProgressId, currentProgress(gPlay.currentPlace, scoreBefore));
        visitStarts(gPlay.currentPlace);
        uint8_t key;
        std::string answer;
        for (;;) {
            PresentPlace(gPlay.currentPlace, key, answer);
            setVar("RESPOSTA", util::trim(answer));
            if (key != kEsc) break;
            ClearSlide();
            con::clearScreen();
            catalog::SayMessage("LUCNFFIM", 1);
            uint8_t k = con::readKeyAndSpeak();
            if (k == 0) con::readKey();  // the second code of an extended key: it is no S
            k = util::upperLatin(k);
            if (k) con::write(std::string(1, char(k)));
            con::writeLn();
            if (k == 'S') {
                gPlay.playing = false;
                left = true;  // the progress saved when the place began stays
                break;
            }
        }
        if (!gPlay.playing) break;
        visitEnds(answer, true);
        if (p && p->endsGame) {
            gPlay.playing = false;
        } else {
            lastPlace = gPlay.currentPlace;
            ChooseNextPlace(gPlay.currentPlace, answer);
            if (gPlay.currentPlace == -1 || gPlay.currentPlace > g.placeCount) gPlay.playing = false;
        }
    }
    // Any end but the pupil's leaving is the end of the game: nothing to continue.
    if (!left && !gProgressId.empty()) clearProgress(gProgressId);
    playEnds(left ? PlayEnd::Left : gPlay.currentPlace == -1 ? PlayEnd::Error : PlayEnd::Finished);

    ClearSlide();
    if (gPlay.currentPlace == -1) {
        con::clearScreen();
        catalog::SayMessage("LUPRGINC", 1);
        const game::TLugar* from = g.place(lastPlace);
        con::writeLineAndSpeak((from ? from->name : std::string()) + " -- " + gPlay.destination);
        waitEnter();
    }
    con::clearScreen();
    catalog::SayMessage("LUFIMJOG", 2);
    waitEnter();
}

void startPlay(int firstPlace, bool shuffle) {
    gPlay.categoryCount = 0;
    gPlay.currentPlace = firstPlace;
    gPlay.playing = true;
    gPlay.score = 0;
    gPlay.destination.clear();
    BuildCategories();
    if (shuffle) ShuffleCategories();
}

// "Continuar de onde parou? S/N" when the pupil left this game in the middle.
bool askToContinue(const Progress& pr) {
    const game::TLugar* p = game::current().place(pr.place);
    if (!p || pr.place > game::current().placeCount) return false;
    con::clearScreen();
    con::writeAndSpeak(plat::cp("Continuar de onde parou? S/N "));
    uint8_t k = con::readKeyAndSpeak();
    if (k == 0) con::readKey();
    k = util::upperLatin(k);
    if (k) con::write(std::string(1, char(k)));
    con::writeLn();
    return k == 'S';
}

bool resumeAsked() { return con::settings().resumeGames; }

// Plain play of a game chosen with J: from where the pupil left it, when asked.
void playKeepingProgress(bool shuffle) {
    const std::string file = plat::mapPath(game::session().currentGameFile);
    gProgressId = resumeAsked() ? gameIdentity(file) : std::string();
    Progress pr;
    const bool resume = !gProgressId.empty() && loadProgress(gProgressId, pr) && askToContinue(pr);
    startPlay(1, shuffle);
    if (resume && restoreCategories(pr)) {
        gPlay.currentPlace = pr.place;
        gPlay.score = pr.score;
    }
    playLoop();
    gProgressId.clear();
}

}  // namespace

void PlayFrom(int firstPlace, bool shuffle) {
    startPlay(firstPlace, shuffle);
    playLoop();
}

std::string PlayPlaceForScript(const std::string& reference) {
    game::TJogo& g = game::current();
    std::string status = "$OK$";
    std::string destination = reference;
    std::string answer;
    gPlay.currentPlace = ResolvePlace(reference);
    const game::TLugar* p = g.place(gPlay.currentPlace);
    if (gPlay.currentPlace < 1 || gPlay.currentPlace > g.placeCount || !p) {
        status = "$ERRO$";
    } else {
        setVar("LUGAR", reference);
        // A place shown again right after the pupil left it with Esc (and did not
        // confirm the end) is the same visit, as in plain play: its points count once.
        if (gPlay.escapedPlace != gPlay.currentPlace) addPoints(p->points);
        gPlay.escapedPlace = 0;
        setScore();
        uint8_t key;
        visitStarts(gPlay.currentPlace);
        PresentPlace(gPlay.currentPlace, key, answer);
        visitEnds(answer, key != kEsc);
        // The program decides what comes next and may write or speak meanwhile.
        ClearSlide();
        if (key == kEsc) {
            status = "$ESC$";
            gPlay.escapedPlace = gPlay.currentPlace;
        }
        else if (p->endsGame) status = "$FIM$";
        else {
            ChooseNextPlace(gPlay.currentPlace, answer);
            destination = gPlay.destination;
        }
    }
    setVar("RESPOSTA", util::trim(answer));
    setVar("LUGAR", destination);
    setScore();
    setVar("STATUS", status);
    return status;
}

namespace {
void playGameWithin(bool gameLoaded);
}  // namespace

void PlayGame(bool gameLoaded) {
    // A game that exhausts memory ends its play, not Ludivar.
    try {
        playGameWithin(gameLoaded);
    } catch (const std::bad_alloc&) {
        safety::sayMemorySpent();
    }
}

namespace {
// The media a game's places and slides name: with its program, what it came with.
std::vector<std::string> namedMedia(const game::TJogo& g) {
    std::vector<std::string> out{g.backgroundPicture};
    auto addList = [&](const std::string& list) {
        size_t start = 0;
        for (size_t bar; (bar = list.find('|', start)) != std::string::npos; start = bar + 1)
            out.push_back(util::trim(std::string_view(list).substr(start, bar - start)));
        out.push_back(util::trim(std::string_view(list).substr(start)));
    };
    for (int n = 1; n <= g.placeCount; ++n) {
        const game::TLugar* p = g.place(n);
        if (!p) continue;
        addList(p->media);
        out.push_back(p->backgroundPicture);
        for (int k = 1; k <= p->slideCount; ++k)
            if (const game::TSlide* sl = p->slide(k)) {
                addList(sl->media);
                out.push_back(sl->picture);
            }
    }
    return out;
}

void playGameWithin(bool gameLoaded) {
    gPlay.categoryCount = 0;
    if (!gameLoaded && !TitleCard()) return;
    script::scriptReset();
    game::TJogo& g = game::current();
    const std::string& program = g.general.program;
    // What the game may reach is settled per game: its folder, its contents.
    safety::Scope scope = safety::gameScope(game::session().currentGameFile, program, game::session().gamesRoot);
    if (!util::trim(g.general.name).empty()) scope.name = util::trim(g.general.name);  // as the pupil knows it
    safety::GameGuard guard(scope);
    if (guard.entered) safety::claimGameFiles(game::session().currentGameFile, scope.name, program, namedMedia(g));
    Recording recording(game::session().currentGameFile);
    if (program.empty()) {
        // Only a game chosen by the pupil (from the folder or on the command line) is
        // resumed; the editor plays what it has in memory.
        if (gameLoaded && !gPlayingAFile) PlayFrom(1, g.randomOrder);
        else playKeepingProgress(g.randomOrder);
    } else if (!plat::fileExists(program)) {
        catalog::SayMessage("LUPGMNEX", 0);
        PlayFrom(1, g.randomOrder);
    } else {
        // Category references work for the program's places as they do in plain play.
        gPlay.score = 0;
        gPlay.escapedPlace = 0;
        BuildCategories();
        if (g.randomOrder) ShuffleCategories();
        // The program may change the current folder (DIR TROCA); what comes after play,
        // the editor's saves among it, expects the folder it had.
        const std::string folder = plat::currentDir();
        script::RunResult r = script::scriptRunWithHost(program, PlayPlaceForScript);
        if (plat::currentDir() != folder) game::enterFolderPath(folder);
        ClearSlide();
        playEnds(r.code != script::RunOk ? PlayEnd::Error
                 : script::scriptGetVariable("STATUS") == "$ESC$" ? PlayEnd::Left : PlayEnd::Finished);
        if (r.code != script::RunOk) {
            if (r.code == script::RunStopped) con::writeAndSpeak(plat::cp("Programa interrompido: "));
            else catalog::SayMessage("LUERRPGM", 0);
            con::writeLineAndSpeak(script::failurePlace(r));
            con::writeLn();
        }
    }
}

}  // namespace

void PlayGameFromMenu() { PlayGame(false); }

void PlayGameFile() {
    gPlayingAFile = true;
    PlayGame(true);
    gPlayingAFile = false;
}

}  // namespace player
