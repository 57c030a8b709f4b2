// Builds the embedded engine's diphone database: each diphone of the list is
// spoken by espeak-ng (pt-br) inside a carrier, cut at the middles of its two
// phonemes as espeak-ng's phoneme events place them, brought to 16 kHz, and given
// pitch marks by our own analysis.  Copies the language files beside it.
#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "speech/brisa/render.h"
#include "util/folders.h"

namespace {

struct Mark {
    std::string name;
    int ms;
};
std::vector<short> gWav;
std::vector<Mark> gMarks;

int callback(short* wav, int n, espeak_EVENT* ev) {
    for (; ev && ev->type != espeakEVENT_LIST_TERMINATED; ++ev) {
        if (ev->type == espeakEVENT_PHONEME) {
            char name[9] = {};
            std::memcpy(name, ev->id.string, 8);
            gMarks.push_back({name, ev->audio_position});
        }
    }
    if (wav && n > 0) gWav.insert(gWav.end(), wav, wav + n);
    return 0;
}

// Our phonemes as espeak-ng's pt mnemonics.
const std::map<std::string, std::string>& espeakNames() {
    static const std::map<std::string, std::string> m = {
        {"a", "a"},   {"a2", "&"},  {"@", "&~"}, {"e", "e"},   {"ee", "E"},  {"en", "e~"}, {"i", "i"},
        {"in", "i~"}, {"o", "o"},   {"oo", "O"}, {"on", "o~"}, {"u", "u"},   {"un", "u~"}, {"w", "w"},
        {"y", "j"},   {"b", "b"},   {"d", "d"},  {"dj", "dZ"}, {"f", "f"},   {"g", "g"},   {"h", "h"},
        {"j", "Z"},   {"k", "k"},   {"l", "l"},  {"lh", "l^"}, {"m", "m"},   {"m2", "N"},  {"n", "n"},
        {"nh", "n^"}, {"p", "p"},   {"r", "*"},  {"r2", "r"},  {"rr", "x"},  {"s", "s"},   {"s2", "s"},
        {"t", "t"},   {"tx", "tS"}, {"v", "v"},  {"x", "S"},   {"z", "z"}};
    return m;
}

bool isVowel(const std::string& p) {
    static const char* const v[] = {"a", "a2", "@", "e", "ee", "en", "i", "in", "o", "oo", "on", "u", "un"};
    return std::find(std::begin(v), std::end(v), p) != std::end(v);
}

// 22050 Hz -> 16000 Hz through a windowed-sinc low-pass at 7 kHz.
std::vector<float> to16k(const std::vector<short>& in) {
    const double ratio = 22050.0 / 16000.0, fc = 7000.0 / 22050.0;
    const int m = 16;
    const size_t n = size_t(double(in.size()) / ratio);
    std::vector<float> out(n);
    for (size_t i = 0; i < n; ++i) {
        const double t = double(i) * ratio;
        const long c = long(t);
        double acc = 0, wsum = 0;
        for (long k = c - m + 1; k <= c + m; ++k) {
            const double x = t - double(k);
            const double s = std::fabs(x) < 1e-9 ? 2 * fc : std::sin(2 * M_PI * fc * x) / (M_PI * x);
            const double w = 0.5 * (1 + std::cos(M_PI * x / (m + 1)));
            wsum += s * w;
            if (k >= 0 && k < long(in.size())) acc += s * w * in[size_t(k)];
        }
        out[i] = float(wsum != 0 ? acc / wsum : 0);
    }
    return out;
}

// Pitch marks: voiced stretches (normalized autocorrelation) get one mark per
// period on the main positive peak; the rest one mark every 5 ms.
std::vector<uint32_t> pitchMarks(const std::vector<float>& x) {
    const int hop = 80, win = 400, minLag = 50, maxLag = 260;
    const size_t frames = x.size() / hop + 1;
    std::vector<int> period(frames, 0);
    double maxRms = 0;
    std::vector<double> rms(frames, 0);
    for (size_t f = 0; f < frames; ++f) {
        const long c = long(f) * hop;
        double e = 0;
        int cnt = 0;
        for (long i = c - win / 2; i < c + win / 2; ++i)
            if (i >= 0 && i < long(x.size())) e += double(x[size_t(i)]) * x[size_t(i)], ++cnt;
        rms[f] = cnt ? std::sqrt(e / cnt) : 0;
        maxRms = std::max(maxRms, rms[f]);
    }
    for (size_t f = 0; f < frames; ++f) {
        if (rms[f] < 0.03 * maxRms) continue;
        const long a = long(f) * hop - win / 2;
        double best = 0;
        int bestLag = 0;
        for (int lag = minLag; lag <= maxLag; ++lag) {
            double xy = 0, xx = 0, yy = 0;
            for (long i = a; i < a + win - lag; ++i) {
                if (i < 0 || i + lag >= long(x.size())) continue;
                const double p = x[size_t(i)], q = x[size_t(i + lag)];
                xy += p * q;
                xx += p * p;
                yy += q * q;
            }
            const double r = xx > 0 && yy > 0 ? xy / std::sqrt(xx * yy) : 0;
            if (r > best) best = r, bestLag = lag;
        }
        if (best > 0.55) period[f] = bestLag;
    }
    std::vector<uint32_t> marks;
    long t = 0;
    long prevMark = -1;
    while (t < long(x.size())) {
        const size_t f = std::min(frames - 1, size_t(t / hop));
        const int p = period[f];
        if (p == 0) {
            marks.push_back(uint32_t(t));
            prevMark = -1;
            t += hop;
            continue;
        }
        // Search one period ahead of the last mark (or from here at a voicing onset).
        const long from = prevMark < 0 ? t : prevMark + p - p / 4;
        const long to = prevMark < 0 ? t + p : prevMark + p + p / 4;
        long best = -1;
        for (long i = std::max(from, t); i < std::min(to, long(x.size())); ++i)
            if (best < 0 || x[size_t(i)] > x[size_t(best)]) best = i;
        if (best < 0) break;
        marks.push_back(uint32_t(best) | brisa::kMarkVoiced);
        prevMark = best;
        t = best + 1;
    }
    return marks;
}

bool render(const std::string& phonemes) {
    gWav.clear();
    gMarks.clear();
    const std::string text = "[[" + phonemes + "]]";
    return espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0, espeakPHONEMES | espeakCHARS_UTF8,
                        nullptr, nullptr) == EE_OK;
}

// One diphone a-b cut out of its carrier.
bool makeDiphone(const std::string& a, const std::string& b, brisa::Diphone& d) {
    d = brisa::Diphone();
    d.name = a + "-" + b;
    const size_t pad = 480;  // 30 ms of silence beside a pause
    if (a == "_" && b == "_") {
        d.samples.assign(2 * pad, 0);
        d.boundary = uint32_t(pad);
        for (uint32_t t = 0; t < 2 * pad; t += 80) d.marks.push_back(t);
        return true;
    }
    const auto& names = espeakNames();
    const bool stressA = isVowel(a), stressB = !stressA && isVowel(b);
    std::string text;
    size_t lead = 0;
    if (a != "_") {
        text += stressA || stressB ? "t&" : "t'a";
        lead = 2;
        text += (stressA ? "'" : "") + names.at(a);
    }
    if (b != "_") {
        text += (stressB ? "'" : "") + names.at(b);
        text += isVowel(b) ? "t&" : "&";
    }
    if (!render(text)) return false;
    // Phoneme starts; a pause event only ends the phoneme before it.
    std::vector<Mark> m;
    for (const Mark& mk : gMarks) {
        if (!mk.name.empty() && mk.name[0] != '_') m.push_back(mk);
        else if (!m.empty() && m.back().name != "_end") m.push_back({"_end", mk.ms});
    }
    const size_t ia = lead, ib = a == "_" ? lead : lead + 1;
    const std::vector<float> x = to16k(gWav);
    if (m.size() < (b == "_" ? ia + 1 : ib + 1)) return false;
    auto at = [&](size_t i) {
        if (i < m.size()) return long(m[i].ms) * 16;
        long end = long(x.size());
        while (end > 0 && std::fabs(x[size_t(end - 1)]) < 200) --end;  // trailing silence
        return end;
    };
    long from, to, boundary;
    std::vector<float> cut;
    if (a == "_") {
        from = std::max(0L, at(ib) - long(pad));
        to = (at(ib) + at(ib + 1)) / 2;
        boundary = at(ib) - from;
    } else if (b == "_") {
        from = (at(ia) + at(ia + 1)) / 2;
        to = at(ia + 1);
        boundary = to - from;
    } else {
        from = (at(ia) + at(ib)) / 2;
        to = (at(ib) + at(ib + 1)) / 2;
        boundary = at(ib) - from;
    }
    to = std::min(to, long(x.size()));
    if (from < 0 || to <= from + 32 || boundary < 0 || boundary > to - from) return false;
    // Marks are found on the cut with some context around it, not on the whole carrier.
    const long ctxA = std::max(0L, from - 480), ctxB = std::min(long(x.size()), to + 480);
    const std::vector<uint32_t> all = pitchMarks(std::vector<float>(x.begin() + ctxA, x.begin() + ctxB));
    for (long i = from; i < to; ++i) cut.push_back(x[size_t(i)]);
    for (uint32_t mk : all) {
        const long p = long(mk & ~brisa::kMarkVoiced) + ctxA;
        if (p >= from && p < to) d.marks.push_back(uint32_t(p - from) | (mk & brisa::kMarkVoiced));
    }
    if (b == "_") {
        // Fade into the pause, then the pause itself.
        const size_t f = std::min<size_t>(160, cut.size());
        for (size_t i = 0; i < f; ++i) cut[cut.size() - 1 - i] *= float(i) / float(f);
        for (size_t i = 0; i < pad; i += 80) d.marks.push_back(uint32_t(cut.size() + i));
        cut.resize(cut.size() + pad, 0.0f);
    }
    if (a == "_" && boundary < long(pad)) {
        // Too little silence before the first phoneme: pad it.
        const size_t add = pad - size_t(boundary);
        cut.insert(cut.begin(), add, 0.0f);
        for (uint32_t& mk : d.marks) mk += uint32_t(add);
        std::vector<uint32_t> lead;
        for (size_t i = 0; i < add; i += 80) lead.push_back(uint32_t(i));
        while (!lead.empty() && !d.marks.empty() && lead.back() + 40 > (d.marks.front() & ~brisa::kMarkVoiced))
            lead.pop_back();
        d.marks.insert(d.marks.begin(), lead.begin(), lead.end());
        boundary = long(pad);
    }
    d.boundary = uint32_t(boundary);
    d.samples.resize(cut.size());
    for (size_t i = 0; i < cut.size(); ++i) d.samples[i] = int16_t(std::clamp(std::lround(cut[i]), -32768L, 32767L));
    return !d.marks.empty();
}

bool readText(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    out = ss.str();
    return true;
}

bool writeText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return bool(out.flush());
}

}  // namespace

int main(int argc, char** argv) {
    std::string dataDir, outDir, dbName = "br4";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--data") dataDir = argv[i + 1];
        else if (a == "--out") outDir = argv[i + 1];
        else if (a == "--db") dbName = argv[i + 1];
    }
    if (dataDir.empty() || outDir.empty()) {
        std::fprintf(stderr, "uso: brisadb --data PASTA --out PASTA [--db br4]\n");
        return 2;
    }
    const auto t0 = std::chrono::steady_clock::now();
    util::makeFolders(outDir, 0755);
    for (const char* ext : {".nrl", ".exc", ".abr", ".pro"}) {
        std::string text;
        if (!readText(dataDir + "/portug" + ext, text) || !writeText(outDir + "/portug" + ext, text)) {
            std::fprintf(stderr, "brisadb: cannot copy portug%s\n", ext);
            return 1;
        }
    }
    std::string list;
    if (!readText(dataDir + "/portug.dfn", list)) {
        std::fprintf(stderr, "brisadb: cannot read portug.dfn\n");
        return 1;
    }
    if (espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr,
                          espeakINITIALIZE_PHONEME_EVENTS | espeakINITIALIZE_DONT_EXIT) != 22050 ||
        espeak_SetVoiceByName("pt-br") != EE_OK) {
        std::fprintf(stderr, "brisadb: espeak-ng with the pt-br voice at 22050 Hz is not available\n");
        return 1;
    }
    espeak_SetSynthCallback(callback);
    espeak_SetParameter(espeakRATE, 150, 0);
    espeak_SetParameter(espeakPITCH, 70, 0);
    espeak_SetParameter(espeakRANGE, 0, 0);  // monotone: our renderer gives the melody
    brisa::DiphoneDb db;
    std::string installed, failed;
    std::istringstream lines(list);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == ';' || line[0] == '!' || line[0] == '*') {
            installed += line + "\n";
            continue;
        }
        const size_t dash = line.find('-');
        const std::string a = line.substr(0, dash), b = dash == std::string::npos ? "" : line.substr(dash + 1);
        brisa::Diphone d;
        if ((a == "_" || espeakNames().count(a)) && (b == "_" || espeakNames().count(b)) && makeDiphone(a, b, d)) {
            db.units.push_back(std::move(d));
            installed += line + "\n";
        } else {
            failed += " " + line;
        }
    }
    std::sort(db.units.begin(), db.units.end(),
              [](const brisa::Diphone& x, const brisa::Diphone& y) { return x.name < y.name; });
    if (!brisa::saveDiphoneDb(outDir + "/" + dbName + ".ddb", db) || !writeText(outDir + "/portug.dfn", installed)) {
        std::fprintf(stderr, "brisadb: cannot write into %s\n", outDir.c_str());
        return 1;
    }
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("brisadb: %zu diphones in %.1f s%s%s\n", db.units.size(), secs, failed.empty() ? "" : "; not made:",
                failed.c_str());
    espeak_Terminate();
    return 0;
}
