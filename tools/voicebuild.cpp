// The voice builder: renders with espeak-ng (pt-br) the data the own synthesizer
// and the console play, in the family's formats, under the family root:
//   sonare/som/letras/    "_" + code of every character with a name, number, time
//                         and date words, the console's recorded messages, the
//                         phonetic names of the letters, telephone tones
//   sonare/som/difones/   regras.rgr, portug.exc and the diphone databases
//                         DIFONES1..3 (.IND sorted index, .DIF 8-bit 11025 Hz)
//   ECOLAR.INI            our defaults (data/ECOLAR.INI), pointing at all of it
// The unit inventory is what our rules produce: every word of the word list and
// a systematic set of syllables is transcribed and cut into units exactly as the
// synthesizer does, and every unit name asked for is rendered.
//
// Usage: ludivar_voicebuild --rules FILE --exceptions FILE --ini FILE --out ROOT [--words FILE] [--force]
#include <espeak-ng/speak_lib.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cctype>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "speech/phonetics.h"
#include "speech/synth.h"
#include "speech/synthcore.h"
#include "speech/wave.h"
#include "util/folders.h"

namespace {

// Bump when the rendering changes, so existing data is rebuilt.
const char* const kBuilderVersion = "voicebuild 19";

constexpr int kOutRate = 11025;

// ---- files ------------------------------------------------------------------------

bool readFile(const std::string& path, std::string& out) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    out.clear();
    char buf[65536];
    size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, got);
    std::fclose(f);
    return true;
}

bool writeFile(const std::string& path, const std::string& data) {
    const std::string tmp = path + ".tmp";
    FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    ok = std::fclose(f) == 0 && ok;
    return ok && std::rename(tmp.c_str(), path.c_str()) == 0;
}

uint64_t fnv(uint64_t h, const std::string& s) {
    for (unsigned char c : s) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

// ---- espeak -------------------------------------------------------------------

struct Render {
    std::vector<short> wav;
    struct Mark {
        std::string name;
        int ms;
    };
    std::vector<Mark> marks;
};
Render* gRender = nullptr;
int gEspeakRate = 22050;

int synthCallback(short* wav, int n, espeak_EVENT* ev) {
    for (; ev && ev->type != espeakEVENT_LIST_TERMINATED; ++ev) {
        if (ev->type == espeakEVENT_PHONEME) {
            char name[9] = {};
            std::memcpy(name, ev->id.string, 8);
            gRender->marks.push_back({name, ev->audio_position});
        }
    }
    if (wav && n > 0) gRender->wav.insert(gRender->wav.end(), wav, wav + n);
    return 0;
}

bool renderEspeak(const std::string& text, bool phonemes, Render& out) {
    out = Render();
    gRender = &out;
    unsigned flags = espeakCHARS_UTF8;
    if (phonemes) flags |= espeakPHONEMES;
    espeak_ERROR e = espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0, flags, nullptr, nullptr);
    gRender = nullptr;
    return e == EE_OK;
}

bool isPauseMark(const std::string& n) { return n.empty() || n[0] == '_'; }

// 22050 Hz -> 11025 Hz through a windowed-sinc low-pass.
std::vector<float> downsample(const std::vector<short>& in, size_t from, size_t to) {
    static std::vector<float> taps = [] {
        const int m = 15;
        std::vector<float> t(2 * m + 1);
        const double fc = 4800.0 / 22050.0;
        double sum = 0;
        for (int k = -m; k <= m; ++k) {
            double x = k == 0 ? 2 * fc : std::sin(2 * M_PI * fc * k) / (M_PI * k);
            double w = 0.54 + 0.46 * std::cos(M_PI * k / m);
            t[k + m] = float(x * w);
            sum += x * w;
        }
        for (float& v : t) v = float(v / sum);
        return t;
    }();
    const int m = int(taps.size() / 2);
    std::vector<float> out;
    to = std::min(to, in.size());
    for (size_t i = from; i < to; i += 2) {
        double acc = 0;
        for (int k = -m; k <= m; ++k) {
            long j = long(i) + k;
            if (j >= 0 && j < long(in.size())) acc += taps[k + m] * in[size_t(j)];
        }
        out.push_back(float(acc));
    }
    return out;
}

void fade(std::vector<float>& s, size_t in, size_t out) {
    in = std::min(in, s.size());
    out = std::min(out, s.size());
    for (size_t i = 0; i < in; ++i) s[i] *= float(i) / float(in);
    for (size_t i = 0; i < out; ++i) s[s.size() - 1 - i] *= float(i) / float(out);
}

std::string to8bit(const std::vector<float>& s, double gain) {
    std::string out(s.size(), char(128));
    for (size_t i = 0; i < s.size(); ++i) {
        long v = std::lround(s[i] * gain / 256.0) + 128;
        out[i] = char(std::clamp(v, 1L, 255L));
    }
    return out;
}

// The rising zero crossing (the sample where the wave goes from below zero to
// zero or above) nearest to `at` within `reach`; the quietest sample there
// when the wave never crosses (a stop's silence).
long risingZero(const std::vector<float>& s, long at, long reach) {
    const long n = long(s.size());
    at = std::clamp(at, 1L, std::max(1L, n - 1));
    // Of the crossings in reach, the gentlest (a steep one is a step of its own).
    long found = -1;
    double gentlest = 1e30;
    for (long d = 0; d <= reach; ++d) {
        for (long k : {at - d, at + d}) {
            if (k < 1 || k >= n || !(s[size_t(k - 1)] < 0 && s[size_t(k)] >= 0)) continue;
            const double step = double(s[size_t(k)]) - s[size_t(k - 1)] + 4.0 * double(d);
            if (step < gentlest) {
                gentlest = step;
                found = k;
            }
        }
    }
    if (found >= 0) return found;
    long best = at;
    for (long k = std::max(1L, at - reach); k < std::min(n, at + reach + 1); ++k)
        if (std::fabs(s[size_t(k)]) < std::fabs(s[size_t(best)])) best = k;
    return best;
}

// Cuts leading and trailing near-silence of a whole recording, keeping a margin.
std::vector<float> trimSilence(std::vector<float> s, float threshold, size_t margin) {
    size_t a = 0, b = s.size();
    while (a < b && std::fabs(s[a]) < threshold) ++a;
    while (b > a && std::fabs(s[b - 1]) < threshold) --b;
    a = a > margin ? a - margin : 0;
    b = std::min(s.size(), b + margin);
    return std::vector<float>(s.begin() + long(a), s.begin() + long(b));
}

// ---- unit names -> espeak phonemes ----------------------------------------------

struct UnitSound {
    std::string phonemes;  // espeak mnemonics of the unit itself
    bool codaOnly = false; // a lone consonant: rendered after a vowel
    bool glideOnly = false;
};

// Parses "$KA", "$PRECIRC", "$AWTIL", "$S" ...; false when the name is not ours.
bool unitPhonemes(const std::string& name, UnitSound& sound) {
    if (name.size() < 2 || name[0] != '$') return false;
    std::string body = name.substr(1);
    enum { Plain, Circ, Til } mod = Plain;
    auto endsWith = [&](const char* t) {
        size_t n = std::strlen(t);
        return body.size() >= n && body.compare(body.size() - n, n, t) == 0;
    };
    if (endsWith("CIRC")) {
        mod = Circ;
        body.resize(body.size() - 4);
    } else if (endsWith("TIL")) {
        mod = Til;
        body.resize(body.size() - 3);
    }
    if (body == "NN") {
        if (mod != Plain) return false;
        sound.phonemes = "N";
        sound.codaOnly = true;
        return true;
    }
    // Onset consonants.
    struct Tok { const char* ours; const char* theirs; };
    static const Tok multi[] = {{"TCH", "tS"}, {"DJ", "dZ"}, {"LH", "l^"}, {"NH", "n^"}, {"RR", "x"}, {"KS", "ks"}};
    static const std::map<char, const char*> single = {
        {'B', "b"}, {'C', "k"}, {'D', "d"}, {'F', "f"}, {'G', "g"}, {'J', "Z"}, {'K', "k"}, {'L', "l"},
        {'M', "m"}, {'N', "n"}, {'P', "p"}, {'Q', "k"}, {'R', "r"}, {'S', "s"}, {'T', "t"}, {'V', "v"},
        {'X', "S"}, {'Z', "z"}};
    std::vector<std::string> onset;
    std::vector<char> onsetLetters;
    size_t i = 0;
    while (i < body.size()) {
        bool matched = false;
        for (const Tok& t : multi) {
            size_t n = std::strlen(t.ours);
            if (body.compare(i, n, t.ours) == 0) {
                onset.push_back(t.theirs);
                onsetLetters.push_back(t.ours[0] == 'R' ? 'x' : '*');
                i += n;
                matched = true;
                break;
            }
        }
        if (matched) continue;
        auto it = single.find(body[i]);
        if (it == single.end()) break;
        onset.push_back(it->second);
        onsetLetters.push_back(body[i]);
        ++i;
    }
    if (onset.size() > 2) return false;
    std::string rest = body.substr(i);
    // A lone consonant (coda, or the first of a split cluster).
    if (rest.empty()) {
        if (onset.size() != 1 || mod != Plain) return false;
        sound.phonemes = onset[0];
        sound.codaOnly = true;
        return true;
    }
    // Taps: after a consonant the cluster tap, before a vowel the flap.
    for (size_t k = 0; k < onset.size(); ++k) {
        if (onsetLetters[k] != 'R') continue;
        onset[k] = k > 0 ? "R" : "*";
    }
    std::string lead;
    for (const std::string& o : onset) lead += o;
    // Glide before the vowel (ya, wa) or alone.
    if (rest[0] == 'Y' || rest[0] == 'W') {
        if (rest.size() == 1) {
            if (mod != Plain || !onset.empty()) return false;
            sound.phonemes = rest[0] == 'Y' ? "i" : "u";
            sound.glideOnly = true;
            return true;
        }
        lead += rest[0] == 'Y' ? "j" : "w";
        rest = rest.substr(1);
    }
    // A two-letter word of vowel and consonant (ar, ad, im) is one unit.
    std::string coda;
    if (onset.empty() && mod == Plain && rest.size() == 2 && std::strchr("AEIOU", rest[0]) && single.count(rest[1])) {
        coda = single.at(rest[1]);
        rest.resize(1);
    }
    const char v = rest[0];
    const char g = rest.size() > 1 ? rest[1] : 0;
    if (!std::strchr("AEIOU", v) || rest.size() > 2 || (g && g != 'Y' && g != 'W')) return false;
    std::string nuc;
    if (!g) {
        switch (mod) {
        case Plain: nuc = std::string(1, "aEiOu"[std::strchr("AEIOU", v) - "AEIOU"]); break;
        case Circ: nuc = std::string(1, "&eiou"[std::strchr("AEIOU", v) - "AEIOU"]); break;
        case Til: nuc = v == 'A' ? "&~" : std::string(1, char(v + 32)) + "~"; break;
        }
    } else {
        static const std::map<std::string, const char*> plain = {
            {"AY", "aI"}, {"EY", "EI"}, {"OY", "OI"}, {"UY", "uI"}, {"IY", "i"},
            {"AW", "aU"}, {"EW", "EU"}, {"IW", "iU"}, {"OW", "ow"}, {"UW", "uw"}};
        static const std::map<std::string, const char*> circ = {
            {"AY", "aI"}, {"EY", "eI"}, {"OY", "oI"}, {"UY", "uI"}, {"IY", "i"},
            {"AW", "aU"}, {"EW", "eU"}, {"IW", "iU"}, {"OW", "ow"}, {"UW", "uw"}};
        static const std::map<std::string, const char*> til = {
            {"AY", "&~y"}, {"EY", "eIN"}, {"OY", "o~j"}, {"UY", "u~j"}, {"IY", "i~"},
            {"AW", "&U~"}, {"EW", "eIN"}, {"IW", "i~"}, {"OW", "o~"}, {"UW", "u~"}};
        const auto& table = mod == Plain ? plain : mod == Circ ? circ : til;
        auto it = table.find(std::string{v, g});
        if (it == table.end()) return false;
        nuc = it->second;
    }
    sound.phonemes = lead + nuc + coda;
    return true;
}

// The fall-back names the synthesizer tries for a unit it cannot find.
std::vector<std::string> fallbackNames(const std::string& n) {
    const size_t len = n.size();
    if (len <= 2) return {};
    const char last = n[len - 1];
    if (std::strchr("AEIOUWY", last)) return {n.substr(0, len - 1), std::string("$") + last};
    if (len >= 7 && n.compare(len - 4, 4, "CIRC") == 0) return {n.substr(0, len - 5), "$" + n.substr(len - 5)};
    if (len >= 3 && n.compare(len - 3, 3, "TIL") == 0) {
        std::string base = n.substr(0, len - 3);
        const char b = base.empty() ? 0 : base.back();
        if (b != 'I' && b != 'U') base += "CIRC";
        return {base, "$NN"};
    }
    return {};
}

// ---- inventory ------------------------------------------------------------------

void collectUnits(const std::string& textCp1252, std::set<std::string>& names) {
    speech::SynthState& s = speech::synthState();
    std::vector<std::string> asked;
    s.requested = &asked;
    speech::speakTranscription(speech::transcribeText(textCp1252));
    s.requested = nullptr;
    for (std::string& n : asked)
        if (!n.empty() && n[0] == '$') names.insert(n);
}

std::set<std::string> buildInventory(const std::vector<std::string>& words) {
    speech::SynthState& s = speech::synthState();
    std::string sink;
    s.sink = &sink;
    s.out.assign(speech::kOutputSize, char(128));
    std::set<std::string> names;
    std::string batch;
    auto flushBatch = [&]() {
        collectUnits(batch, names);
        batch.clear();
        sink.clear();
    };
    for (const std::string& w : words) {
        batch += w;
        batch += ' ';
        if (batch.size() > 20000) flushBatch();
    }
    // Syllables the word list may lack: every onset with every vowel and ending.
    const char* onsets[] = {"", "b", "c", "ch", "d", "f", "g", "gu", "h", "j", "k", "l", "lh", "m", "n", "nh", "p",
                            "qu", "r", "rr", "s", "ss", "t", "v", "x", "z", "br", "bl", "cr", "cl", "dr", "fr",
                            "fl", "gr", "gl", "pr", "pl", "tr", "tl", "vr", "gü", "qü"};
    const char* vowels[] = {"a", "e", "i", "o", "u", "á", "é", "í", "ó", "ú", "â", "ê", "ô", "ã", "õ", "à"};
    const char* endings[] = {"", "s", "r", "l", "m", "n", "i", "u", "is", "o", "e", "ns", "x", "z", "ra", "ta"};
    for (const char* o : onsets)
        for (const char* v : vowels)
            for (const char* e : endings) {
                const std::string syl = plat::cp((std::string(o) + v + e).c_str());
                batch += syl + " a" + syl + " " + syl + "ta pa" + syl + "pa ";
                if (batch.size() > 20000) flushBatch();
            }
    flushBatch();
    s.sink = nullptr;
    // Names the index cannot hold, or that we cannot render, are replaced by
    // the units the synthesizer falls back on.
    std::set<std::string> done, out;
    std::vector<std::string> todo(names.begin(), names.end());
    // Whatever the word list held: every lone consonant, every vowel with and
    // without its marks, every consonant or cluster before every vowel, every
    // vowel before a consonant, so that unseen words find their units too.
    const char* consonants[] = {"B", "D", "F", "G", "J", "K", "L", "M", "N", "P", "R", "S", "T", "V", "X", "Z",
                                "RR", "LH", "NH", "TCH", "DJ", "KS", "KW", "GW", "Y", "W"};
    const char* clusters[] = {"PR", "BR", "TR", "DR", "KR", "GR", "FR", "VR", "PL", "BL", "KL", "GL", "FL", "TL"};
    const char* marks[] = {"", "CIRC", "TIL"};
    todo.push_back("$NN");
    for (const char* v : {"A", "E", "I", "O", "U"}) {
        for (const char* m : marks) todo.push_back(std::string("$") + v + m);
        for (const char* c : consonants) {
            todo.push_back(std::string("$") + c);
            if (std::strlen(c) == 1 && *c != 'Y' && *c != 'W') todo.push_back(std::string("$") + v + c);
            for (const char* m : marks) todo.push_back(std::string("$") + c + v + m);
        }
        for (const char* c : clusters)
            for (const char* m : marks) todo.push_back(std::string("$") + c + v + m);
    }
    while (!todo.empty()) {
        std::string n = todo.back();
        todo.pop_back();
        if (!done.insert(n).second) continue;
        UnitSound sound;
        if (n.size() <= 8 && unitPhonemes(n, sound)) {
            out.insert(n);
        } else {
            for (std::string& f : fallbackNames(n)) todo.push_back(f);
        }
    }
    return out;
}

// ---- rendering units --------------------------------------------------------------

// One database a speed (ECOLAR.INI names them), rendered at a rate that,
// with the cuts and word gaps of its speed, gives an even ladder of
// syllables per second; number words and letter names are rendered at the
// same pace into a folder of the letters folder named after the database.
struct Speed {
    const char* db;
    int rate;        // espeak words per minute of the units
    int wordsRate;   // ... and of the recorded words
};
const Speed kSpeeds[] = {{"DIFONES1", 120, 120}, {"DIFONES2", 172, 165}, {"DIFONES3", 240, 220},
                         {"DIFONES4", 335, 300}, {"DIFONES5", 600, 420}};
constexpr size_t kSpeedCount = std::size(kSpeeds);

// Renders one unit inside a carrier and cuts it out at espeak's phoneme marks.
bool renderUnit(const std::string& name, std::vector<float>& out) {
    UnitSound sound;
    if (!unitPhonemes(name, sound)) return false;
    std::string text;
    size_t lead = 2;  // carrier phonemes before the unit
    if (sound.codaOnly) {
        text = "[[t'a" + sound.phonemes + "t&]]";
    } else {
        text = "[[t&'" + sound.phonemes + "t&]]";
    }
    Render r;
    if (!renderEspeak(text, true, r)) return false;
    std::vector<Render::Mark> m;
    for (const auto& mark : r.marks)
        if (!isPauseMark(mark.name)) m.push_back(mark);
    if (m.size() < lead + 3) return false;
    const size_t last = m.size() - 2;  // the closing "t"
    const double perMs = gEspeakRate / 1000.0;
    size_t from = size_t(m[lead].ms * perMs);
    size_t to = size_t(m[last].ms * perMs);
    if (to <= from + 20 || to > r.wav.size()) return false;
    // Units start and end where the wave rises through zero, so that any unit
    // follows any other without a step, and no fade dips the joins.
    const size_t pad = 240;
    const size_t wideFrom = from > pad ? from - pad : 0;
    const std::vector<float> wide = downsample(r.wav, wideFrom, std::min(r.wav.size(), to + pad));
    const long reach = 55;  // 5 ms either way
    long a = risingZero(wide, long(from - wideFrom) / 2, reach);
    long b = risingZero(wide, long(to - wideFrom) / 2, reach);
    if (sound.glideOnly) b = risingZero(wide, a + (b - a) * 6 / 10, reach);
    if (b <= a + 10) return false;
    // A vowel at either edge starts out of, or fades into, the carrier's t: its
    // weak first and last milliseconds would dip every join, so they go.
    auto level = [&](long at) {
        double sum = 0;
        const long from = std::max(0L, at), to = std::min(long(wide.size()), at + 11);
        for (long k = from; k < to; ++k) sum += double(wide[size_t(k)]) * wide[size_t(k)];
        return to > from ? std::sqrt(sum / double(to - from)) : 0.0;
    };
    double peak = 0;
    for (long k = a; k + 11 <= b; k += 5) peak = std::max(peak, level(k));
    const std::string& ph = sound.phonemes;
    const bool vowelFirst = !ph.empty() && std::strchr("aeiouEO&jw", ph[0]);
    const bool vowelLast = !sound.codaOnly && !ph.empty() && std::strchr("aeiouEOUIy&~jw", ph.back());
    const long most = 220;  // 20 ms
    // The carrier's closing t is silent before it sounds: that silence is no
    // part of the unit, and inside a word it would be a gap.
    {
        long k = b;
        while (k > b - 3 * most && k - 11 > a && level(k - 11) < 0.1 * peak) --k;
        if (k < b) b = risingZero(wide, k, reach);
    }
    if (vowelFirst) {
        long k = a;
        while (k < a + most && k + 11 < b && level(k) < 0.4 * peak) ++k;
        if (k > a) a = risingZero(wide, k, reach);
    }
    if (vowelLast) {
        long k = b;
        while (k > b - most && k - 11 > a && level(k - 11) < 0.4 * peak) --k;
        if (k < b) b = risingZero(wide, k, reach);
    }
    if (b <= a + 10) return false;
    out.assign(wide.begin() + a, wide.begin() + b);
    return true;
}

// ---- recordings ----------------------------------------------------------------

std::vector<float> renderText(const std::string& utf8) {
    Render r;
    if (!renderEspeak(utf8, false, r)) return {};
    std::vector<float> s = downsample(r.wav, 0, r.wav.size());
    s = trimSilence(std::move(s), 300.0f, 110);
    fade(s, 22, 44);
    return s;
}

std::string wavImage(const std::string& samples8) {
    return speech::makeWaveHeader(samples8.size(), kOutRate, 1, 8) + samples8;
}

// Names of the characters, as spelling says them.
const std::map<int, const char*>& characterNames() {
    static const std::map<int, const char*> t = {
        {32, "espaço"}, {33, "exclamação"}, {34, "aspas"}, {35, "cerquilha"}, {36, "cifrão"},
        {37, "por cento"}, {38, "e comercial"}, {39, "apóstrofo"}, {40, "abre parênteses"},
        {41, "fecha parênteses"}, {42, "asterisco"}, {43, "mais"}, {44, "vírgula"}, {45, "hífen"},
        {46, "ponto"}, {47, "barra"}, {48, "zero"}, {49, "um"}, {50, "dois"}, {51, "três"}, {52, "quatro"},
        {53, "cinco"}, {54, "seis"}, {55, "sete"}, {56, "oito"}, {57, "nove"}, {58, "dois pontos"},
        {59, "ponto e vírgula"}, {60, "menor"}, {61, "igual"}, {62, "maior"}, {63, "interrogação"},
        {64, "arroba"}, {91, "abre colchetes"}, {92, "barra invertida"}, {93, "fecha colchetes"},
        {94, "circunflexo"}, {95, "sublinhado"}, {96, "acento grave"}, {123, "abre chaves"},
        {124, "barra vertical"}, {125, "fecha chaves"}, {126, "til"}, {128, "euro"}, {130, "vírgula baixa"},
        {131, "florim"}, {132, "aspas baixas"}, {133, "reticências"}, {134, "adaga"}, {135, "adaga dupla"},
        {136, "circunflexo"}, {137, "por mil"}, {138, "esse com caron"}, {139, "menor angular"},
        {140, "o e ligados"}, {142, "zê com caron"}, {145, "abre aspas simples"}, {146, "fecha aspas simples"},
        {147, "abre aspas"}, {148, "fecha aspas"}, {149, "marcador"}, {150, "traço"}, {151, "travessão"},
        {152, "til"}, {153, "marca comercial"}, {154, "esse com caron"}, {155, "maior angular"},
        {156, "o e ligados"}, {158, "zê com caron"}, {159, "ípsilon com trema"}, {160, "espaço fixo"},
        {161, "exclamação invertida"}, {162, "centavo"}, {163, "libra"}, {164, "moeda"}, {165, "iene"},
        {166, "barra interrompida"}, {167, "parágrafo"}, {168, "trema"}, {169, "direitos autorais"},
        {170, "ordinal feminino"}, {171, "abre aspas angulares"}, {172, "negação"}, {173, "hífen opcional"},
        {174, "marca registrada"}, {175, "mácron"}, {176, "grau"}, {177, "mais ou menos"},
        {178, "elevado a dois"}, {179, "elevado a três"}, {180, "acento agudo"}, {181, "micro"},
        {182, "fim de parágrafo"}, {183, "ponto médio"}, {184, "cedilha"}, {185, "elevado a um"},
        {186, "ordinal masculino"}, {187, "fecha aspas angulares"}, {188, "um quarto"}, {189, "um meio"},
        {190, "três quartos"}, {191, "interrogação invertida"}, {192, "a com crase"}, {193, "a agudo"},
        {194, "a circunflexo"}, {195, "a til"}, {196, "a com trema"}, {197, "a com anel"}, {198, "a e ligados"},
        {199, "cê cedilha"}, {200, "e com acento grave"}, {201, "e agudo"}, {202, "e circunflexo"},
        {203, "e com trema"}, {204, "i com acento grave"}, {205, "i agudo"}, {206, "i circunflexo"},
        {207, "i com trema"}, {208, "ete"}, {209, "ene til"}, {210, "o com acento grave"}, {211, "o agudo"},
        {212, "o circunflexo"}, {213, "o til"}, {214, "o com trema"}, {215, "vezes"}, {216, "o cortado"},
        {217, "u com acento grave"}, {218, "u agudo"}, {219, "u circunflexo"}, {220, "u com trema"},
        {221, "ípsilon agudo"}, {222, "thorn"}, {223, "esse alemão"}, {247, "dividido por"}, {254, "thorn"},
        {255, "ípsilon com trema"}};
    return t;
}

const char* const kLetterNames[26] = {"á", "bê", "cê", "dê", "é", "éfe", "gê", "agá", "i", "jota", "cá", "éle", "ême",
                                      "ene", "ó", "pê", "quê", "érre", "ésse", "tê", "u", "vê", "dáblio", "xis",
                                      "ípsilon", "zê"};
const char* const kLetterWords[26] = {"amor", "bola", "casa", "dado", "escola", "faca", "gato", "hotel", "igreja",
                                      "janela", "quilo", "lua", "mala", "navio", "ovo", "pato", "queijo", "rato",
                                      "sapo", "tatu", "uva", "vaca", "washington", "xícara", "iôiô", "zebra"};

std::map<std::string, std::string> recordingTexts() {
    std::map<std::string, std::string> r;  // file name -> text (UTF-8)
    for (const auto& [code, name] : characterNames()) r["_" + std::to_string(code)] = name;
    for (int k = 0; k < 26; ++k) {
        r["_" + std::to_string('A' + k)] = kLetterNames[k];
        r["_" + std::to_string('a' + k)] = kLetterNames[k];
        const std::string fon = std::string(kLetterNames[k]) + " de " + kLetterWords[k];
        r["_FON" + std::to_string('A' + k)] = fon;
        r["_FON" + std::to_string('a' + k)] = fon;
    }
    // Accented small letters say the same as their capitals.
    for (int c = 224; c <= 255; ++c) {
        auto it = characterNames().find(c - 32);
        if (c != 247 && it != characterNames().end() && !r.count("_" + std::to_string(c))) r["_" + std::to_string(c)] = it->second;
    }
    r["_FON199"] = r["_FON231"] = "cê cedilha de caçador";
    r["_MENOS"] = "menos";
    r["_DEL"] = "apagado";
    r["_APFCPO"] = "apagado até o fim do campo";
    r["_APICPO"] = "apagado desde o início do campo";
    r["_CPOAPA"] = "campo apagado";
    r["_FALACI"] = "eco das teclas ligado";
    r["_FALDLG"] = "eco das teclas desligado";
    r["_VELOC"] = "velocidade da fala, de um a cinco";
    for (const auto& [name, said] : speech::numberRecordings()) r[name] = plat::cp1252ToUtf8(said);
    return r;
}

// Telephone tones: the sum of one low and one high frequency.
std::string dtmfTone(char key) {
    static const char* const keys = "123456789X0#";
    const char* p = std::strchr(keys, key);
    const int idx = int(p - keys);
    static const int low[4] = {697, 770, 852, 941};
    static const int high[3] = {1209, 1336, 1477};
    const double f1 = low[idx / 3], f2 = high[idx % 3];
    const size_t n = size_t(kOutRate * 0.18);
    std::string s(n, char(128));
    for (size_t i = 0; i < n; ++i) {
        double t = double(i) / kOutRate;
        double env = std::min({1.0, double(i) / 40.0, double(n - 1 - i) / 40.0});
        double v = 50.0 * env * (std::sin(2 * M_PI * f1 * t) + std::sin(2 * M_PI * f2 * t));
        s[i] = char(128 + std::lround(v));
    }
    return s;
}

int usage() {
    std::fprintf(stderr,
                 "uso: ludivar_voicebuild --rules ARQ --exceptions ARQ --ini ARQ --out RAIZ [--words ARQ] [--force]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string rulesPath, excPath, iniPath, outRoot, wordsPath;
    bool force = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto next = [&](std::string& v) {
            if (i + 1 >= argc) return false;
            v = argv[++i];
            return true;
        };
        if (a == "--rules") { if (!next(rulesPath)) return usage(); }
        else if (a == "--exceptions") { if (!next(excPath)) return usage(); }
        else if (a == "--out") { if (!next(outRoot)) return usage(); }
        else if (a == "--ini") { if (!next(iniPath)) return usage(); }
        else if (a == "--words") { if (!next(wordsPath)) return usage(); }
        else if (a == "--force") force = true;
        else return usage();
    }
    if (rulesPath.empty() || excPath.empty() || iniPath.empty() || outRoot.empty()) return usage();
    const auto t0 = std::chrono::steady_clock::now();

    std::string rules, exc, ini, words;
    if (!readFile(rulesPath, rules) || !readFile(excPath, exc) || !readFile(iniPath, ini)) {
        std::fprintf(stderr, "voicebuild: cannot read %s, %s or %s\n", rulesPath.c_str(), excPath.c_str(),
                     iniPath.c_str());
        return 1;
    }
    if (!wordsPath.empty() && !readFile(wordsPath, words)) {
        std::fprintf(stderr, "voicebuild: no word list at %s; building from the syllable set alone\n",
                     wordsPath.c_str());
        words.clear();
    }
    const std::string letters = outRoot + "/sonare/som/letras";
    const std::string diphones = outRoot + "/sonare/som/difones";
    const std::string stampPath = outRoot + "/sonare/som/.voicebuild";

    uint64_t h = 1469598103934665603ull;
    h = fnv(h, kBuilderVersion);
    h = fnv(h, rules);
    h = fnv(h, exc);
    h = fnv(h, ini);
    h = fnv(h, words);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%016llx\n", static_cast<unsigned long long>(h));
    std::string old;
    if (!force && readFile(stampPath, old) && old == stamp && readFile(diphones + "/DIFONES2.IND", old) &&
        readFile(outRoot + "/ECOLAR.INI", old)) {
        writeFile(stampPath, stamp);  // fresh time, so the build does not ask again
        std::printf("voicebuild: voice data up to date\n");
        return 0;
    }
    if (!util::makeFolders(letters, 0755) || !util::makeFolders(diphones, 0755)) {
        std::fprintf(stderr, "voicebuild: cannot create %s\n", outRoot.c_str());
        return 1;
    }
    std::remove(stampPath.c_str());

    const int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr,
                                       espeakINITIALIZE_PHONEME_EVENTS | espeakINITIALIZE_DONT_EXIT);
    if (rate <= 0 || espeak_SetVoiceByName("pt-br") != EE_OK) {
        std::fprintf(stderr, "voicebuild: espeak-ng with the pt-br voice is not available\n");
        return 1;
    }
    if (rate != 22050) {
        std::fprintf(stderr, "voicebuild: espeak-ng renders at %d Hz, expected 22050\n", rate);
        return 1;
    }
    gEspeakRate = rate;
    espeak_SetSynthCallback(synthCallback);

    // Inventory of units.
    speech::parseLetterRules(rules);
    speech::parseExceptionWords(exc);
    std::vector<std::string> wordList;
    {
        size_t i = 0;
        while (i < words.size()) {
            size_t j = words.find('\n', i);
            if (j == std::string::npos) j = words.size();
            std::string w = words.substr(i, j - i);
            if (!w.empty() && w.back() == '\r') w.pop_back();
            if (!w.empty()) wordList.push_back(plat::utf8ToCp1252(w));
            i = j + 1;
        }
    }
    const std::set<std::string> units = buildInventory(wordList);
    std::printf("voicebuild: %zu words, %zu units\n", wordList.size(), units.size());

    // Loudness: one gain for everything, set so that all but the rarest peaks
    // of the units fit the 8-bit range.
    std::map<std::string, std::vector<float>> rendered[kSpeedCount];
    std::vector<size_t> histogram(32769, 0);
    size_t total = 0;
    for (size_t sp = 0; sp < kSpeedCount; ++sp) {
        espeak_SetParameter(espeakRATE, kSpeeds[sp].rate, 0);
        espeak_SetParameter(espeakRANGE, 12, 0);
        espeak_SetParameter(espeakPITCH, 45, 0);
        for (const std::string& u : units) {
            std::vector<float> s;
            if (!renderUnit(u, s)) {
                // Too short to cut at this pace (a lone l): the normal pace serves.
                espeak_SetParameter(espeakRATE, kSpeeds[kSpeedCount / 2].rate, 0);
                const bool ok = renderUnit(u, s);
                espeak_SetParameter(espeakRATE, kSpeeds[sp].rate, 0);
                if (!ok) {
                    std::fprintf(stderr, "voicebuild: unit %s could not be rendered\n", u.c_str());
                    continue;
                }
            }
            for (float v : s) ++histogram[std::min<size_t>(32768, size_t(std::fabs(v)))];
            total += s.size();
            rendered[sp][u] = std::move(s);
        }
    }
    size_t peak = 32768, seen = 0;
    for (size_t a = 32768; a > 0; --a) {
        seen += histogram[a];
        if (seen * 2000 >= total) {
            peak = a;
            break;
        }
    }
    const double gain = 120.0 * 256.0 / double(std::max<size_t>(peak, 1000));

    for (size_t sp = 0; sp < kSpeedCount; ++sp) {
        std::vector<speech::IndexRecord> index;
        std::string data;
        for (const auto& [name, s] : rendered[sp]) {
            std::string samples = to8bit(s, gain);
            if (samples.size() > 65535) samples.resize(65535);
            speech::IndexRecord r;
            r.name = name;
            r.length = uint16_t(samples.size());
            r.offset = uint32_t(data.size());
            data += samples;
            index.push_back(r);
        }
        const std::string base = diphones + "/" + kSpeeds[sp].db;
        if (!writeFile(base + ".DIF", data) || !writeFile(base + ".IND", speech::buildIndex(index))) {
            std::fprintf(stderr, "voicebuild: cannot write %s\n", base.c_str());
            return 1;
        }
    }

    // The letters folder, at the normal speed.
    espeak_SetParameter(espeakRATE, 170, 0);
    espeak_SetParameter(espeakRANGE, 50, 0);
    espeak_SetParameter(espeakPITCH, 45, 0);
    size_t recordings = 0;
    for (const auto& [name, text] : recordingTexts()) {
        std::vector<float> s = renderText(text);
        if (s.empty()) {
            std::fprintf(stderr, "voicebuild: %s could not be rendered\n", name.c_str());
            continue;
        }
        if (!writeFile(letters + "/" + name + ".wav", wavImage(to8bit(s, gain)))) {
            std::fprintf(stderr, "voicebuild: cannot write %s\n", name.c_str());
            return 1;
        }
        ++recordings;
    }
    for (char k : std::string("0123456789#X")) {
        if (!writeFile(letters + "/dtmf_" + k + ".wav", wavImage(dtmfTone(k)))) return 1;
        ++recordings;
    }
    // Number words and letter names at the pace of each speed.
    const std::map<std::string, std::string> all = recordingTexts();
    std::vector<std::string> paced;
    for (const auto& [name, said] : speech::numberRecordings()) paced.push_back(name);
    for (int c : {'0', 'A', 'a'})
        for (int k = 0; k < (c == '0' ? 10 : 26); ++k) paced.push_back("_" + std::to_string(c + k));
    // Mark names too: reading a text names them at the speed of its words.
    for (const auto& [code, name] : characterNames())
        if (!std::isalnum(code) && code != ' ' && code < 192) paced.push_back("_" + std::to_string(code));
    for (const Speed& sp : kSpeeds) {
        const std::string folder = letters + "/" + sp.db;
        if (!util::makeFolders(folder, 0755)) return 1;
        espeak_SetParameter(espeakRATE, sp.wordsRate, 0);
        for (const std::string& name : paced) {
            auto it = all.find(name);
            if (it == all.end()) continue;
            std::vector<float> s = renderText(it->second);
            if (s.empty() || !writeFile(folder + "/" + name + ".wav", wavImage(to8bit(s, gain)))) {
                std::fprintf(stderr, "voicebuild: %s/%s could not be rendered\n", sp.db, name.c_str());
                continue;
            }
            ++recordings;
        }
    }

    if (!writeFile(diphones + "/regras.rgr", rules) || !writeFile(diphones + "/portug.exc", exc) ||
        !writeFile(outRoot + "/ECOLAR.INI", ini)) {
        std::fprintf(stderr, "voicebuild: cannot write the rules, exceptions or ECOLAR.INI\n");
        return 1;
    }
    writeFile(stampPath, stamp);
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("voicebuild: %zu units in %zu databases, %zu recordings, %.1f s\n", rendered[1].size(),
                kSpeedCount, recordings, secs);
    return 0;
}
