// The shipped voice joins its units without a dip or a click: measured over
// the built database on sentences that use most of its syllables.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "speech/phonetics.h"
#include "speech/synthcore.h"
#include "support/inproc.h"

using namespace speech;

namespace {

const char* const kSentences[] = {
    "A janela da escola estava aberta e a bola caiu na terra molhada.",
    "O táxi levou o professor até a porta do hospital.",
    "Quantos pinguins você viu no zoológico ontem à tarde?",
    "Frequentemente tranquilo, o menino comeu linguiça com farofa.",
    "Respostas certas ganham pontos; erradas perdem a vez.",
    "Minha mãe mandou um abraço para as crianças da vizinhança.",
    "O pássaro amarelo voou sobre o rio e pousou na árvore.",
    "Aperte enter para jogar, ou escape para sair do jogo.",
    "Os índios da floresta conhecem a língua dos seus avós.",
    "Fixe o anexo do complexo reflexo no próximo capítulo.",
    "Um elefante enorme bebia água fresca no lago azul.",
    "Cinquenta e sete formas geométricas foram desenhadas.",
    "Chuva, vento e relâmpago assustaram o cachorro preto.",
    "Lhe dei um ninho de palha, e o filhote dormiu feliz.",
};

struct JoinFigures {
    int joins = 0, dips = 0, jumps = 0;
};

double rms(const std::string& s, long from, long to) {
    from = std::max(0L, from);
    to = std::min(long(s.size()), to);
    if (to <= from) return 0;
    double sum = 0;
    for (long i = from; i < to; ++i) {
        const double v = static_cast<unsigned char>(s[size_t(i)]) - 128.0;
        sum += v * v;
    }
    return std::sqrt(sum / double(to - from));
}

// A unit that starts with a stop or a tap starts with its closure: that
// silence is the consonant itself, no dip.
bool startsWithClosure(const std::string& unit) {
    if (unit.size() < 2) return false;
    if (unit[1] == 'R') return unit.size() < 3 || unit[2] != 'R';  // RR is the strong r, a fricative
    return std::strchr("PBTDKGCQ", unit[1]) != nullptr;
}

// A dip: the 10 ms around the join (a pitch period or more, so that the
// quiet between glottal pulses does not count) more than 12 dB below both
// the 10 ms before and the 10 ms after them.  A click: a step of more than a
// quarter of full scale across the join.
JoinFigures measureJoins(const std::string& samples, const std::vector<SynthState::Join>& joins) {
    JoinFigures f;
    const long ms = 11;
    for (const SynthState::Join& jn : joins) {
        const long at = long(jn.at);
        if (at < 15 * ms || at + 15 * ms > long(samples.size())) continue;
        ++f.joins;
        const int step = int(static_cast<unsigned char>(samples[size_t(at)])) -
                         int(static_cast<unsigned char>(samples[size_t(at - 1)]));
        if (std::abs(step) > 64) ++f.jumps;
        if (startsWithClosure(jn.after)) continue;
        const double around = rms(samples, at - 5 * ms, at + 5 * ms);
        const double sides = std::min(rms(samples, at - 15 * ms, at - 5 * ms), rms(samples, at + 5 * ms, at + 15 * ms));
        if (sides >= 4.0 && 20.0 * std::log10(sides / std::max(around, 0.5)) > 12.0) ++f.dips;
    }
    return f;
}

}  // namespace

TEST(Joins, TheShippedVoiceHasNoDipsOrClicksInsideWords) {
    InProc p;
    ASSERT_TRUE(synthIsOpen());
    SynthState& s = synthState();
    std::string samples;
    std::vector<SynthState::Join> joins;
    s.sink = &samples;
    s.joins = &joins;
    for (const char* t : kSentences) speakTranscription(transcribeText(plat::cp(t)));
    s.sink = nullptr;
    s.joins = nullptr;
    const JoinFigures f = measureJoins(samples, joins);
    ASSERT_GT(f.joins, 150);
    EXPECT_EQ(f.dips, 0) << "of " << f.joins << " joins";
    EXPECT_EQ(f.jumps, 0) << "of " << f.joins << " joins";
}
