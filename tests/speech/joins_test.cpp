// The shipped voice joins its units without a dip or a click: measured over
// the built database on sentences that use most of its syllables.
#include "ludivar_paths.h"
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "console/config.h"
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

namespace {

// Descriptions from two Portuguese manual pages, as their translators wrote them.
const char* const kManualText =
    "free exibe a quantidade total de memória física e de swap livre e usada no sistema, bem como os buffers "
    "e caches usados pelo kernel. A informação é coletada através da análise de meminfo. "
    "pstree mostra os processos em execução como uma árvore. A árvore está enraizada em pid ou init se pid "
    "for omitido. Se um nome de usuário for especificado, todas as árvores de processo enraizadas em processos "
    "pertencentes a esse usuário serão mostradas. pstree mescla visualmente ramos idênticos colocando-os entre "
    "colchetes e prefixando-os com a contagem de repetição. Threads filhos de um processo são encontrados sob o "
    "processo pai e são mostrados com o nome do processo entre chaves. "
    "Cada página de manual possui uma descrição curta disponível. Dependendo de sua instalação, ele pode ser "
    "executado por um trabalho cron periódico ou pode precisar ser executado manualmente após novas páginas "
    "serem instaladas.";

}  // namespace

// Units are shortened above the slowest speed; wherever the cut falls, a join
// must not step to or from silence.
TEST(Joins, NoCutToSilenceAtAnyJoinAtAnySpeed) {
    const std::string root = LUDIVAR_BUILD_ROOT;
    const std::string ini = root + "/ECOLAR.INI", dir = root + "/sonare/som/difones/";
    ASSERT_TRUE(loadLetterRules(dir + "regras.rgr") && loadExceptionWords(dir + "portug.exc"));
    const std::string tr = transcribeText(plat::utf8ToCp1252(kManualText));
    SynthState& s = synthState();
    const SynthState saved = s;
    for (int speed = 1; speed <= 5; ++speed) {
        auto key = [&](const char* k) { return con::iniRead(ini, "SINTETIZADOR", k + std::to_string(speed)); };
        std::string index;
        ASSERT_TRUE(readUnitFile(dir + key("DIFONES") + ".IND", index) &&
                    readUnitFile(dir + key("DIFONES") + ".DIF", s.dataImage))
            << speed;
        s.index = parseIndex(index, s.dataImage.size());
        s.settings.corteFon = std::atoi(key("CORTEFON").c_str());
        s.settings.sobraFon = std::atoi(key("SOBRAFON").c_str());
        s.settings.interPal = std::atoi(key("INTERPAL").c_str());
        std::string samples;
        std::vector<SynthState::Join> joins;
        std::vector<size_t> middles;
        s.sink = &samples;
        s.joins = &joins;
        s.middles = &middles;
        speakTranscription(tr);
        s.sink = nullptr;
        s.joins = nullptr;
        s.middles = nullptr;
        const JoinReport r = measureJoins(samples, joins, middles);
        EXPECT_GT(r.joins, 200) << speed;
        EXPECT_EQ(r.cutsAtJoins, 0) << "speed " << speed << ", " << r.joins << " joins";
        // Nor does easing a join leave a gap: joins dip no more often than unit middles.
        EXPECT_LE(double(r.joinDips) / double(r.joins), double(r.middleDips) / double(r.middles) + 0.01) << speed;
    }
    s = saved;
}
