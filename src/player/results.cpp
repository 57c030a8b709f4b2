#include "util/text.h"
#include "player/results.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <set>

#include "catalog/catalog.h"
#include "console/config.h"
#include "console/console.h"
#include "console/textwin.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "player/play.h"
#include "player/resume.h"
#include "util/folders.h"

namespace player {

const char* const kResultsHeader =
    "jogada,data,aluno,fim,pontuacao,lugares,ordem,numero,lugar,resposta,certo,pontos,segundos";

namespace {

constexpr size_t kColumns = 13;
// Larger files are appended to without being read first (a class's lifetime of plays
// stays far below this).
constexpr size_t kMaxCheckedBytes = 32u << 20;

std::string dataDir() { return util::userDataDir() + "/"; }

// Pupils' names and answers: only the user may read them.
bool makeFolders(const std::string& dir) { return util::makeFolders(dir, 0700); }

std::string upper(const std::string& s) { return util::upperLatin(util::trim(s)); }

// A spreadsheet runs a cell that begins with one of these as a formula: texts from
// pupils and games get a quote in front, taken off again when read.
bool formulaStart(char c) { return c == '=' || c == '+' || c == '-' || c == '@' || c == '\'' || c == '\t' || c == '\r'; }

std::string csvField(const std::string& cp1252, bool text) {
    std::string v = plat::cp1252ToUtf8(cp1252);
    if (text && !v.empty() && formulaStart(v[0])) v.insert(0, 1, '\'');
    if (v.find_first_of(",\"\r\n") == std::string::npos) return v;
    std::string q = "\"";
    for (char c : v) q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

std::string textOf(const std::string& utf8) {
    std::string v = utf8;
    if (v.size() > 1 && v[0] == '\'' && formulaStart(v[1])) v.erase(0, 1);
    return plat::utf8ToCp1252(v);
}

bool number(const std::string& s, int64_t lo, int64_t hi, int64_t& out) {
    if (s.empty() || s.size() > 20) return false;
    size_t i = s[0] == '-' ? 1 : 0;
    if (i >= s.size()) return false;
    int64_t v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + (s[i] - '0');
        if (v > (int64_t(1) << 40)) return false;
    }
    if (s[0] == '-') v = -v;
    if (v < lo || v > hi) return false;
    out = v;
    return true;
}

// One CSV row from `at`; false at the end of the text or on a row cut short
// (no line end, or an open quote).  `at` moves past the row's line end.
enum class Row { Ok, End, Cut, Bad };
Row readRow(const std::string& t, size_t& at, std::vector<std::string>& fields) {
    fields.clear();
    if (at >= t.size()) return Row::End;
    std::string f;
    bool quoted = false, wasQuoted = false;
    for (size_t i = at; i < t.size(); ++i) {
        const char c = t[i];
        if (quoted) {
            if (c != '"') f += c;
            else if (i + 1 < t.size() && t[i + 1] == '"') f += '"', ++i;
            else quoted = false;
        } else if (c == '"') {
            if (!f.empty() || wasQuoted) return Row::Bad;
            quoted = wasQuoted = true;
        } else if (c == ',') {
            fields.push_back(f);
            f.clear();
            wasQuoted = false;
        } else if (c == '\n') {
            if (!f.empty() && f.back() == '\r' && !wasQuoted) f.pop_back();
            fields.push_back(f);
            at = i + 1;
            return Row::Ok;
        } else {
            if (wasQuoted && c != '\r') return Row::Bad;
            f += c;
        }
    }
    return Row::Cut;
}

PlayEnd endFrom(const std::string& s, bool& ok) {
    ok = true;
    if (s == "fim") return PlayEnd::Finished;
    if (s == "esc") return PlayEnd::Left;
    if (s == "erro") return PlayEnd::Error;
    ok = false;
    return PlayEnd::Error;
}

std::string nowText(const char* format) {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char b[40];
    std::strftime(b, sizeof b, format, &tm);
    return b;
}

bool writeAll(int fd, const std::string& bytes) {
    // One write of the whole record: appended whole or, killed in the middle, cut
    // short at the end, where the next append drops it.
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

// "<file>.danificado-<date>[-n]": a name not yet taken.
std::string asideNameFor(const std::string& path) {
    const std::string base = path + ".danificado-" + nowText("%Y%m%d-%H%M%S");
    std::string name = base;
    struct stat st;
    for (int n = 2; lstat(name.c_str(), &st) == 0 && n < 1000; ++n) name = base + "-" + std::to_string(n);
    return name;
}

}  // namespace

const char* playEndText(PlayEnd e) {
    switch (e) {
        case PlayEnd::Finished: return "fim";
        case PlayEnd::Left: return "esc";
        case PlayEnd::Error: return "erro";
    }
    return "erro";
}

std::string resultsPath(const std::string& identity) {
    if (identity.empty()) return std::string();
    return dataDir() + "resultados/" + identity.substr(0, identity.find('-')) + ".csv";
}

std::string resultsPathOfGame(const std::string& linuxGamePath) { return resultsPath(gameIdentity(linuxGamePath)); }

std::string recordText(const PlayRecord& r) {
    const std::string head = csvField(r.id, true) + "," + csvField(r.when, true) + "," + csvField(r.pupil, true) + "," +
                             playEndText(r.end) + "," + std::to_string(r.score) + "," +
                             std::to_string(r.visits.size()) + ",";
    if (r.visits.empty()) return head + "0,,,,,,\n";
    std::string out;
    for (size_t i = 0; i < r.visits.size(); ++i) {
        const Visit& v = r.visits[i];
        out += head + std::to_string(i + 1) + "," + std::to_string(v.place) + "," + csvField(v.name, true) + "," +
               csvField(v.answer, true) + "," + (v.right < 0 ? "" : v.right ? "S" : "N") + "," +
               std::to_string(v.points) + "," + std::to_string(v.seconds) + "\n";
    }
    return out;
}

bool parseResults(const std::string& text, std::vector<PlayRecord>& plays, size_t* whole) {
    std::vector<PlayRecord> out;
    size_t at = 0, wholeEnd = 0;
    std::vector<std::string> f;
    // The header, maybe after a byte order mark a spreadsheet may have added.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) at = 3;
    Row row = readRow(text, at, f);
    if (row == Row::End || row == Row::Cut) {
        // An empty file, or its header cut short: nothing was ever recorded in it.
        const std::string rest = text.substr(at), header = std::string(kResultsHeader) + "\n";
        if (rest.size() > header.size() || header.compare(0, rest.size(), rest) != 0) return false;
        plays.clear();
        if (whole) *whole = 0;
        return true;
    }
    if (row != Row::Ok) return false;
    std::string header;
    for (size_t i = 0; i < f.size(); ++i) header += (i ? "," : "") + f[i];
    if (header != kResultsHeader) return false;
    wholeEnd = at;

    PlayRecord cur;
    int64_t expected = -1;  // rows still to come for `cur`
    for (;;) {
        row = readRow(text, at, f);
        if (row == Row::End || row == Row::Cut) break;
        if (row == Row::Bad || f.size() != kColumns) return false;
        int64_t score = 0, count = 0, order = 0, place = 0, points = 0, seconds = 0;
        bool endOk = false;
        const PlayEnd end = endFrom(f[3], endOk);
        if (f[0].empty() || f[1].empty() || !endOk || !number(f[4], INT32_MIN, INT32_MAX, score) ||
            !number(f[5], 0, 1000000, count) || !number(f[6], 0, 1000000, order))
            return false;
        if (expected <= 0) {
            cur = PlayRecord();
            cur.id = textOf(f[0]);
            cur.when = textOf(f[1]);
            cur.pupil = textOf(f[2]);
            cur.end = end;
            cur.score = int32_t(score);
            expected = count;
            if (order != (count == 0 ? 0 : 1)) return false;
        } else if (textOf(f[0]) != cur.id || order != int64_t(cur.visits.size()) + 1 || count != int64_t(cur.visits.size()) + expected) {
            return false;
        }
        if (count > 0) {
            Visit v;
            const bool right = f[10] == "S", wrong = f[10] == "N";
            if (!number(f[7], 0, 1000000, place) || !number(f[11], INT32_MIN, INT32_MAX, points) ||
                !number(f[12], 0, int64_t(1) << 40, seconds) || (!right && !wrong && !f[10].empty()))
                return false;
            v.place = int32_t(place);
            v.name = textOf(f[8]);
            v.answer = textOf(f[9]);
            v.right = right ? 1 : wrong ? 0 : -1;
            v.points = int32_t(points);
            v.seconds = seconds;
            cur.visits.push_back(std::move(v));
            --expected;
        } else {
            expected = 0;
        }
        if (expected == 0) {
            out.push_back(std::move(cur));
            cur = PlayRecord();
            wholeEnd = at;
        }
    }
    plays = std::move(out);
    if (whole) *whole = wholeEnd;
    return true;
}

bool loadResults(const std::string& path, std::vector<PlayRecord>& plays) {
    plays.clear();
    struct stat st;
    if (path.empty() || stat(path.c_str(), &st) != 0) return true;
    std::string text;
    if (!S_ISREG(st.st_mode) || !plat::readPath(path, text, kMaxCheckedBytes * 4)) return false;
    return parseResults(text, plays);
}

bool eraseResults(const std::string& path) {
    if (path.empty()) return false;
    return std::remove(path.c_str()) == 0 || errno == ENOENT;
}

bool appendRecord(const std::string& path, const PlayRecord& r, std::string* asideName) {
    const size_t slash = path.rfind('/');
    if (path.empty() || slash == std::string::npos || !makeFolders(path.substr(0, slash))) return false;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int fd = open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) return false;
        // Two plays ending at once (two windows) take turns.
        while (flock(fd, LOCK_EX) != 0 && errno == EINTR) {}
        struct stat st;
        if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            close(fd);
            return false;
        }
        std::string text;
        bool damaged = false;
        size_t whole = size_t(st.st_size);
        if (st.st_size > 0 && size_t(st.st_size) <= kMaxCheckedBytes) {
            text.resize(size_t(st.st_size));
            ssize_t n = pread(fd, text.data(), text.size(), 0);
            std::vector<PlayRecord> plays;
            damaged = n != ssize_t(text.size()) || !parseResults(text, plays, &whole);
        }
        if (damaged) {
            // Kept aside, never lost: the teacher may still read it.
            const std::string aside = asideNameFor(path);
            const bool moved = rename(path.c_str(), aside.c_str()) == 0;
            close(fd);
            if (!moved) return false;
            if (asideName) *asideName = aside;
            continue;
        }
        // A record cut short by a killed program is dropped before this one goes on.
        if (whole < size_t(st.st_size) && ftruncate(fd, off_t(whole)) != 0) {
            close(fd);
            return false;
        }
        const std::string bytes = (whole == 0 ? std::string(kResultsHeader) + "\n" : std::string()) + recordText(r);
        const bool ok = writeAll(fd, bytes) && fsync(fd) == 0;
        close(fd);
        return ok;
    }
    return false;
}

bool answerIsRight(const game::TLugar& p, const std::string& answer) {
    if (util::trim(p.expectedAnswer).empty()) return false;
    const std::string key = "|" + upper(answer) + "|";
    const std::string list = "|" + util::upperLatin(SubstituteFirst(util::upperLatin(p.expectedAnswer))) + "|";
    return list.find(key) != std::string::npos;
}

// ---- figures ---------------------------------------------------------------------------

std::string decimalText(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.1f", v);
    std::string s = b;
    if (s.size() > 2 && s.compare(s.size() - 2, 2, ".0") == 0) s.resize(s.size() - 2);
    std::replace(s.begin(), s.end(), '.', ',');
    return s == "-0" ? "0" : s;
}

Figures figuresOf(const game::TJogo& g, const std::vector<PlayRecord>& plays) {
    Figures fig;
    fig.plays = int(plays.size());
    std::set<std::string> pupils;
    double sum = 0;
    for (const PlayRecord& r : plays) {
        sum += r.score;
        if (!upper(r.pupil).empty()) pupils.insert(upper(r.pupil));
    }
    fig.pupils = int(pupils.size());
    fig.meanScore = plays.empty() ? 0 : sum / double(plays.size());
    for (int n = 1; n <= g.placeCount; ++n) {
        const game::TLugar* p = g.place(n);
        if (!p || util::trim(p->expectedAnswer).empty()) continue;
        PlaceFigures pf;
        pf.place = n;
        pf.name = p->name;
        const std::string name = upper(p->name);
        std::map<std::string, std::pair<int, std::string>> wrong;  // by capitals: count, first form typed
        for (size_t i = 0; i < plays.size(); ++i) {
            bool first = true;
            for (const Visit& v : plays[i].visits) {
                if (upper(v.name) != name) continue;
                pf.answers.push_back({i, v});
                if (v.right < 0) continue;
                if (first) {
                    ++pf.plays;
                    pf.rightFirst += v.right;
                    first = false;
                }
                if (v.right == 0) {
                    auto& w = wrong[upper(v.answer)];
                    if (w.first++ == 0) w.second = util::trim(v.answer);
                }
            }
        }
        for (const auto& w : wrong) pf.wrong.push_back({w.second.second, w.second.first});
        std::stable_sort(pf.wrong.begin(), pf.wrong.end(),
                         [](const auto& a, const auto& b) { return a.second > b.second; });
        if (pf.wrong.size() > 3) pf.wrong.resize(3);
        fig.places.push_back(std::move(pf));
    }
    return fig;
}

// ---- recording from the play loop ------------------------------------------------------

namespace {

struct Live {
    bool active = false, ended = false;
    std::string path;
    PlayRecord rec;
    bool inVisit = false;
    Visit visit;
    uint64_t visitStart = 0;
};
Live gLive;
bool gRecordPlays = true;
bool gPupilAsked = false;
std::string gPupil;
unsigned gPlayCount = 0;

uint64_t nowMs() { return plat::haveFront() ? plat::front().nowMs() : 0; }

void closeVisit() {
    if (!gLive.inVisit) return;
    const uint64_t now = nowMs();
    gLive.visit.seconds = int64_t((now >= gLive.visitStart ? now - gLive.visitStart : 0) + 500) / 1000;
    gLive.rec.visits.push_back(gLive.visit);
    gLive.inVisit = false;
}

std::string systemUser() {
    std::string name;
    struct passwd pw, *found = nullptr;
    char buf[4096];
    if (getpwuid_r(getuid(), &pw, buf, sizeof buf, &found) == 0 && found && found->pw_name) name = found->pw_name;
    if (name.empty())
        if (const char* u = std::getenv("USER")) name = u;
    return plat::utf8ToCp1252(name);
}

}  // namespace

void setRecordPlays(bool on) { gRecordPlays = on; }

std::string pupilName() {
    switch (con::settings().aluno) {
        case con::Settings::Pupil::Anonymous: return std::string();
        case con::Settings::Pupil::SystemUser: return systemUser();
        case con::Settings::Pupil::Ask: break;
    }
    if (!gPupilAsked) {
        con::clearScreen();
        catalog::SayMessage("LUALUNO", 0);
        std::string typed;
        con::readLine(typed);
        con::writeLn();
        gPupil = util::trim(typed);
        gPupilAsked = true;
    }
    return gPupil.empty() ? systemUser() : gPupil;
}

void forgetPupil() {
    gPupilAsked = false;
    gPupil.clear();
}

Recording::Recording(const std::string& gameFileCp1252) {
    if (!gRecordPlays || gLive.active) return;
    const std::string path = resultsPathOfGame(plat::mapPath(gameFileCp1252));
    if (path.empty()) return;
    gLive = Live();
    gLive.active = true;
    gLive.path = path;
    gLive.rec.pupil = pupilName();
    gLive.rec.when = nowText("%Y-%m-%d %H:%M:%S");
    gLive.rec.id = nowText("%Y%m%dT%H%M%S") + "-" + std::to_string(getpid()) + "-" + std::to_string(++gPlayCount);
}

Recording::~Recording() {
    if (!gLive.active) return;
    // Left without an end of its own: the program was closed in the middle.
    if (!gLive.ended) playEnds(PlayEnd::Left);
    gLive = Live();
}

void visitStarts(int place) {
    if (!gLive.active || gLive.ended) return;
    // The same place shown again after an Esc that was not confirmed: the same visit.
    if (gLive.inVisit && gLive.visit.place == place) return;
    closeVisit();
    const game::TLugar* p = game::current().place(place);
    gLive.visit = Visit();
    gLive.visit.place = place;
    gLive.visit.name = p ? p->name : std::string();
    gLive.visit.points = p ? p->points : 0;
    gLive.visitStart = nowMs();
    gLive.inVisit = true;
}

void visitEnds(const std::string& answer, bool answered) {
    if (!gLive.active || gLive.ended || !gLive.inVisit || !answered) return;
    const game::TLugar* p = game::current().place(gLive.visit.place);
    gLive.visit.answer = util::trim(answer);
    gLive.visit.right = p && !util::trim(p->expectedAnswer).empty() ? int(answerIsRight(*p, answer)) : -1;
    closeVisit();
}

void playEnds(PlayEnd how) {
    if (!gLive.active || gLive.ended) return;
    closeVisit();
    gLive.ended = true;
    gLive.rec.end = how;
    gLive.rec.score = playState().score;
    appendRecord(gLive.path, gLive.rec);
}

}  // namespace player
