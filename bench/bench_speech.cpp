// Quality figures of the own synthesizer over a word list:
//   coverage  share of unit look-ups found in the index (or letters folder) at once,
//             and the words that fall back to noise;
//   stress    share of words whose stressed vowel agrees with espeak-ng -v pt-br -x;
//   speed     how many times faster than real time the synthesizer renders, and
//             how many megabytes of text per second transcribeText handles;
//   ladder    syllables per second of speech at each of the five speeds of the
//             shipped ECOLAR.INI (database, cuts, word gaps and fast playback).
// Usage: bench_speech [--words FILE] [--root DIR] [--rules DIR] [--limit N] [--show N] [--no-stress] [--ladder]
#include "ludivar_paths.h"
#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "console/config.h"
#include "platform/platform.h"
#include "speech/phonetics.h"
#include "speech/synthcore.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

struct Nucleus {
    char cls;       // a e i o u
    bool stressed;
};

char vowelClass(char c) {
    switch (c) {
    case 'a': case 'A': case '&': return 'a';
    case 'e': case 'E': return 'e';
    case 'i': case 'I': case 'y': return 'i';
    case 'o': case 'O': return 'o';
    case 'u': case 'U': return 'u';
    default: return 0;
    }
}

// Nuclei of our transcription: runs of vowels; "_x" is a recorded character.
std::vector<Nucleus> ourNuclei(const std::string& t) {
    std::vector<Nucleus> out;
    bool inRun = false;
    for (size_t i = 0; i < t.size(); ++i) {
        const char c = t[i];
        if (c == '_') {
            ++i;
            inRun = false;
            continue;
        }
        const bool vowel = std::strchr("aeiouAEIOU", c) != nullptr && c != 0;
        if (!vowel) {
            inRun = false;
            continue;
        }
        const bool up = c >= 'A' && c <= 'Z';
        if (!inRun) out.push_back({vowelClass(c), up});
        else if (up) out.back().stressed = true;
        inRun = true;
    }
    return out;
}

// Nuclei of espeak's mnemonics: runs of vowel symbols; "'" marks the next one stressed.
std::vector<Nucleus> espeakNuclei(const std::string& ph, bool& anyStress) {
    std::vector<Nucleus> out;
    anyStress = false;
    bool inRun = false, pending = false;
    for (char c : ph) {
        if (c == '\'') {
            pending = true;
            inRun = false;
            continue;
        }
        const char cls = std::strchr("a&eEiIoOuUy", c) && c ? vowelClass(c) : 0;
        if (!cls) {
            inRun = false;
            continue;
        }
        if (!inRun) {
            out.push_back({cls, pending});
            if (pending) anyStress = true;
            pending = false;
        }
        inRun = true;
    }
    return out;
}

// Aligns the two vowel sequences and tells whether our stressed nucleus
// lines up with espeak's.
bool stressAgrees(const std::vector<Nucleus>& a, const std::vector<Nucleus>& b) {
    const size_t n = a.size(), m = b.size();
    long sa = -1, sb = -1;
    for (size_t i = 0; i < n; ++i)
        if (a[i].stressed) { sa = long(i); break; }
    for (size_t j = 0; j < m; ++j)
        if (b[j].stressed) { sb = long(j); break; }
    if (sa < 0) return n <= 1 && m <= 1;
    if (sb < 0) return false;
    std::vector<std::vector<int>> score(n + 1, std::vector<int>(m + 1, 0));
    for (size_t i = 1; i <= n; ++i) score[i][0] = -int(i);
    for (size_t j = 1; j <= m; ++j) score[0][j] = -int(j);
    for (size_t i = 1; i <= n; ++i)
        for (size_t j = 1; j <= m; ++j) {
            int match = score[i - 1][j - 1] + (a[i - 1].cls == b[j - 1].cls ? 2 : -1) +
                        (a[i - 1].stressed && b[j - 1].stressed ? 1 : 0);
            score[i][j] = std::max({match, score[i - 1][j] - 1, score[i][j - 1] - 1});
        }
    size_t i = n, j = m;
    while (i > 0 && j > 0) {
        int match = score[i - 1][j - 1] + (a[i - 1].cls == b[j - 1].cls ? 2 : -1) +
                    (a[i - 1].stressed && b[j - 1].stressed ? 1 : 0);
        if (score[i][j] == match) {
            if (long(i - 1) == sa) return long(j - 1) == sb;
            --i;
            --j;
        } else if (score[i][j] == score[i - 1][j] - 1) {
            if (long(i - 1) == sa) return false;
            --i;
        } else {
            --j;
        }
    }
    return false;
}

std::string espeakPhonemes(const std::string& utf8) {
    const void* p = utf8.c_str();
    std::string out;
    while (p) {
        const char* ph = espeak_TextToPhonemes(&p, espeakCHARS_UTF8, 0);
        if (!ph) break;
        if (!out.empty()) out += ' ';
        out += ph;
    }
    return out;
}

bool readLines(const std::string& path, std::vector<std::string>& out) {
    std::ifstream f(path);
    if (!f) return false;
    std::string line;
    while (std::getline(f, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) out.push_back(line);
    }
    return true;
}

bool plainWord(const std::string& cp) {
    for (unsigned char c : cp)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c >= 192)) return false;
    return !cp.empty();
}

// Syllables per second at each speed: a paragraph of plain sentences spoken
// with the keys of that speed, its syllables counted as vowel nuclei.
void speedLadder(const std::string& root) {
    const std::string ini = root + "/ECOLAR.INI";
    const std::string dir = root + "/sonare/som/difones/";
    const char* paragraph =
        "O menino abriu a janela e viu a bola amarela no meio da rua. A professora pediu que todos "
        "lessem o texto em voz alta antes do recreio. Depois do jogo as criancas voltaram para a sala "
        "e escreveram uma frase sobre o que aprenderam hoje na escola.";
    const std::string tr = speech::transcribeText(paragraph);
    const size_t syllables = ourNuclei(tr).size();
    speech::SynthState& s = speech::synthState();
    double previous = 0;
    for (int speed = 1; speed <= 5; ++speed) {
        auto key = [&](const char* k) { return con::iniRead(ini, "SINTETIZADOR", std::string(k) + char('0' + speed)); };
        const std::string db = key("DIFONES");
        std::string indexImage;
        if (!speech::readUnitFile(dir + db + ".IND", indexImage) || !speech::readUnitFile(dir + db + ".DIF", s.dataImage)) {
            std::printf("speed %d: database %s missing\n", speed, db.c_str());
            continue;
        }
        s.index = speech::parseIndex(indexImage, s.dataImage.size());
        s.settings.corteFon = std::atoi(key("CORTEFON").c_str());
        s.settings.sobraFon = std::atoi(key("SOBRAFON").c_str());
        s.settings.interPal = std::atoi(key("INTERPAL").c_str());
        const std::string fast = key("RAPIDINHO"), cut = key("CORTAFALA");
        const bool fastOn = !fast.empty() && fast[0] != 'N' && fast[0] != 'n';
        std::string sink;
        s.sink = &sink;
        speech::speakTranscription(tr);
        s.sink = nullptr;
        const double seconds = double(sink.size()) / 11025.0 / (fastOn ? 1.5 : 1.0);
        const double rate = double(syllables) / seconds;
        std::printf("speed %d: %.1f syllables per second (%s, cut %d, keep %d, gap %d%s%s)%s\n", speed, rate,
                    db.c_str(), s.settings.corteFon, s.settings.sobraFon, s.settings.interPal,
                    fastOn ? ", fast playback" : "", (!cut.empty() && cut[0] != 'N' && cut[0] != 'n') ? ", period cutting" : "",
                    previous > 0 ? (" +" + std::to_string(int(std::lround(100 * (rate / previous - 1)))) + "%").c_str() : "");
        previous = rate;
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string words = "/usr/share/dict/brazilian";
    std::string root = LUDIVAR_BUILD_ROOT;
    std::string rulesDir;
    size_t limit = 0, show = 0;
    bool doStress = true, ladderOnly = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--ladder") {
            ladderOnly = true;
            continue;
        }
        if (a == "--words" && i + 1 < argc) words = argv[++i];
        else if (a == "--root" && i + 1 < argc) root = argv[++i];
        else if (a == "--limit" && i + 1 < argc) limit = std::strtoul(argv[++i], nullptr, 10);
        else if (a == "--show" && i + 1 < argc) show = std::strtoul(argv[++i], nullptr, 10);
        else if (a == "--no-stress") doStress = false;
        else if (a == "--rules" && i + 1 < argc) rulesDir = argv[++i];
        else {
            std::fprintf(stderr, "usage: bench_speech [--words FILE] [--root DIR] [--rules DIR] [--limit N] [--show N] [--no-stress] [--ladder]\n");
            return 2;
        }
    }
    const std::string dir = root + "/sonare/som/difones/";
    const std::string rdir = rulesDir.empty() ? dir : rulesDir + "/";
    if (!speech::loadLetterRules(rdir + "regras.rgr") || !speech::loadExceptionWords(rdir + "portug.exc")) {
        std::fprintf(stderr, "bench_speech: rules or exceptions missing in %s (build the voice first)\n", rdir.c_str());
        return 2;
    }
    if (ladderOnly) {
        speedLadder(root);
        return 0;
    }
    std::vector<std::string> list;
    if (!readLines(words, list)) {
        std::fprintf(stderr, "bench_speech: cannot read %s\n", words.c_str());
        return 2;
    }
    if (limit && list.size() > limit) list.resize(limit);

    speech::SynthState& s = speech::synthState();
    std::string indexImage;
    if (!speech::readUnitFile(dir + "DIFONES2.IND", indexImage) || !speech::readUnitFile(dir + "DIFONES2.DIF", s.dataImage))
        std::fprintf(stderr, "bench_speech: database DIFONES2 missing in %s: every unit falls back\n", dir.c_str());
    s.index = speech::parseIndex(indexImage, s.dataImage.size());
    s.lettersDir = root + "/sonare/som/letras";
    // The normal speed's settings of the shipped ECOLAR.INI.
    const std::string ini = root + "/ECOLAR.INI";
    s.settings.corteFon = std::atoi(con::iniRead(ini, "SINTETIZADOR", "CORTEFON3").c_str());
    s.settings.sobraFon = std::atoi(con::iniRead(ini, "SINTETIZADOR", "SOBRAFON3").c_str());
    s.settings.interPal = std::atoi(con::iniRead(ini, "SINTETIZADOR", "INTERPAL3").c_str());
    s.out.assign(speech::kOutputSize, char(128));
    std::string sink;
    s.sink = &sink;

    // ---- coverage -------------------------------------------------------------
    std::vector<std::string> cpWords;
    cpWords.reserve(list.size());
    long noiseWords = 0, skipped = 0;
    std::vector<std::string> noisy;
    std::map<std::string, long> missing;
    std::map<std::string, std::string> example;
    std::vector<std::string> asked;
    if (show) s.requested = &asked;
    for (const std::string& w : list) {
        std::string cp = plat::utf8ToCp1252(w);
        if (!plainWord(cp)) {
            ++skipped;
            continue;
        }
        cpWords.push_back(cp);
        s.noiseInWord = false;
        sink.clear();
        asked.clear();
        speech::speakTranscription(speech::transcribeText(cp));
        for (const std::string& n : asked)
            if (!n.empty() && n[0] == '$' && !speech::findUnit(n)) {
                if (!missing.count(n)) example[n] = w;
                ++missing[n];
            }
        if (s.noiseInWord) {
            ++noiseWords;
            if (noisy.size() < 20) noisy.push_back(w);
        }
    }
    s.requested = nullptr;
    const speech::SynthStats st = s.stats;
    std::printf("words: %zu (%ld skipped: not plain letters)\n", cpWords.size(), skipped);
    std::printf("coverage: %.3f%% of %ld unit look-ups found without fall-back (%ld fall-backs, %ld noise)\n",
                st.lookups ? 100.0 * double(st.found) / double(st.lookups) : 0.0, st.lookups, st.fallbacks, st.noise);
    std::printf("words ending in the noise fall-back: %ld\n", noiseWords);
    for (const std::string& w : noisy) std::printf("  noise: %s\n", w.c_str());
    if (show) {
        std::vector<std::pair<long, std::string>> top;
        for (const auto& [name, count] : missing) top.emplace_back(count, name);
        std::sort(top.rbegin(), top.rend());
        for (size_t i = 0; i < top.size() && i < show; ++i)
            std::printf("  missing unit %s: %ld look-ups (%s)\n", top[i].second.c_str(), top[i].first,
                        example[top[i].second].c_str());
    }

    // ---- stress -----------------------------------------------------------------
    if (doStress) {
        if (espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT) < 0 ||
            espeak_SetVoiceByName("pt-br") != EE_OK) {
            std::fprintf(stderr, "bench_speech: espeak-ng with the pt-br voice is not available\n");
            return 2;
        }
        long agree = 0, compared = 0, noStress = 0;
        size_t shown = 0;
        const auto t0 = Clock::now();
        for (const std::string& cp : cpWords) {
            const std::string utf8 = plat::cp1252ToUtf8(cp);
            std::string lowerUtf8 = utf8;
            bool any = false;
            std::vector<Nucleus> theirs = espeakNuclei(espeakPhonemes(lowerUtf8), any);
            if (!any) {
                ++noStress;
                continue;
            }
            const std::string ours = speech::transcribeText(cp);
            ++compared;
            if (stressAgrees(ourNuclei(ours), theirs)) {
                ++agree;
            } else if (shown < show) {
                ++shown;
                std::printf("  differs: %s  ours %s  espeak %s\n", utf8.c_str(), ours.c_str(),
                            espeakPhonemes(lowerUtf8).c_str());
            }
        }
        std::printf("stress: %.2f%% of %ld words agree with espeak-ng (%ld words without an espeak stress mark left "
                    "out; %.1f s)\n",
                    compared ? 100.0 * double(agree) / double(compared) : 0.0, compared, noStress, secondsSince(t0));
    }

    // ---- speed ------------------------------------------------------------------
    std::string text;
    for (size_t i = 0; text.size() < 5u * 1024 * 1024; ++i) {
        text += cpWords[i % cpWords.size()];
        text += ' ';
    }
    auto t0 = Clock::now();
    std::string transcription = speech::transcribeText(text);
    const double tText = secondsSince(t0);
    std::printf("transcribeText: %.1f MB of text per second (%.2f MB in %.3f s)\n",
                double(text.size()) / 1e6 / tText, double(text.size()) / 1e6, tText);

    std::string sample;
    for (size_t i = 0; i < 3000 && i < cpWords.size(); ++i) sample += cpWords[(i * 7919) % cpWords.size()] + " ";
    const std::string tr = speech::transcribeText(sample);
    sink.clear();
    t0 = Clock::now();
    speech::speakTranscription(tr);
    const double tSynth = secondsSince(t0);
    const double audio = double(sink.size()) / 11025.0;
    std::printf("synthesis: %.0f times faster than real time (%.1f s of speech in %.3f s)\n", audio / tSynth, audio,
                tSynth);
    speedLadder(root);
    return 0;
}
