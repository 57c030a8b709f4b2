// Text normalization of the embedded engine: numbers, symbols, spelled words and
// abbreviations become Portuguese words.
#include "speech/brisa/chain.h"

#include <fstream>
#include <sstream>

#include "platform/platform.h"
#include "util/numbers.h"
#include "util/text.h"

namespace brisa {

namespace {

LanguageState gLang;

const char* const kUnits[] = {"zero", "um", "dois", "três", "quatro", "cinco", "seis", "sete", "oito", "nove"};
const char* const kOrdUnits[] = {"",       "primeiro", "segundo", "terceiro", "quarto",
                                 "quinto", "sexto",    "sétimo",  "oitavo",   "nono"};
const char* const kOrdTens[] = {"",            "décimo",     "vigésimo",     "trigésimo",  "quadragésimo",
                                "quinquagésimo", "sexagésimo", "septuagésimo", "octagésimo", "nonagésimo"};
const char* const kOrdHundreds[] = {"",              "centésimo",      "ducentésimo",    "tricentésimo",
                                    "quadrigentésimo", "quingentésimo",  "seiscentésimo",  "septigentésimo",
                                    "octigentésimo",   "nongentésimo"};

// Names of 32-126.
const char* const kAsciiNames[] = {
    "espaço", "exclamação", "aspas", "sustenido", "cifrão", "porcento", "é comercial", "apóstrofo",
    "abre parênteses", "fecha parênteses", "asterisco", "mais", "vírgula", "traço", "ponto", "barra",
    "zéro", "um", "dois", "três", "quatro", "cinco", "seis", "séte", "oito", "nóve",
    "dois pontos", "ponto e vírgula", "menor que", "igual", "maior que", "interrogação", "arrôba",
    "a", "bê", " sê", " dê", "é", "éfe", "jê", "agá", "i", "jóta", "cá", "éle", "ême", "êne", "ó", "pê",
    "quê", "érre", "ésse", "tê", "u", "vê", "dábliu", "xis", "ípsilon", "zê",
    "abre colchete", "barra invertida", "fecha colchete", "circunflexo", "sublinhado", "crase",
    "a", "bê", " sê", " dê", "é", "éfe", "jê", "agá", "i", "jota", "cá", "éle", "ême", "ene", "ó", "pê",
    "quê", "érre", "ésse", "tê", "u", "vê", "dábliu", "xis", "ípsilon", "zê",
    "abre chave", "barra vertical", "fecha chave", "til"};
// Names of 161-191.
const char* const kSymbolNames[] = {
    "exclamação reversa", "centavos de dólar", "libras", "símbolo de moeda", "iene", "barra interrompida",
    "parágrafo", "trema", "copyright", "ordinal feminino", "Aspas esquerdas", "negação", "hífen",
    "Marca registrada", "mácron", "grau", "mais ou menos", "elevado ao quadrado", "elevado ao cubo",
    "acento agudo", "mi", "pi", "ponto no meio", "cedilha", "expoente um", "ordinal masculino",
    "aspas direitas", "um quarto", "um meio", "três quartos", "interrogação reversa"};
// Names of 192-220.
const char* const kAccentNames[] = {
    "A grave", "A agudo", "A circunflexo", "A com til", "A com trema", "A bola", "A É", "Cê cedilha",
    "É grave", "É agudo", "É circunflexo", "É com trema", "I grave", "I agudo", "I circunflexo",
    "I com trema", "Dê cortado", "N com til", "Ó grave", "Ó agudo", "Ó circunflexo", "Ó com til",
    "Ó tremado", "vezes", "Ó cortado", "U grave", "U agudo", "U circunflexo", "U com trema"};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

LanguageState& languageState() { return gLang; }
void resetLanguage() { gLang = LanguageState(); }

namespace {
// True when the bytes form UTF-8 with at least one multi-byte character.
bool isUtf8WithAccents(const std::string& s) {
    bool multi = false;
    for (size_t i = 0; i < s.size();) {
        const uint8_t c = uint8_t(s[i]);
        size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (size_t k = 1; k < n; ++k)
            if ((uint8_t(s[i + k]) & 0xC0) != 0x80) return false;
        multi |= n > 1;
        i += n;
    }
    return multi;
}
}  // namespace

bool readLanguageFile(const std::string& linuxPath, std::vector<std::string>& lines) {
    std::ifstream in(linuxPath, std::ios::binary);
    if (!in) return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    if (in.bad()) return false;
    std::string text = ss.str();
    if (isUtf8WithAccents(text)) text = plat::utf8ToCp1252(text);
    lines.clear();
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != '\r') {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return true;
}

// ---- numbers ------------------------------------------------------------------------

std::string cardinalWords(uint64_t value) {
    if (value == 0) return "zero";
    // Beyond the trillions only the last fifteen digits are said (none when they are all zeros).
    value %= 1000000000000000ULL;
    return value == 0 ? std::string() : util::numberWords(std::to_string(value));
}

std::string ordinalWords(uint64_t value, bool feminine) {
    if (value >= 2000) return cardinalWords(value);
    if (value == 0) return "zero";
    std::vector<std::string> words;
    const int th = int(value / 1000), h = int(value / 100 % 10), t = int(value / 10 % 10), u = int(value % 10);
    if (th) words.push_back("milésimo");
    if (h) words.push_back(kOrdHundreds[h]);
    if (t) words.push_back(kOrdTens[t]);
    if (u) words.push_back(kOrdUnits[u]);
    std::string out;
    for (std::string w : words) {
        w = plat::cp(w.c_str());
        if (feminine) w.back() = 'a';
        if (!out.empty()) out += ' ';
        out += w;
    }
    return out;
}

std::string characterName(uint8_t code) {
    if (code >= 32 && code <= 126) return plat::cp(kAsciiNames[code - 32]);
    if (code >= 161 && code <= 191) return plat::cp(kSymbolNames[code - 161]);
    if (code >= 192 && code <= 220) return plat::cp(kAccentNames[code - 192]);
    if (code >= 224 && code <= 252) return characterName(uint8_t(code - 32));
    return std::string();
}

// ---- abbreviations --------------------------------------------------------------------

bool loadAbbreviations(const std::string& linuxPath) {
    std::vector<std::string> lines;
    gLang.abbreviations.clear();
    if (!readLanguageFile(linuxPath, lines)) return false;
    for (const std::string& raw : lines) {
        const std::string line = util::trimLineSpace(raw);
        if (line.empty() || line[0] == ';') continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = util::upperLatin(util::trimLineSpace(line.substr(0, eq)));
        if (key.empty()) continue;
        gLang.abbreviations.emplace_back(key, util::trimLineSpace(line.substr(eq + 1)));
    }
    return true;
}

namespace {

const std::string* findAbbreviation(const std::string& word) {
    const std::string up = util::upperLatin(word);
    for (const auto& a : gLang.abbreviations)
        if (a.first == up) return &a.second;
    return nullptr;
}

bool isWordChar(uint8_t c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
    switch (c & ~0x20) {  // the accented capitals; lower case differs by 32
        case 0xC0: case 0xC1: case 0xC2: case 0xC3: case 0xC7: case 0xC9: case 0xCA: case 0xCC:
        case 0xCD: case 0xD1: case 0xD3: case 0xD4: case 0xD5: case 0xD9: case 0xDA: case 0xDC:
            return c >= 0xC0;
        default:
            return false;
    }
}

bool isConsonantLetter(uint8_t c) {
    const uint8_t u = (c >= 'a' && c <= 'z') ? uint8_t(c - 32) : c;
    if (u >= 'A' && u <= 'Z') return u != 'A' && u != 'E' && u != 'I' && u != 'O' && u != 'U';
    return c == 0xC7 || c == 0xD1 || c == 0xE7 || c == 0xF1;
}

bool isLetter(uint8_t c) { return isWordChar(c); }

// Algorithm of a number at `i`; appends its words and moves `i` past it.
void readNumber(const std::string& t, size_t& i, std::string& out) {
    size_t runEnd = i;
    bool hyphen = false;
    while (runEnd < t.size() && (isDigit(t[runEnd]) || t[runEnd] == '-')) hyphen |= t[runEnd++] == '-';
    if (hyphen) {
        for (; i < runEnd; ++i) {
            out += ' ';
            out += t[i] == '-' ? plat::cp("traço") : plat::cp(kUnits[t[i] - '0']);
        }
        return;
    }
    std::string zeros;
    while (i + 1 < t.size() && t[i] == '0' && isDigit(t[i + 1])) {
        zeros += "zero ";
        ++i;
    }
    uint64_t value = 0;
    int digits = 0;
    while (i < t.size() && digits < 15) {
        if (isDigit(t[i])) {
            value = value * 10 + uint64_t(t[i] - '0');
            ++digits;
            ++i;
        } else if (t[i] == '.' && digits > 0 && i + 3 < t.size() && isDigit(t[i + 1]) && isDigit(t[i + 2]) &&
                   isDigit(t[i + 3]) && !(i + 4 < t.size() && isDigit(t[i + 4]))) {
            ++i;  // a thousands separator
        } else {
            break;
        }
    }
    auto at = [&](size_t k) { return k < t.size() ? t[k] : '\0'; };
    const char c0 = at(i), c1 = at(i + 1), c2 = at(i + 2);
    if (uint8_t(c0) == 186 || uint8_t(c0) == 170) {
        out += ordinalWords(value, uint8_t(c0) == 170);
        ++i;
    } else if ((c0 == 'o' || c0 == 'a') && c1 == '.') {
        out += ordinalWords(value, c0 == 'a');
        i += 2;
    } else if ((c0 == 'o' || c0 == 'a') && c1 == 's' && c2 == '.') {
        out += ordinalWords(value, c0 == 'a') + "s";
        i += 3;
    } else {
        out += zeros + cardinalWords(value);
    }
}

const char* const kMonths[] = {"janeiro", "fevereiro", "março",    "abril",   "maio",     "junho",
                               "julho",   "agosto",    "setembro", "outubro", "novembro", "dezembro"};

// dd/mm/aaaa (or dd/mm/aa) at `i`, a real day and month: "vinte e cinco de dezembro de dois mil ...".
bool readDate(const std::string& t, size_t& i, std::string& out) {
    size_t k = i;
    auto digits = [&](size_t maxLen, int& v) {
        const size_t start = k;
        v = 0;
        while (k < t.size() && isDigit(t[k]) && k - start < maxLen) v = v * 10 + (t[k++] - '0');
        return k - start;
    };
    int day, month, year;
    if (digits(2, day) == 0 || k >= t.size() || t[k] != '/') return false;
    ++k;
    if (digits(2, month) == 0 || k >= t.size() || t[k] != '/') return false;
    ++k;
    const size_t yearLen = digits(4, year);
    if ((yearLen != 4 && yearLen != 2) || (k < t.size() && isDigit(t[k]))) return false;
    if (day < 1 || day > 31 || month < 1 || month > 12) return false;
    out += day == 1 ? std::string("primeiro") : cardinalWords(uint64_t(day));
    out += " de " + plat::cp(kMonths[month - 1]) + " de " + cardinalWords(uint64_t(year));
    i = k;
    return true;
}

// "R$ 12,50" -> "doze reais e cinquenta centavos"; `i` is at the R.
bool readMoney(const std::string& t, size_t& i, std::string& out) {
    size_t k = i + 2;
    while (k < t.size() && t[k] == ' ') ++k;
    if (k >= t.size() || !isDigit(t[k])) {
        out += "reais";
        i += 2;
        return true;
    }
    uint64_t whole = 0;
    int digits = 0;
    while (k < t.size() && digits < 15) {
        if (isDigit(t[k])) {
            whole = whole * 10 + uint64_t(t[k++] - '0');
            ++digits;
        } else if (t[k] == '.' && k + 3 < t.size() && isDigit(t[k + 1]) && isDigit(t[k + 2]) && isDigit(t[k + 3])) {
            ++k;  // thousands
        } else {
            break;
        }
    }
    int cents = -1;
    if (k + 1 < t.size() && t[k] == ',' && isDigit(t[k + 1])) {
        cents = (t[k + 1] - '0') * 10;
        k += 2;
        if (k < t.size() && isDigit(t[k])) cents += t[k++] - '0';
    }
    std::string words;
    if (whole > 0 || cents <= 0) {
        words = cardinalWords(whole);
        // "um milhão de reais", "dois mil reais"
        const bool ofReais = whole >= 1000000 && whole % 1000000 == 0;
        words += whole == 1 ? " real" : ofReais ? " de reais" : " reais";
    }
    if (cents > 0) {
        if (!words.empty()) words += " e ";
        words += cardinalWords(uint64_t(cents)) + (cents == 1 ? " centavo" : " centavos");
    }
    out += words + " ";
    i = k;
    return true;
}

// A capital alone is a letter when it answers a quiz ("a letra O", "resposta: B.",
// "(C)") rather than the article or the conjunction of a sentence.
bool isLetterAlone(const std::string& t, size_t start, size_t end, const std::string& out) {
    const uint8_t c = uint8_t(t[start]);
    if (end != start + 1 || !(c >= 'A' && c <= 'Z')) return false;
    std::string before = util::trimLineSpace(out);
    if (before.size() >= 5 && util::upperLatin(before.substr(before.size() - 5)) == "LETRA") return true;
    size_t k = end;
    while (k < t.size() && t[k] == ' ') ++k;
    return k == t.size() || t[k] == ')' || t[k] == ':' || (t[k] == '.' && start > 0);
}

}  // namespace

std::string normalizeText(const std::string& input) {
    std::string t = input;
    if (t.size() == 1) t = characterName(uint8_t(t[0]));
    std::string out;
    size_t i = 0;
    auto at = [&](size_t k) { return k < t.size() ? t[k] : '\0'; };
    while (i < t.size()) {
        const char c = t[i];
        const uint8_t u = uint8_t(c);
        if (c == '-' && i > 0 && t[i - 1] == ' ' && at(i + 1) == ' ') {
            out += ',';
            ++i;
        } else if (c == '-' && isDigit(at(i + 1))) {
            out += "menos ";
            ++i;
        } else if (isDigit(c) && readDate(t, i, out)) {
            out += ' ';
        } else if ((c == 'R' || c == 'r') && at(i + 1) == '$' && (i == 0 || !isWordChar(uint8_t(t[i - 1])))) {
            readMoney(t, i, out);
        } else if ((c == 'n' || c == 'N') && (uint8_t(at(i + 1)) == 0xBA || uint8_t(at(i + 1)) == 0xB0) &&
                   (i == 0 || !isWordChar(uint8_t(t[i - 1])))) {
            // nº 5, Nº. 12
            out += plat::cp("número");
            i += at(i + 2) == '.' ? 3 : 2;
        } else if (isDigit(c)) {
            readNumber(t, i, out);
            out += ' ';
            while ((at(i) == ',' || at(i) == '.') && isDigit(at(i + 1))) {
                out += at(i) == ',' ? plat::cp("vírgula ") : std::string("ponto ");
                ++i;
                readNumber(t, i, out);
                out += ' ';
            }
        } else if (isWordChar(u)) {
            size_t end = i;
            while (end < t.size() && (isWordChar(uint8_t(t[end])) || (t[end] == '-' && isWordChar(uint8_t(t[end - 1])))))
                ++end;
            const std::string word = t.substr(i, end - i);
            bool allConsonants = true;
            for (char w : word)
                if (isLetter(uint8_t(w)) && !isConsonantLetter(uint8_t(w))) allConsonants = false;
            const std::string* abbr = findAbbreviation(word);
            // An abbreviation ends with "." and a blank, or with "." at the end of the text.
            const bool dotted = at(end) == '.' && (at(end + 1) == ' ' || end + 1 == t.size());
            if (isLetterAlone(t, i, end, out)) {
                out += characterName(uint8_t(c));
                i = end;
                continue;
            }
            if (dotted && abbr) {
                out += *abbr;
                i = end + 1;
                continue;
            }
            if (allConsonants && !(at(end) == '.' && abbr)) {
                for (char w : word) out += characterName(uint8_t(w));
            } else {
                out += word;
            }
            i = end;
        } else if (c == '.' && at(i + 1) == '.' && at(i + 2) == '.') {
            out += "... ";
            i += 3;
        } else if (c == '.' && i + 1 < t.size() && t[i + 1] != ' ') {
            out += " ponto ";
            ++i;
        } else if (c == ' ' || c == '!' || c == '(' || c == ')' || c == ',' || c == '.' || c == ':' || c == ';' ||
                   c == '?') {
            out += c;
            ++i;
        } else if (c == '\t' || c == '\n' || c == '\r') {
            ++i;
        } else {
            out += ' ' + characterName(u) + ' ';
            ++i;
        }
    }
    return out;
}

}  // namespace brisa
