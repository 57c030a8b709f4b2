#include "game/checker.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <unordered_map>
#include <system_error>

#include "game/gamefile.h"
#include "game/session.h"
#include "game/text.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "util/text.h"
#include "safety/budget.h"

namespace game {

namespace {

namespace fs = std::filesystem;

std::string inQuotes(const std::string& s) { return "\"" + s + "\""; }

std::string placeLabel(const TJogo& g, int n) {
    const TLugar* p = g.place(n);
    return "lugar " + std::to_string(n) + (p ? " (" + p->name + ")" : std::string());
}

// How the player resolves destinations, seen without playing: which places a
// destination text may lead to.
struct Destinations {
    const TJogo& g;
    std::map<std::string, std::vector<int>> byName;         // upper-cased name -> places, in order
    std::map<std::string, std::set<std::string>> nextOf;    // category -> names it may lead to

    explicit Destinations(const TJogo& game) : g(game) {
        for (int n = 1; n <= g.placeCount && n <= kMaxPlaces; ++n) {
            const TLugar* p = g.place(n);
            if (!p) continue;
            byName[util::upperLatin(p->name)].push_back(n);
            std::string cat = util::upperLatin(util::trimView(p->category));
            if (!cat.empty()) nextOf[cat].insert("FIM");
        }
        // Category settings anywhere in the game may change where a category leads.
        for (int n = 1; n <= g.placeCount && n <= kMaxPlaces; ++n) {
            const TLugar* p = g.place(n);
            if (!p) continue;
            std::vector<std::string> pieces = splitBars(p->placeIfRight);
            pieces.push_back(p->placeIfWrong);
            for (const std::string& d : pieces) {
                size_t comma = d.find(',');
                if (comma == std::string::npos) continue;
                std::string cat = util::upperLatin(util::trimView(std::string_view(d).substr(0, comma)));
                auto it = nextOf.find(cat);
                if (it == nextOf.end()) continue;
                std::string rest = d.substr(comma + 1);
                size_t comma2 = rest.find(',');
                it->second.insert(comma2 == std::string::npos ? util::upperLatin(rest)
                                                              : util::upperLatin(util::trimView(std::string_view(rest).substr(0, comma2))));
            }
        }
    }

    void addPlace(const std::string& upperName, std::set<int>& out) const {
        auto it = byName.find(upperName);
        if (it != byName.end()) out.insert(it->second.front());
    }

    // Places the destination may lead to; empty when it leads nowhere.  A problem
    // with a category setting is described in `problem`.
    std::set<int> resolve(const std::string& dest, std::string& problem) const {
        std::set<int> out;
        std::string ref = dest;
        size_t comma = dest.find(',');
        if (comma != std::string::npos) {
            std::string cat = util::upperLatin(util::trimView(std::string_view(dest).substr(0, comma)));
            if (!nextOf.count(cat)) {
                problem = plat::cp("a categoria ") + inQuotes(cat) + plat::cp(" não existe");
            } else {
                std::string rest = dest.substr(comma + 1);
                size_t comma2 = rest.find(',');
                std::string next = comma2 == std::string::npos ? rest : util::trim(std::string_view(rest).substr(0, comma2));
                if (!byName.count(util::upperLatin(next)))
                    problem = plat::cp("o próximo lugar ") + inQuotes(next) + plat::cp(" da categoria não existe");
            }
            ref = util::trim(std::string_view(dest).substr(0, comma));
        }
        auto cat = nextOf.find(util::upperLatin(ref));  // the player matches categories whatever their case
        if (cat != nextOf.end())
            for (const std::string& next : cat->second) addPlace(next, out);
        if (out.empty()) addPlace(util::upperLatin(ref), out);
        return out;
    }
};

bool hasVariable(const std::string& s) { return s.find('$') != std::string::npos; }

// The names of the "$" variables a text refers to.
std::vector<std::string> variablesIn(const std::string& s) {
    std::vector<std::string> out;
    for (size_t i = s.find('$'); i != std::string::npos; i = s.find('$', i + 1)) {
        size_t e = i + 1;
        while (e < s.size() && s[e] != ' ' && s[e] != ',' && s[e] != '.' && s[e] != '|' && s[e] != '$') ++e;
        out.push_back(s.substr(i, e - i));
    }
    return out;
}

struct Checker {
    const TJogo& g;
    std::vector<std::string> warnings;
    std::string dir;  // the game's folder (Linux path): its relative names are looked up there

    void warn(const std::string& text) { warnings.push_back(plat::cp("Aviso: ") + text); }

    void destinations(const Destinations& d) {
        for (int n = 1; n <= g.placeCount && n <= kMaxPlaces; ++n) {
            const TLugar* p = g.place(n);
            if (!p) continue;
            auto check = [&](const std::string& dest, const char* field) {
                if (dest.empty()) return;  // leads to the next place
                std::string problem;
                std::set<int> to = d.resolve(dest, problem);
                if (!problem.empty())
                    warn(placeLabel(g, n) + ": " + field + " " + inQuotes(dest) + ": " + problem + ".");
                else if (to.empty())
                    warn(placeLabel(g, n) + ": " + field + " " + inQuotes(dest) +
                         plat::cp(" não é nome de lugar nem de categoria."));
            };
            for (const std::string& piece : splitBars(p->placeIfRight)) check(piece, "LUGAR OK");
            // The player takes the place if wrong whole, as one destination.
            check(p->placeIfWrong, "LUGAR ERRO");
            if (!p->placeIfRight.empty() && !hasVariable(p->expectedAnswer)) {
                size_t answers = splitBars(p->expectedAnswer).size();
                size_t dests = splitBars(p->placeIfRight).size();
                if (dests < answers)
                    warn(placeLabel(g, n) + plat::cp(": há ") + std::to_string(answers) +
                         plat::cp(" respostas esperadas e só ") + std::to_string(dests) +
                         plat::cp(dests == 1 ? " destino" : " destinos") +
                         plat::cp(" em LUGAR OK; as respostas sem destino seguem para o próximo lugar."));
            }
        }
    }

    // The places play may go to from place n.
    std::set<int> successors(const Destinations& d, int n) const {
        std::set<int> out;
        const TLugar* p = g.place(n);
        if (!p || p->endsGame) return out;
        bool next = false;
        if (p->expectedAnswer.empty() && p->placeIfRight.empty() && p->placeIfWrong.empty()) {
            next = true;
        } else {
            std::vector<std::string> dests = splitBars(p->placeIfRight);
            dests.push_back(p->placeIfWrong);
            if (hasVariable(p->expectedAnswer) || splitBars(p->expectedAnswer).size() > dests.size() - 1) next = true;
            std::string problem;
            for (const std::string& dest : dests) {
                if (dest.empty()) next = true;
                else for (int to : d.resolve(dest, problem)) out.insert(to);
            }
        }
        if (next) out.insert(n + 1);
        return out;
    }

    void reachability(const Destinations& d) {
        if (!g.place(1)) {
            if (g.placeCount > 0) warn(plat::cp("o lugar 1 não existe, e o jogo começa por ele."));
            return;
        }
        if (!g.general.program.empty()) return;  // the game's program decides the path
        std::vector<bool> seen(size_t(kMaxPlaces) + 2, false);
        std::deque<int> todo{1};
        seen[1] = true;
        while (!todo.empty()) {
            int n = todo.front();
            todo.pop_front();
            for (int to : successors(d, n)) {
                if (to < 1 || to > g.placeCount || to > kMaxPlaces || seen[size_t(to)]) continue;
                seen[size_t(to)] = true;
                todo.push_back(to);
            }
        }
        for (int n = 2; n <= g.placeCount && n <= kMaxPlaces; ++n)
            if (g.place(n) && !seen[size_t(n)])
                warn(placeLabel(g, n) + plat::cp(": nenhum caminho a partir do lugar 1 chega a este lugar."));
    }

    std::unordered_map<std::string, bool> exists;  // names looked up already: games repeat them

    bool existsInGameFolder(const std::string& name) {
        const std::string there = nameInFolder(dir, name);
        if (!there.empty()) return plat::fileExists(there);
        // A folder without a CP1252 name: look from inside it, then come back.
        const std::string before = plat::currentDir();
        if (!enterFolderPath(dir)) return plat::fileExists(name);
        const bool found = plat::fileExists(name);
        enterFolderPath(before);
        return found;
    }

    // Pictures and media are looked up in the game's folder.
    bool missingFile(const std::string& name) {
        if (name.empty() || hasVariable(name) || name.find("://") != std::string::npos) return false;
        auto known = exists.find(name);
        if (known == exists.end()) known = exists.emplace(name, existsInGameFolder(name)).first;
        return !known->second;
    }
    void fileMissing(const std::string& name, const std::string& where, const char* what) {
        if (!missingFile(name)) return;
        warn(where + ": " + plat::cp(what) + " " + inQuotes(name) + plat::cp(" não existe na pasta do jogo."));
    }

    void files() {
        if (!g.general.program.empty() && !hasVariable(g.general.program) && !existsInGameFolder(g.general.program))
            warn(plat::cp("o programa do jogo ") + inQuotes(g.general.program) +
                 plat::cp(" não existe na pasta do jogo; o jogo será jogado sem ele."));
        fileMissing(g.backgroundPicture, "modelo", "a imagem de fundo");
        for (int n = 1; n <= g.placeCount && n <= kMaxPlaces; ++n) {
            const TLugar* p = g.place(n);
            if (!p) continue;
            std::string where = placeLabel(g, n);
            fileMissing(p->backgroundPicture, where, "a imagem de fundo");
            fileMissing(p->media, where, "a mídia");
            for (int s = 1; s <= kMaxSlides; ++s) {
                const TSlide* sl = p->slide(s);
                if (!sl) continue;
                if (!missingFile(sl->picture) && sl->media.find('|') == std::string::npos && !missingFile(sl->media))
                    continue;  // the common case, without building the slide's label
                std::string sw = where + ", slide " + std::to_string(s);
                fileMissing(sl->picture, sw, "a figura");
                for (const std::string& m : splitBars(sl->media)) fileMissing(m, sw, "a mídia");
            }
        }
    }

    void slides() {
        for (int n = 1; n <= g.placeCount && n <= kMaxPlaces; ++n) {
            const TLugar* p = g.place(n);
            if (!p) continue;
            for (int s = 1; s <= kMaxSlides; ++s) {
                bool there = p->slide(s) != nullptr;
                if (s > p->slideCount && there)
                    warn(placeLabel(g, n) + ": o slide " + std::to_string(s) + plat::cp(" está além do número de slides (") +
                         std::to_string(p->slideCount) + plat::cp("): não será mostrado e se perde ao gravar."));
                else if (s <= p->slideCount && !there)
                    warn(placeLabel(g, n) + ": o slide " + std::to_string(s) + plat::cp(" não existe, mas o lugar diz ter ") +
                         std::to_string(p->slideCount) + (p->slideCount == 1 ? " slide." : " slides."));
            }
        }
    }

    void variables() {
        // Where a warning is, spelt out only when there is one: a large game has
        // half a million texts and almost no warnings.
        auto look = [&](const std::string& text, auto&& where) {
            if (text.find('$') == std::string::npos) return;
            for (const std::string& v : variablesIn(text)) {
                // The player itself gives these four their values, with or without a program.
                std::string name = util::upperLatin(v.substr(1));
                if (name == "LUGAR" || name == "PONTOS" || name == "RESPOSTA" || name == "STATUS") continue;
                warn(where() + plat::cp(" usa a variável ") + v +
                     (g.general.program.empty() ? plat::cp(", mas o jogo não tem programa que lhe dê valor.")
                                                : std::string(".")));
            }
        };
        for (int n = 1; n <= g.placeCount && n <= kMaxPlaces; ++n) {
            const TLugar* p = g.place(n);
            if (!p) continue;
            auto where = [&](const char* field) { return [this, n, field] { return placeLabel(g, n) + plat::cp(field); }; };
            look(p->expectedAnswer, where(": RESPOSTA ESPERADA"));
            look(p->placeIfRight, where(": LUGAR OK"));
            look(p->placeIfWrong, where(": LUGAR ERRO"));
            look(p->media, where(": MÍDIA"));
            look(p->backgroundPicture, where(": FUNDO"));
            for (int s = 1; s <= kMaxSlides; ++s) {
                const TSlide* sl = p->slide(s);
                if (!sl) continue;
                auto sw = [&](const std::string& field) {
                    return [this, n, s, field] { return placeLabel(g, n) + ", slide " + std::to_string(s) + field; };
                };
                look(sl->picture, sw(": FIGURA"));
                look(sl->media, sw(plat::cp(": MÍDIA")));
                for (size_t t = 0; t < sl->text.size(); ++t)
                    if (sl->text[t].find('$') != std::string::npos) look(sl->text[t], sw(": texto " + std::to_string(t)));
            }
        }
    }
};

// What the file itself shows, with its lines: what breaks play although the file
// reads without error.
struct StructureChecker {
    const TJogo& g;
    const FileMap& map;
    std::vector<std::string>& warnings;

    void warn(const std::string& text) { warnings.push_back(plat::cp("Aviso: ") + text); }

    // The line of the section that holds place n (the last one, when repeated).
    long placeLine(int n) const {
        long line = 0;
        for (const auto& h : map.placeHeaders)
            if (h.first == n) line = h.second;
        return line;
    }
    std::string at(int n) const { return placeLabel(g, n) + ", linha " + std::to_string(placeLine(n)); }

    void sectionOrder() {
        if (map.modelAfterPlaces)
            warn("linha " + std::to_string(map.modelLine) +
                 plat::cp(": [MODELO] vem depois dos lugares; versões anteriores do Ludivar perdiam todos os lugares "
                          "deste arquivo. Grave o jogo no editor para pôr as seções em ordem."));
        std::map<int, std::vector<long>> headers;
        int highest = 0;
        for (const auto& h : map.placeHeaders) {
            headers[h.first].push_back(h.second);
            highest = std::max(highest, h.first);
        }
        for (const auto& [n, lines] : headers) {
            if (lines.size() < 2) continue;
            std::string list;
            for (size_t i = 0; i < lines.size(); ++i)
                list += (i == 0 ? "" : i + 1 == lines.size() ? " e " : ", ") + std::to_string(lines[i]);
            warn("[LUGAR " + std::to_string(n) + "] aparece nas linhas " + list +
                 plat::cp(": só a última vale, e o que veio antes (slides também) se perde."));
        }
        if (map.declaredPlaces > highest)
            warn("linha " + std::to_string(map.declaredLine) + ": LUGARES=" + std::to_string(map.declaredPlaces) +
                 plat::cp(", mas o arquivo só traz lugares até o ") + std::to_string(highest) +
                 plat::cp("; o arquivo pode ter sido cortado."));
    }

    void places() {
        std::map<std::string, int> byName;
        std::set<std::string> categories;
        for (int n = 1; n <= g.placeCount && n <= kMaxPlaces; ++n)
            if (const TLugar* p = g.place(n); p && !util::trimView(p->category).empty())
                categories.insert(util::upperLatin(util::trimView(p->category)));
        for (int n = 1; n <= g.placeCount && n <= kMaxPlaces; ++n) {
            const TLugar* p = g.place(n);
            if (!p) continue;
            int shown = 0;
            for (int s = 1; s <= std::min<int>(p->slideCount, kMaxSlides); ++s) shown += p->slide(s) ? 1 : 0;
            if (shown == 0)
                warn(at(n) + plat::cp(": o lugar não tem slides; ao jogar, toda tecla só dá um bip."));
            std::string key = util::upperLatin(util::trimView(p->name));
            auto [it, fresh] = byName.emplace(key, n);
            if (!fresh)
                warn(at(n) + plat::cp(": tem o mesmo nome do ") + at(it->second) +
                     plat::cp("; os destinos com esse nome levam sempre ao primeiro."));
            if (categories.count(key))
                warn(at(n) + plat::cp(": tem o nome de uma categoria; um destino com esse nome leva à categoria, "
                                      "não a este lugar."));
        }
    }

    void answers() {
        for (const FileMap::Line& a : map.answers) {
            for (const std::string& piece : splitBars(a.value)) {
                if (piece.empty() || util::trimView(piece).size() == piece.size()) continue;
                warn(placeLabel(g, a.place) + ", linha " + std::to_string(a.line) + plat::cp(": a resposta esperada ") +
                     inQuotes(piece) + plat::cp(" tem espaços junto ao \"|\" e nunca será aceita."));
            }
        }
    }

    void flags() {
        for (const FileMap::Line& f : map.flags) {
            if (f.value.empty()) continue;
            uint8_t c = uint8_t(f.value[0]);
            bool slideFlag = f.slide > 0;
            // What the reader takes for yes: "S" or "1" on slides, "S" or "s" for TERMINADOR;
            // "N", "n" and "0" are plainly no.  Anything else is read as no without saying so.
            bool yes = slideFlag ? (c == 'S' || c == '1') : (c == 'S' || c == 's');
            bool no = c == 'N' || c == 'n' || c == '0';
            if (yes || no) continue;
            std::string where = placeLabel(g, f.place) + (slideFlag ? ", slide " + std::to_string(f.slide) : "");
            warn(where + ", linha " + std::to_string(f.line) + ": " + f.key + "=" + f.value +
                 plat::cp(" é lido como NÃO; escreva SIM ou NÃO."));
        }
    }
};

}  // namespace

int colourIndexOf(const std::string& colour) {
    struct Name {
        const char* name;
        int index;
    };
    static const Name kNames[] = {
        {"PRETO", 0},    {"PRETA", 0},    {"BLACK", 0},   {"AZUL", 1},     {"BLUE", 1},    {"VERDE", 2},
        {"GREEN", 2},    {"CIANO", 3},    {"CYAN", 3},    {"VERMELHO", 4}, {"VERMELHA", 4}, {"RED", 4},
        {"ROXO", 5},     {"ROXA", 5},     {"MAGENTA", 5}, {"MARROM", 6},   {"BROWN", 6},   {"CINZA", 7},
        {"GRAY", 7},     {"AMARELO", 14}, {"AMARELA", 14}, {"YELLOW", 14}, {"BRANCO", 15}, {"BRANCA", 15},
        {"WHITE", 15},
    };
    const std::string c = util::upperLatin(util::trim(colour));
    if (c.empty()) return 0;
    if (c[0] >= '0' && c[0] <= '9') {
        int v = 0;
        for (char d : c) {
            if (d < '0' || d > '9') return 0;
            v = v * 10 + (d - '0');
            if (v > 15) return 0;
        }
        return v;
    }
    for (const Name& n : kNames)
        if (c == n.name) return n.index;
    return 0;
}

namespace {
double relativeLuminance(plat::Rgb c) {
    auto channel = [](uint8_t v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.r) + 0.7152 * channel(c.g) + 0.0722 * channel(c.b);
}

std::string oneDecimal(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", std::floor(v * 10.0) / 10.0);  // never rounded up past a limit
    std::string s = buf;
    std::replace(s.begin(), s.end(), '.', ',');
    return s;
}
}  // namespace

double contrastRatio(int paletteA, int paletteB) {
    const double a = relativeLuminance(plat::paletteEntry(paletteA));
    const double b = relativeLuminance(plat::paletteEntry(paletteB));
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

std::string contrastWarning(const TJogo& g, int place) {
    const TLugar* p = g.place(place);
    if (!p) return std::string();
    const bool ownBackground = !util::trim(p->backgroundColour).empty();
    const bool ownText = !util::trim(p->textColour).empty();
    if (!ownBackground && !ownText) return std::string();
    const int back = ownBackground ? colourIndexOf(p->backgroundColour) : 0;
    const int ink = ownText ? colourIndexOf(p->textColour) : 15;
    const double ratio = contrastRatio(ink, back);
    if (ratio >= kLeastContrast) return std::string();
    const std::string inkName = ownText ? p->textColour : std::string("BRANCO");
    const std::string backName = ownBackground ? p->backgroundColour : std::string("PRETO");
    return placeLabel(g, place) + ": a cor da letra " + inkName + " sobre o fundo " + backName +
           " tem contraste " + oneDecimal(ratio) + plat::cp(":1, abaixo de 4,5:1; um aluno com baixa visão mal lê o texto.");
}

std::vector<std::string> GameWarnings(const TJogo& g, const std::string& gameDir) {
    Checker c{g, {}, gameDir, {}};
    Destinations d(g);
    c.destinations(d);
    c.files();
    c.reachability(d);
    c.slides();
    c.variables();
    for (int n = 1; n <= g.placeCount && n <= kMaxPlaces; ++n) {
        const std::string w = contrastWarning(g, n);
        if (!w.empty()) c.warnings.push_back(w);
    }
    return c.warnings;
}

CheckReport CheckGame(const std::string& linuxPath) {
    CheckReport rep;
    // The checker reads into a game of its own; the random flag plays no part here.
    auto g = std::make_unique<TJogo>();
    FileMap map;
    ReadResult r = ReadGameFile(linuxPath, *g, &map);
    if (!r.ok) {
        FailureReport f = MakeFailureReport(r);
        if (!f.slideMessage.empty()) rep.lines.push_back(f.slideMessage);
        rep.lines.push_back(f.heading);
        if (r.stop == ReadStop::TooLarge) {
            rep.lines.push_back(safety::gameFileTooLargeText());
        } else if (r.stop == ReadStop::NotText) {
            rep.lines.push_back(plat::cp("O arquivo não é um jogo: é um arquivo binário (bytes nulos na linha ") +
                                std::to_string(r.line) + ").");
        } else if (r.line > 0) {
            rep.lines.push_back(f.lineLabel + f.lineNumber);
            rep.lines.push_back(f.contentLabel);
            rep.lines.push_back(f.content);
        } else {
            rep.lines.push_back(plat::cp("Não foi possível abrir ") + plat::utf8ToCp1252(linuxPath));
        }
        return rep;
    }
    int places = 0, slides = 0;
    for (int n = 1; n <= g->placeCount && n <= kMaxPlaces; ++n) {
        const TLugar* p = g->place(n);
        if (!p) continue;
        ++places;
        for (int s = 1; s <= kMaxSlides; ++s) slides += p->slide(s) ? 1 : 0;
    }
    // A file that reads without error but holds no section at all is no game either.
    struct stat st;
    if (map.placeHeaders.empty() && map.modelLine == 0 && g->general.name.empty() &&
        stat(linuxPath.c_str(), &st) == 0 && st.st_size > 0) {
        rep.lines.push_back(plat::cp("O arquivo não é um jogo: não tem nenhuma seção de jogo."));
        return rep;
    }
    rep.loaded = true;
    rep.lines.push_back(plat::cp("Jogo ") + inQuotes(g->general.name) + " lido sem erros: " + std::to_string(places) +
                        (places == 1 ? " lugar, " : " lugares, ") + std::to_string(slides) +
                        (slides == 1 ? " slide." : " slides."));
    if (r.utf8) rep.lines.push_back(plat::cp("O arquivo está em UTF-8; o editor o grava em Windows-1252."));
    StructureChecker sc{*g, map, rep.warnings};
    sc.sectionOrder();
    sc.places();
    sc.answers();
    sc.flags();
    if (!r.lost.empty())
        sc.warn(plat::cp("o arquivo tem caracteres que o formato do jogo não guarda; ao gravar, viram \"?\"."));
    fs::path dir = fs::path(linuxPath).parent_path();
    std::vector<std::string> more = GameWarnings(*g, dir.empty() ? std::string(".") : dir.string());
    rep.warnings.insert(rep.warnings.end(), more.begin(), more.end());
    rep.lines.insert(rep.lines.end(), rep.warnings.begin(), rep.warnings.end());
    size_t w = rep.warnings.size();
    rep.lines.push_back(w == 0 ? std::string("Nenhum aviso.") : std::to_string(w) + (w == 1 ? " aviso." : " avisos."));
    return rep;
}

std::string PrintableLine(const std::string& cp1252) {
    std::string out = cp1252;
    // Controls (and the CP1252 holes, which become C1 controls in UTF-8) could move
    // the cursor, clear the screen or fake lines of the report.
    for (char& ch : out) {
        uint8_t c = uint8_t(ch);
        if (c < 0x20 || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D) ch = '?';
    }
    return out;
}

int runCheck(const std::string& path) {
    CheckReport rep = CheckGame(plat::mapPath(path));
    for (const std::string& line : rep.lines) std::printf("%s\n", plat::cp1252ToUtf8(PrintableLine(line)).c_str());
    std::fflush(stdout);
    return rep.loaded ? 0 : 1;
}

}  // namespace game
