// Quality figures of the own synthesizer over a word list:
//   coverage  share of unit look-ups found in the index (or letters folder) at once,
//             and the words that fall back to noise;
//   stress    share of words whose stressed vowel agrees with espeak-ng -v pt-br -x;
//   speed     how many times faster than real time the synthesizer renders, and
//             how many megabytes of text per second transcribeText handles;
//   ladder    syllables per second at each of the five speeds of the shipped
//             ECOLAR.INI (database, cuts, word gaps and fast playback), over the
//             speech alone and over the whole text, beside espeak-ng's default rate;
//   joins     (--joins) cuts to silence and dips at the unit joins of every speed,
//             on the Portuguese manual pages' descriptions or --text FILE (UTF-8);
//             exits 1 when a join cuts to silence;
//   speechd   (--speechd [TRIALS]) where the time goes from a text or a key to sound
//             or silence through a private speech-dispatcher, per server setting.
// Usage: bench_speech [--words FILE] [--root DIR] [--rules DIR] [--limit N] [--show N] [--no-stress] [--ladder]
//                     [--joins [--text FILE]] [--speechd [TRIALS]]
#include "ludivar_paths.h"
#include <espeak-ng/speak_lib.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "console/config.h"
#include "speech/sysvoice.h"
#include "speech/sysvoice_kinds.h"
#include "support/speechd_server.h"
#include "support/sink_listener.h"
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

// Loads the database and the keys of one speed of the shipped ECOLAR.INI; false
// (said on stdout) when the database is missing.
bool loadSpeed(const std::string& root, int speed, std::string& description, bool& fastPlayback) {
    const std::string ini = root + "/ECOLAR.INI";
    const std::string dir = root + "/sonare/som/difones/";
    auto key = [&](const char* k) { return con::iniRead(ini, "SINTETIZADOR", std::string(k) + char('0' + speed)); };
    const std::string db = key("DIFONES");
    speech::SynthState& s = speech::synthState();
    std::string indexImage;
    if (!speech::readUnitFile(dir + db + ".IND", indexImage) || !speech::readUnitFile(dir + db + ".DIF", s.dataImage)) {
        std::printf("speed %d: database %s missing\n", speed, db.c_str());
        return false;
    }
    s.index = speech::parseIndex(indexImage, s.dataImage.size());
    s.settings.corteFon = std::atoi(key("CORTEFON").c_str());
    s.settings.sobraFon = std::atoi(key("SOBRAFON").c_str());
    s.settings.interPal = std::atoi(key("INTERPAL").c_str());
    const std::string fast = key("RAPIDINHO"), cut = key("CORTAFALA");
    fastPlayback = !fast.empty() && fast[0] != 'N' && fast[0] != 'n';
    description = db + ", cut " + std::to_string(s.settings.corteFon) + ", keep " + std::to_string(s.settings.sobraFon) +
                  ", gap " + std::to_string(s.settings.interPal) + (fastPlayback ? ", fast playback" : "") +
                  ((!cut.empty() && cut[0] != 'N' && cut[0] != 'n') ? ", period cutting" : "");
    return true;
}

// Seconds of sound outside pauses: silent runs (within 1.6% of full scale) of at
// least 100 ms are pauses, shorter ones (stop closures, word gaps) are speech.
template <typename Silent>
double speakingSeconds(size_t n, int rate, Silent silent) {
    size_t pause = 0, run = 0;
    const size_t longRun = size_t(rate) / 10;
    for (size_t i = 0; i <= n; ++i) {
        if (i < n && silent(i)) {
            ++run;
            continue;
        }
        if (run >= longRun) pause += run;
        run = 0;
    }
    return double(n - pause) / rate;
}

// espeak-ng pt-br at its default rate on the same text: {speech seconds, whole seconds}.
bool espeakSeconds(const std::string& utf8, double& speechSec, double& wholeSec, int& wpm) {
    static std::vector<int16_t>* collect = nullptr;
    std::vector<int16_t> pcm;
    const int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
    if (rate <= 0 || espeak_SetVoiceByName("pt-br") != EE_OK) return false;
    wpm = espeak_GetParameter(espeakRATE, 0);
    collect = &pcm;
    espeak_SetSynthCallback([](short* wav, int n, espeak_EVENT*) -> int {
        if (wav && n > 0) collect->insert(collect->end(), wav, wav + n);
        return 0;
    });
    espeak_Synth(utf8.c_str(), utf8.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
    espeak_Synchronize();
    collect = nullptr;
    if (pcm.empty()) return false;
    wholeSec = double(pcm.size()) / rate;
    speechSec = speakingSeconds(pcm.size(), rate, [&](size_t i) { return std::abs(int(pcm[i])) <= 512; });
    return true;
}

// Syllables per second at each speed: a paragraph of plain sentences spoken with
// the keys of that speed, its syllables counted as vowel nuclei; over the speech
// alone and over the whole text with its pauses, beside espeak-ng's default rate.
void speedLadder(const std::string& root) {
    const char* paragraph =
        "O menino abriu a janela e viu a bola amarela no meio da rua. A professora pediu que todos "
        "lessem o texto em voz alta antes do recreio. Depois do jogo as criancas voltaram para a sala "
        "e escreveram uma frase sobre o que aprenderam hoje na escola.";
    const std::string tr = speech::transcribeText(paragraph);
    const double syllables = double(ourNuclei(tr).size());
    speech::SynthState& s = speech::synthState();
    std::printf("syllables per second, speech alone / whole text (%.0f syllables; pauses are silences of 100 ms "
                "or more)\n", syllables);
    for (int speed = 1; speed <= 5; ++speed) {
        std::string what;
        bool fast = false;
        if (!loadSpeed(root, speed, what, fast)) continue;
        std::string sink;
        s.sink = &sink;
        speech::speakTranscription(tr);
        s.sink = nullptr;
        const double speedUp = fast ? 1.5 : 1.0;
        const double whole = double(sink.size()) / 11025.0 / speedUp;
        const double speaking =
            speakingSeconds(sink.size(), 11025, [&](size_t i) { return std::abs(int(uint8_t(sink[i])) - 128) <= 2; }) /
            speedUp;
        std::printf("  speed %d: %5.1f / %5.1f  (%s)\n", speed, syllables / speaking, syllables / whole, what.c_str());
    }
    double speaking = 0, whole = 0;
    int wpm = 0;
    if (espeakSeconds(plat::cp1252ToUtf8(paragraph), speaking, whole, wpm))
        std::printf("  espeak-ng pt-br, default rate %d words a minute: %5.1f / %5.1f\n", wpm, syllables / speaking,
                    syllables / whole);
    else
        std::printf("  espeak-ng pt-br: not available\n");
}

// Paragraphs nobody here wrote: the descriptions of the Portuguese manual pages.
std::string manualText(size_t most) {
    std::string text;
    const char* pages[] = {"free", "pstree", "fuser", "kill", "pgrep", "apropos", "man", "lzma", "pmap", "slabtop"};
    for (const char* page : pages) {
        const std::string cmd = std::string("gzip -dc /usr/share/man/pt_BR/man1/") + page + ".1.gz 2>/dev/null";
        FILE* f = popen(cmd.c_str(), "r");
        if (!f) continue;
        char line[4096];
        bool inDescription = false;
        while (std::fgets(line, sizeof line, f)) {
            std::string l = line;
            if (l.compare(0, 3, ".SH") == 0) {
                inDescription = l.find("DESCRI") != std::string::npos;
                continue;
            }
            if (!inDescription || l.empty() || l[0] == '.' || l[0] == '\'' || l[0] == ' ') continue;
            std::string plain;
            for (size_t i = 0; i < l.size(); ++i) {
                if (l[i] == '\\' && i + 1 < l.size()) {
                    if (l[i + 1] == 'f' && i + 2 < l.size()) i += 2;          // font change
                    else if (l[i + 1] == '-' || l[i + 1] == 'e') plain += l[++i] == '-' ? '-' : '\\';
                    else ++i;
                    continue;
                }
                plain += l[i] == '\n' ? ' ' : l[i];
            }
            text += plain;
        }
        pclose(f);
        if (text.size() >= most) break;
    }
    return plat::utf8ToCp1252(text);
}

// Joins of every speed on the manual paragraphs: cuts to silence at joins and
// elsewhere, and how often 10 ms around a join dip 12 dB compared with the
// middles of units.
int joinFigures(const std::string& root, const std::string& textFile) {
    std::string text;
    if (!textFile.empty()) {
        std::vector<std::string> lines;
        if (!readLines(textFile, lines)) {
            std::fprintf(stderr, "bench_speech: cannot read %s\n", textFile.c_str());
            return 2;
        }
        for (const std::string& l : lines) text += plat::utf8ToCp1252(l) + " ";
    } else {
        text = manualText(6000);
    }
    if (text.empty()) {
        std::fprintf(stderr, "bench_speech: no text (the pt_BR manual pages are missing; give --text FILE)\n");
        return 2;
    }
    const std::string tr = speech::transcribeText(text);
    std::printf("%zu characters of text\n", text.size());
    speech::SynthState& s = speech::synthState();
    int total = 0;
    for (int speed = 1; speed <= 5; ++speed) {
        std::string what;
        bool fast = false;
        if (!loadSpeed(root, speed, what, fast)) return 2;
        std::string sink;
        std::vector<speech::SynthState::Join> joins;
        std::vector<size_t> middles;
        s.sink = &sink;
        s.joins = &joins;
        s.middles = &middles;
        speech::speakTranscription(tr);
        s.sink = nullptr;
        s.joins = nullptr;
        s.middles = nullptr;
        const speech::JoinReport r = speech::measureJoins(sink, joins, middles);
        std::printf("speed %d: %.1f s, %ld joins: %ld cuts to silence at joins (%ld elsewhere); dips over 12 dB at "
                    "%.1f%% of joins (worst %.1f dB at %.2f s), %.1f%% of %ld unit middles (worst %.1f dB)\n",
                    speed, double(sink.size()) / 11025.0, r.joins, r.cutsAtJoins, r.cutsElsewhere,
                    r.joins ? 100.0 * double(r.joinDips) / double(r.joins) : 0.0, r.worstJoinDip,
                    double(r.worstJoinAt) / 11025.0, r.middles ? 100.0 * double(r.middleDips) / double(r.middles) : 0.0,
                    r.middles, r.worstMiddleDip);
        total += int(r.cutsAtJoins);
    }
    return total ? 1 : 0;
}

// ---- speech-dispatcher --------------------------------------------------------

uint64_t nowUs() {
    return uint64_t(std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch()).count());
}

template <typename F>
bool waitFor(F ready, int ms) {
    for (int i = 0; i < ms * 4 && !ready(); ++i) std::this_thread::sleep_for(std::chrono::microseconds(250));
    return ready();
}

double median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Where the time goes between the program and the sink, for each server setting:
// the client's own calls (one SSIP round trip each), the server's BEGIN and CANCEL,
// and sound starting and stopping at a PulseAudio null sink.
int speechdFigures(int trials) {
    struct Setting {
        const char* name;
        const char* server;  // lines for speechd.conf
        const char* module;  // lines for the espeak-ng module
    } settings[] = {
        {"server defaults", "", ""},
        {"AudioPulseMinLength 1", "AudioPulseMinLength 1\n", ""},
        {"EspeakAudioChunkSize 50", "", "EspeakAudioChunkSize 50\n"},
        {"both", "AudioPulseMinLength 1\n", "EspeakAudioChunkSize 50\n"},
    };
    const std::string text = plat::cp(
        "Era uma vez um menino que morava numa casa grande perto do rio, e todos os dias ele ia até a "
        "margem olhar os peixes que nadavam devagar entre as pedras.");
    std::printf("speech-dispatcher, private server on a PulseAudio null sink, %d trials; medians in ms\n", trials);
    std::printf("%-24s %7s %7s %7s | %7s %7s %7s\n", "setting", "say()", "BEGIN", "sound", "cancel()", "CANCEL",
                "silent");
    for (const Setting& st : settings) {
        SpeechServer server;
        server.serverConf = st.server;
        server.moduleConf = st.module;
        std::string why;
        if (!server.start(why)) {
            std::fprintf(stderr, "bench_speech: %s\n", why.c_str());
            return 2;
        }
        setenv("SPEECHD_ADDRESS", server.address().c_str(), 1);
        SinkListener sink;
        if (!sink.start(server.pulseServer())) {
            std::fprintf(stderr, "bench_speech: parec did not start\n");
            return 2;
        }
        if (!speech::sysvoiceOpen(speech::VoiceKind::Server, 0, 0, 0)) {
            std::fprintf(stderr, "bench_speech: %s\n", speech::sysvoiceError().c_str());
            return 2;
        }
        // The first text starts the module: not counted.
        speech::sysvoiceSpeak(text);
        waitFor([&] { return sink.sounding.load(); }, 3000);
        speech::sysvoiceStop();
        std::vector<double> sayCall, toBegin, toSound, stopCall, toCancel, toSilence;
        for (int t = 0; t < trials; ++t) {
            waitFor([&] { return !sink.sounding && !speech::sysvoiceBusy(); }, 3000);
            uint64_t begin = 0, done = 0;
            bool cancelled = false;
            const uint64_t said = nowUs();
            speech::sysvoiceSpeak(text);
            sayCall.push_back(double(nowUs() - said) / 1000);
            if (waitFor([&] { speech::speechdEventTimes(begin, done, cancelled); return begin > said; }, 3000))
                toBegin.push_back(double(begin - said) / 1000);
            if (waitFor([&] { return sink.soundAtUs.load() > said; }, 3000))
                toSound.push_back(double(sink.soundAtUs.load() - said) / 1000);
            // Into the text by a varying while, as a key comes.
            const uint64_t into = nowUs() + uint64_t(200000 + 11000 * (t % 7));
            waitFor([&] { return nowUs() >= into; }, 1000);
            const uint64_t key = nowUs();
            speech::sysvoiceStop();
            stopCall.push_back(double(nowUs() - key) / 1000);
            if (waitFor([&] { speech::speechdEventTimes(begin, done, cancelled); return done > key; }, 3000))
                toCancel.push_back(double(done - key) / 1000);
            if (waitFor([&] { return sink.silentAtUs.load() > key; }, 3000))
                toSilence.push_back(double(sink.silentAtUs.load() - key) / 1000);
        }
        speech::sysvoiceClose();
        unsetenv("SPEECHD_ADDRESS");
        std::printf("%-24s %7.1f %7.1f %7.1f | %7.1f %7.1f %7.1f\n", st.name, median(sayCall), median(toBegin),
                    median(toSound), median(stopCall), median(toCancel), median(toSilence));
    }
    std::printf("say()/cancel(): the client's call; BEGIN/CANCEL: the server's event; sound/silent: at the sink "
                "(silence: 30 ms without sound, timed from its start); all from the call\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string words = "/usr/share/dict/brazilian";
    std::string root = LUDIVAR_BUILD_ROOT;
    std::string rulesDir;
    size_t limit = 0, show = 0;
    std::string textFile;
    bool doStress = true, ladderOnly = false, joinsOnly = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--ladder" || a == "--joins") {
            (a == "--ladder" ? ladderOnly : joinsOnly) = true;
            continue;
        }
        if (a == "--speechd") {
            const int trials = i + 1 < argc && std::isdigit(static_cast<unsigned char>(argv[i + 1][0])) ? std::atoi(argv[++i]) : 20;
            return speechdFigures(std::max(1, trials));
        }
        if (a == "--text" && i + 1 < argc) {
            textFile = argv[++i];
            continue;
        }
        if (a == "--words" && i + 1 < argc) words = argv[++i];
        else if (a == "--root" && i + 1 < argc) root = argv[++i];
        else if (a == "--limit" && i + 1 < argc) limit = std::strtoul(argv[++i], nullptr, 10);
        else if (a == "--show" && i + 1 < argc) show = std::strtoul(argv[++i], nullptr, 10);
        else if (a == "--no-stress") doStress = false;
        else if (a == "--rules" && i + 1 < argc) rulesDir = argv[++i];
        else {
            std::fprintf(stderr, "usage: bench_speech [--words FILE] [--root DIR] [--rules DIR] [--limit N] [--show N] [--no-stress] [--ladder] [--joins [--text FILE]] [--speechd [TRIALS]]\n");
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
    if (joinsOnly) return joinFigures(root, textFile);
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
