// Embedded engine figures: rendering speed (times real time), time to the first
// sound of a sentence, and how closely the rendered pitch follows the targets of the
// timing step (median error in semitones; a question must end higher than it starts).
// bench_brisa [--wav OUT.wav TEXT]   (the second form writes one text for listening)
#include "ludivar_paths.h"
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"
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
    return median <= 1.0 && risingQuestions == questions ? 0 : 1;
}
