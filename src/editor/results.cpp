// "Resultados" in the editor's menu: the figures of the game's recorded plays, said
// and shown; the places with an expected answer in a list (Enter lists the plays that
// answered one), the report page, and erasing the game's results.
#include <ctime>
#include <string>
#include <vector>

#include "util/atomic.h"
#include "util/text.h"
#include "catalog/catalog.h"
#include "game/session.h"
#include "console/console.h"
#include "console/menu.h"
#include "console/textwin.h"
#include "editor/common.h"
#include "editor/editor.h"
#include "export/report.h"
#include "game/gamefile.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "player/results.h"

namespace editor {

using namespace detail;

namespace {

// A catalogue text with "{1}", "{2}", ... filled in.
std::string filled(const std::string& key, const std::vector<std::string>& values) {
    std::string t = catalog::MessageText(key);
    for (size_t i = 0; i < values.size(); ++i) {
        const std::string mark = "{" + std::to_string(i + 1) + "}";
        const size_t at = t.find(mark);
        if (at != std::string::npos) t.replace(at, mark.size(), values[i]);
    }
    return t;
}

std::string placeLine(const player::PlaceFigures& p) {
    std::string line = filled("LURESLUG", {p.name, std::to_string(p.rightFirst), std::to_string(p.plays)});
    if (!p.wrong.empty()) {
        line += catalog::MessageText("LURESERR");
        for (size_t i = 0; i < p.wrong.size(); ++i)
            line += (i ? ", " : "") + p.wrong[i].first + " (" + std::to_string(p.wrong[i].second) + ")";
        line += ".";
    }
    return line;
}

std::string answerLine(const player::PlayRecord& r, const player::Visit& v) {
    std::string what = v.answer.empty() ? catalog::MessageText("LURESNRS") : v.answer;
    if (v.right >= 0) what += ", " + catalog::MessageText(v.right ? "LURESCER" : "LURESERD");
    return filled("LURESJOG", {r.when, r.pupil.empty() ? catalog::MessageText("LURESANO") : r.pupil, what});
}

void header(const std::string& gameName, const player::Figures& f) {
    wholeScreen();
    con::setTextColor(15);
    con::setTextBackground(0);
    con::clearScreen();
    sayText(catalog::MessageText("LURESTIT") + gameName, 1);
    sayText(filled("LURESNUM", {std::to_string(f.plays), std::to_string(f.pupils), player::decimalText(f.meanScore)}), 1);
    sayText(catalog::MessageText("LURESAJU"), 2);
}

// The plays that answered one place, newest last; any key but the arrows goes back.
void playsOfPlace(const player::PlaceFigures& p, const std::vector<player::PlayRecord>& plays) {
    wholeScreen();
    con::clearScreen();
    sayText(p.name, 2);
    if (p.answers.empty()) {
        catalog::SayMessage("LURESVAZ", 1);
        readAnswerKey();
        return;
    }
    con::listOpen(1, 3, 80, 24);
    for (const auto& a : p.answers) con::listAdd(answerLine(plays[a.first], a.second));
    con::listRun(1, true);
    con::listClose();
}

// The page beside the results file: pupils' names stay in the user's own folder.
void writePage(const std::string& resultsFile, const std::vector<player::PlayRecord>& plays) {
    std::string page = resultsFile;
    if (page.size() > 4 && page.compare(page.size() - 4, 4, ".csv") == 0) page.resize(page.size() - 4);
    page += ".html";
    char when[40];
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", &tm);
    if (util::writeFileAtomically(page, web::ResultsPage(game::current(), plays, when))) {
        sayText(catalog::MessageText("LURESPAG") + plat::utf8ToCp1252(page), 1);
    } else {
        catalog::SayMessage("LUERRCRI", 1);
    }
    readAnswerKey();
}

}  // namespace

void showResults() {
    const std::string path = player::resultsPathOfGame(plat::mapPath(game::session().currentGameFile));
    std::vector<player::PlayRecord> plays;
    const std::string gameName = util::trim(game::current().general.name);
    if (!player::loadResults(path, plays)) {
        wholeScreen();
        con::clearScreen();
        sayText(catalog::MessageText("LURESDAN") + plat::utf8ToCp1252(path), 1);
        readAnswerKey();
        return;
    }
    if (plays.empty()) {
        wholeScreen();
        con::clearScreen();
        catalog::SayMessage("LURESNAO", 1);
        readAnswerKey();
        return;
    }
    int current = 1;
    for (;;) {
        const player::Figures f = player::figuresOf(game::current(), plays);
        header(gameName, f);
        uint8_t key = 0;
        if (f.places.empty()) {
            catalog::SayMessage("LURESSEM", 1);
            key = readAnswerKey();
        } else {
            con::listOpen(1, con::whereY(), 80, 24);
            for (const auto& p : f.places) con::listAdd(placeLine(p));
            const con::ListResult r = con::listRun(current, true);
            con::listClose();
            if (r.valid) current = r.item;
            key = util::upperLatin(r.key);
            if (r.key == kEnter && r.valid) {
                playsOfPlace(f.places[size_t(r.item - 1)], plays);
                continue;
            }
        }
        if (key == 'P') {
            writePage(path, plays);
        } else if (key == 'A') {
            wholeScreen();
            con::clearScreen();
            if (catalog::AgreeOrGiveUp("LURESAPG")) {
                if (player::eraseResults(path)) catalog::SayMessage("LURESAPD", 1);
                else catalog::SayMessage("LUERRCRI", 1);
                pauseAfterSpeech();
                return;
            }
            pauseAfterSpeech();
        } else if (key == kEsc || f.places.empty()) {
            return;
        }
    }
}

}  // namespace editor
