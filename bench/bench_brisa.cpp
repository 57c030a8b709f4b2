// Embedded engine figures: rendering speed (times real time), time to the first
// sound of a sentence, and how closely the rendered pitch follows the targets of the
// timing step (median error in semitones; a question must end higher than it starts).
// Then long texts through ttsSpeak: processor time at 16, 32, 64 and 80 pages with the
// growth ratios (goal: 80 pages at most 6.5 times 16), the first sample handed to the
// wave output after ttsSpeak is called (goal: 20 ms at any length), and espeak-ng's
// processor time on the same 80 pages for comparison.
// bench_brisa [--wav OUT.wav TEXT]   (the second form writes one text for listening)
#include "ludivar_paths.h"
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#include <string>
#include <vector>

#include "platform/platform.h"
#include "speech/brisa/brisa.h"
#include "speech/brisa/chain.h"
#include "speech/brisa/render.h"
#include "speech/wave.h"

namespace {

using Clock = std::chrono::steady_clock;
const std::string kDir = std::string(LUDIVAR_BUILD_ROOT) + "/sonare/brisatts/";

const char* const kSentences[] = {
    "O menino foi à escola hoje de manhã.",
    "Você quer jogar outra vez?",
    "A resposta certa é a letra bê.",
    "Onde fica a capital do Brasil?",
    "Parabéns, você acertou todas as perguntas.",
    "Qual é o nome deste animal?",
    "O jogo terminou e os pontos foram somados.",
    "Quantas patas tem uma aranha?",
    "Aperte a tecla enter para continuar.",
    "Você gostou da história?",
};

// Target contour from the phoneme lines: (sample, hz).
std::vector<std::pair<double, double>> targets(const std::vector<std::string>& lines) {
    std::vector<std::pair<double, double>> out;
    double t = 0;
    for (const std::string& l : lines) {
        brisa::Phone p;
        bool bad = false;
        if (!brisa::parsePhoneLine(l, p, bad)) continue;
        const double len = p.ms * 16;
        for (auto& pt : p.points) out.emplace_back(t + len * pt.first / 100, pt.second);
        t += len;
    }
    return out;
}

double interp(const std::vector<std::pair<double, double>>& c, double t) {
    if (t <= c.front().first) return c.front().second;
    if (t >= c.back().first) return c.back().second;
    for (size_t i = 1; i < c.size(); ++i)
        if (t <= c[i].first)
            return c[i - 1].second + (c[i].second - c[i - 1].second) * (t - c[i - 1].first) /
                                         std::max(1e-9, c[i].first - c[i - 1].first);
    return c.back().second;
}

// f0 of a 40 ms frame by normalized autocorrelation; 0 when unvoiced.
double frameF0(const std::vector<int16_t>& s, size_t at) {
    const size_t win = 640;
    if (at + win + 400 > s.size()) return 0;
    std::vector<double> r(321, 0.0);
    double best = 0;
    for (int l = 40; l <= 320; ++l) {
        double xy = 0, xx = 0, yy = 0;
        for (size_t i = at; i < at + win; ++i) {
            xy += double(s[i]) * s[i + size_t(l)];
            xx += double(s[i]) * s[i];
            yy += double(s[i + size_t(l)]) * s[i + size_t(l)];
        }
        r[size_t(l)] = xx > 1e6 && yy > 1e6 ? xy / std::sqrt(xx * yy) : 0;
        best = std::max(best, r[size_t(l)]);
    }
    // The shortest lag nearly as good as the best, so that a multiple of the period is not taken.
    int lag = 40;
    while (lag < 320 && !(r[size_t(lag)] >= 0.9 * best && r[size_t(lag)] >= r[size_t(lag + 1)])) ++lag;
    return best > 0.7 ? 16000.0 / lag : 0;
}

bool load(brisa::DiphoneDb& db) {
    std::string problem;
    if (!brisa::loadBrisaRules(kDir + "portug.nrl", kDir + "portug.exc") || !brisa::loadAbbreviations(kDir + "portug.abr") ||
        !brisa::loadProsody(kDir + "portug.pro") || !brisa::loadDiphoneList(kDir + "portug.dfn") ||
        !brisa::loadDiphoneDb(kDir + "br4.ddb", db, problem)) {
        std::fprintf(stderr, "bench_brisa: the engine's data is missing under %s %s\n", kDir.c_str(), problem.c_str());
        return false;
    }
    return true;
}

double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

double childCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// About 1,800 characters a page (30 lines of 60), the sentences above in turn.
std::string pagesOfText(int pages) {
    std::string text;
    for (size_t i = 0; text.size() < size_t(pages) * 1800; ++i) text += std::string(kSentences[i % 10]) + " ";
    return text;
}

struct SpeakRun {
    double cpu = 0, firstMs = -1;
    size_t samples = 0;
};

// ttsSpeak on the wave output, its pieces caught on the way to the device.
SpeakRun speakTimed(const std::string& utf8) {
    const std::string text = plat::utf8ToCp1252(utf8);
    SpeakRun run;
    Clock::time_point t0;
    speech::setWaveSink([&](const uint8_t*, size_t len, int, int, int) {
        if (run.firstMs < 0) run.firstMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        run.samples += len / 2;
    });
    const double c0 = cpuSeconds();
    t0 = Clock::now();
    brisa::ttsSpeak(text);
    run.cpu = cpuSeconds() - c0;
    speech::setWaveSink(nullptr);
    return run;
}

// espeak-ng's processor time for the same text into /dev/null; negative when it cannot run.
double espeakSeconds(const std::string& utf8) {
    char name[] = "/tmp/bench_brisa-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) return -1;
    close(fd);
    std::ofstream(name) << utf8;
    const char* argv[] = {"espeak-ng", "-q", "-v", "pt-br", "-f", name, "-w", "/dev/null", nullptr};
    const double c0 = childCpuSeconds();
    pid_t pid = 0;
    int status = 0;
    const bool ran = posix_spawnp(&pid, "espeak-ng", nullptr, nullptr, const_cast<char**>(argv), environ) == 0 &&
                     waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    std::remove(name);
    return ran ? childCpuSeconds() - c0 : -1;
}

// The long-text figures; false when a goal is missed, `error` on a failure to run.
bool longTexts(bool& error) {
    if (!brisa::ttsOpen(kDir + "br4", kDir + "portug.nrl", kDir + "portug.exc", kDir + "portug.dfn",
                        kDir + "portug.pro", kDir + "portug.abr")) {
        std::fprintf(stderr, "bench_brisa: the engine does not open: %s\n", plat::cp1252ToUtf8(brisa::ttsErrorText()).c_str());
        error = true;
        return false;
    }
    const int sizes[] = {16, 32, 64, 80};
    double cpu[4] = {};
    double firstWorst = 0;
    std::string text80;
    for (int k = 0; k < 4; ++k) {
        const std::string text = pagesOfText(sizes[k]);
        const SpeakRun run = speakTimed(text);
        if (run.samples == 0 || run.firstMs < 0) {
            std::fprintf(stderr, "bench_brisa: no sound for %d pages\n", sizes[k]);
            error = true;
            return false;
        }
        cpu[k] = run.cpu;
        firstWorst = std::max(firstWorst, run.firstMs);
        std::printf("brisa: %d pages (%zu characters): %.3f s of processor time for %.0f s of speech, first sample after %.1f ms\n",
                    sizes[k], text.size(), run.cpu, double(run.samples) / 16000, run.firstMs);
        if (sizes[k] == 80) text80 = text;
    }
    const SpeakRun shortRun = speakTimed(kSentences[0]);
    firstWorst = std::max(firstWorst, shortRun.firstMs);
    brisa::ttsClose();
    const double growth = cpu[3] / cpu[0];
    std::printf("brisa: growth by doubling: 32/16 %.2f, 64/32 %.2f; 80/16 %.2f (goal at most 6.5; linear 5.0)\n",
                cpu[1] / cpu[0], cpu[2] / cpu[1], growth);
    std::printf("brisa: first sample after at most %.1f ms of ttsSpeak, a sentence to 80 pages (goal at most 20)\n",
                firstWorst);
    const double es = espeakSeconds(text80);
    if (es > 0) std::printf("brisa: 80 pages: %.3f s against espeak-ng's %.3f s, %.2f times its time\n", cpu[3], es, cpu[3] / es);
    else std::printf("brisa: espeak-ng did not run: no comparison\n");
    return growth <= 6.5 && firstWorst <= 20;
}

}  // namespace

int main(int argc, char** argv) {
    brisa::DiphoneDb db;
    if (!load(db)) return 2;
    if (argc == 4 && std::string(argv[1]) == "--wav") {
        const auto lines = brisa::textToPhonemeLines(plat::utf8ToCp1252(argv[3]), 1.0, 1.0);
        for (const auto& l : lines) std::printf("%s\n", plat::cp1252ToUtf8(l).c_str());
        const auto s = brisa::renderPhoneLines(db, lines);
        FILE* f = std::fopen(argv[2], "wb");
        if (!f) return 2;
        const std::string h = speech::makeWaveHeader(s.size() * 2, 16000, 1, 16);
        std::fwrite(h.data(), 1, h.size(), f);
        std::fwrite(s.data(), 2, s.size(), f);
        std::fclose(f);
        return 0;
    }
    double audio = 0, cpu = 0, firstWorst = 0;
    std::vector<double> errors;
    int questions = 0, risingQuestions = 0;
    for (const char* sentence : kSentences) {
        const std::string text = plat::utf8ToCp1252(sentence);
        const auto t0 = Clock::now();
        const auto lines = brisa::textToPhonemeLines(text, 1.0, 1.0);
        // First sound: the chain plus rendering until the renderer hands out samples.
        brisa::Renderer r;
        r.db = &db;
        std::vector<int16_t> out, buf(16000);
        double first = -1;
        for (size_t i = 0; i < lines.size(); ++i) {
            brisa::rendererWrite(r, lines[i]);
            if (i + 1 == lines.size()) brisa::rendererFlush(r);
            size_t n;
            while ((n = brisa::rendererRead(r, buf.data(), buf.size())) > 0) {
                if (first < 0) first = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
                out.insert(out.end(), buf.begin(), buf.begin() + long(n));
            }
        }
        cpu += std::chrono::duration<double>(Clock::now() - t0).count();
        audio += double(out.size()) / 16000;
        firstWorst = std::max(firstWorst, first);
        const auto c = targets(lines);
        if (c.empty()) continue;
        std::vector<double> f0s;
        for (size_t at = 0; at + 1040 < out.size(); at += 160) {
            const double f = frameF0(out, at);
            if (f <= 0) continue;
            const double want = interp(c, double(at) + 320);
            errors.push_back(std::fabs(12 * std::log2(f / want)));
            f0s.push_back(f);
        }
        if (std::string(sentence).back() == '?' && f0s.size() >= 4) {
            ++questions;
            const size_t k = std::min<size_t>(10, f0s.size() / 2);  // the first and the last 100 ms of voice
            double a = 0, b = 0;
            for (size_t i = 0; i < k; ++i) a += f0s[i], b += f0s[f0s.size() - 1 - i];
            if (b > a) ++risingQuestions;
            else std::printf("brisa: does not rise: %s (%.0f Hz -> %.0f Hz)\n", sentence, a / double(k), b / double(k));
        }
    }
    std::sort(errors.begin(), errors.end());
    const double median = errors.empty() ? 99 : errors[errors.size() / 2];
    std::printf("brisa: %.0f times real time (%.2f s of speech in %.3f s)\n", audio / cpu, audio, cpu);
    std::printf("brisa: first sound of a sentence after at most %.1f ms\n", firstWorst);
    std::printf("brisa: rendered pitch off the targets by %.2f semitones (median of %zu frames)\n", median,
                errors.size());
    std::printf("brisa: %d of %d questions end higher than they start\n", risingQuestions, questions);
    bool error = false;
    const bool longOk = longTexts(error);
    if (error) return 2;
    return median <= 1.0 && risingQuestions == questions && longOk ? 0 : 1;
}
