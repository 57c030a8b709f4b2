// Pronunciation dictionaries: reading, writing and applying the word lists.
#include "speech/lexicon.h"

#include <algorithm>

#include "platform/files.h"
#include "platform/platform.h"
#include "util/folders.h"
#include "util/log.h"
#include "util/text.h"

namespace speech {

namespace {

// A file larger than this is no word list (the user's or a downloaded game's).
constexpr size_t kMaxFileBytes = 1 << 20;
constexpr size_t kMaxWordBytes = 64;
constexpr size_t kMaxReadingBytes = 255;

struct LexiconState {
    Lexicon user, game;
    int gameDepth = 0;  // open GameTexts scopes
};
LexiconState gLex;

// Word letters: ASCII and CP1252 letters, the way a reader sees a word.
bool isWordByte(uint8_t c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
    if (c == 0x8A || c == 0x8C || c == 0x8E || c == 0x9A || c == 0x9C || c == 0x9E || c == 0x9F) return true;
    return c >= 0xC0 && c != 0xD7 && c != 0xF7;
}

bool validUtf8(const std::string& s) {
    size_t i = 0;
    while (i < s.size()) {
        const uint8_t c = uint8_t(s[i]);
        size_t n = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 9;
        if (n == 9 || i + n >= s.size()) return false;
        for (size_t k = 1; k <= n; ++k)
            if ((uint8_t(s[i + k]) >> 6) != 2) return false;
        i += n + 1;
    }
    return true;
}

std::string folded(const std::string& word) { return util::upperLatin(word); }

const LexiconEntry* find(const Lexicon& lexicon, const std::string& key) {
    for (const LexiconEntry& e : lexicon)
        if (folded(e.word) == key) return &e;
    return nullptr;
}

}  // namespace

bool validLexiconWord(const std::string& word) {
    if (word.empty() || word.size() > kMaxWordBytes) return false;
    return std::all_of(word.begin(), word.end(), [](char c) { return isWordByte(uint8_t(c)); });
}

bool validLexiconReading(const std::string& said) {
    if (util::trim(said).empty() || said.size() > kMaxReadingBytes) return false;
    return std::none_of(said.begin(), said.end(), [](char c) { return uint8_t(c) < 32 || c == '='; });
}

void lexiconSet(Lexicon& lexicon, const std::string& word, const std::string& said) {
    const std::string key = folded(word);
    for (LexiconEntry& e : lexicon) {
        if (folded(e.word) == key) {
            e = {word, said};
            return;
        }
    }
    lexicon.push_back({word, said});
}

bool lexiconRemove(Lexicon& lexicon, const std::string& word) {
    const std::string key = folded(word);
    const auto it = std::find_if(lexicon.begin(), lexicon.end(),
                                 [&](const LexiconEntry& e) { return folded(e.word) == key; });
    if (it == lexicon.end()) return false;
    lexicon.erase(it);
    return true;
}

Lexicon parseLexicon(const std::string& raw, std::vector<LexiconProblem>* problems) {
    const std::string text = validUtf8(raw) ? plat::utf8ToCp1252(raw) : raw;
    Lexicon out;
    int number = 0;
    size_t i = 0;
    while (i < text.size()) {
        size_t end = text.find('\n', i);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(i, end - i);
        i = end + 1;
        ++number;
        if (number == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);  // a stray mark
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string trimmed = util::trimSpaces(line);
        if (trimmed.empty() || trimmed[0] == '#' || trimmed[0] == ';') continue;
        auto bad = [&](const char* why) {
            if (problems) problems->push_back({number, why});
        };
        const size_t eq = trimmed.find('=');
        if (eq == std::string::npos) {
            bad("falta o sinal de igual");
            continue;
        }
        const std::string word = util::trimSpaces(trimmed.substr(0, eq));
        const std::string said = util::trimSpaces(trimmed.substr(eq + 1));
        if (!validLexiconWord(word)) {
            bad("a palavra deve ser uma só, só com letras");
            continue;
        }
        if (!validLexiconReading(said)) {
            bad("falta como dizer, ou tem um segundo sinal de igual");
            continue;
        }
        lexiconSet(out, word, said);
    }
    return out;
}

std::string lexiconFileText(const Lexicon& lexicon) {
    std::string out;
    for (const LexiconEntry& e : lexicon) out += plat::cp1252ToUtf8(e.word + "=" + e.said) + "\n";
    return out;
}

std::string applyLexicon(const std::string& text, const Lexicon& first, const Lexicon* second) {
    if (first.empty() && (!second || second->empty())) return text;
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        if (!isWordByte(uint8_t(text[i]))) {
            out += text[i++];
            continue;
        }
        size_t j = i;
        while (j < text.size() && isWordByte(uint8_t(text[j]))) ++j;
        const std::string word = text.substr(i, j - i);
        const std::string key = folded(word);
        const LexiconEntry* e = find(first, key);
        if (!e && second) e = find(*second, key);
        out += e ? e->said : word;
        i = j;
    }
    return out;
}

Lexicon loadLexiconFile(const std::string& path) {
    std::string text;
    if (!plat::readPath(path, text, kMaxFileBytes + 1)) return {};
    if (text.size() > kMaxFileBytes) {
        util::log(path + ": grande demais para um dicionário de pronúncia; não foi lido");
        return {};
    }
    std::vector<LexiconProblem> problems;
    Lexicon lexicon = parseLexicon(text, &problems);
    for (const LexiconProblem& p : problems)
        util::log(path + ":" + std::to_string(p.line) + ": " + plat::cp1252ToUtf8(p.reason) + "; linha ignorada");
    return lexicon;
}

void setUserLexicon(Lexicon lexicon) { gLex.user = std::move(lexicon); }
const Lexicon& userLexicon() { return gLex.user; }
void setGameLexicon(Lexicon lexicon) { gLex.game = std::move(lexicon); }
const Lexicon& gameLexicon() { return gLex.game; }
void resetLexicons() { gLex = LexiconState(); }

std::string userLexiconPath() { return util::settingsDir() + "/pronuncia.txt"; }
void loadUserLexicon() { setUserLexicon(loadLexiconFile(userLexiconPath())); }
void loadGameLexicon(const std::string& gameFolder) {
    setGameLexicon(gameFolder.empty() ? Lexicon() : loadLexiconFile(gameFolder + "/pronuncia.txt"));
}

std::string spokenForm(const std::string& text) {
    if (gLex.gameDepth > 0) return applyLexicon(text, gLex.game, &gLex.user);
    return applyLexicon(text, gLex.user);
}

GameTexts::GameTexts() { ++gLex.gameDepth; }
GameTexts::~GameTexts() { --gLex.gameDepth; }

}  // namespace speech
