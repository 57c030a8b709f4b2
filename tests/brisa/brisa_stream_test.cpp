// The engine phrase by phrase: the same lines as the whole-text chain, a state that
// stays small on long texts, and sound without one-sample steps.
#include "ludivar_paths.h"
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "speech/brisa/chain.h"
#include "speech/brisa/render.h"

namespace {

const std::string kData = std::string(LUDIVAR_BUILD_ROOT) + "/sonare/brisatts/";

const char* const kParagraphs[] = {
    "O Sr. Silva chegou cedo. Ele trouxe R$ 10,50 e o nº 5! Você viu? A resposta certa é a letra O. "
    "Depois... ninguém sabia - nem eu - o que fazer; então, todos foram embora às 18h.",
    "Quantas patas tem uma aranha? Oito! E um inseto tem seis patas, duas antenas e três partes no corpo: "
    "cabeça, tórax e abdome. No dia 12/05/2020 a turma visitou o museu da cidade, onde viu 1.234 fósseis.",
    "Era uma vez um menino que morava numa casa amarela perto do rio e todos os dias ele ia à escola a pé "
    "com os amigos da rua e no caminho eles contavam histórias de piratas e de navios e de ilhas distantes "
    "onde havia tesouros escondidos debaixo da areia branca e coqueiros tão altos que tocavam as nuvens do céu "
    "e quando chegavam à escola a professora pedia que escrevessem tudo o que tinham imaginado no caminho "
    "e assim o menino aprendeu a escrever melhor do que qualquer outro aluno da sua turma naquele ano inteiro",
};

bool loadLanguage() {
    return brisa::loadBrisaRules(kData + "portug.nrl", kData + "portug.exc") &&
           brisa::loadAbbreviations(kData + "portug.abr") && brisa::loadProsody(kData + "portug.pro") &&
           brisa::loadDiphoneList(kData + "portug.dfn");
}

std::vector<std::string> byPhrases(const std::string& text, size_t* phrases = nullptr) {
    brisa::PhraseTranscriber t(text, 1.0, 1.0);
    std::vector<std::string> all, lines;
    size_t n = 0;
    while (t.next(lines)) {
        all.insert(all.end(), lines.begin(), lines.end());
        ++n;
    }
    if (phrases) *phrases = n;
    return all;
}

TEST(BrisaStream, PhrasesGiveTheWholeTextsLines) {
    ASSERT_TRUE(loadLanguage());
    std::vector<std::string> texts = {"A", "Oi. ", "Oi.  Tudo bem?", "!! ok", "Fim.\nOutro dia.", "Sim!\nNão?\tTalvez.",
                                      "Olá, mundo", "a letra B. E agora?", "Ele disse - Oi. - e saiu."};
    for (const char* p : kParagraphs) texts.push_back(p);
    std::string longText;
    for (int i = 0; i < 6; ++i) longText += std::string(kParagraphs[i % 3]) + " ";
    texts.push_back(longText);
    for (const std::string& utf8 : texts) {
        const std::string text = plat::utf8ToCp1252(utf8);
        EXPECT_EQ(byPhrases(text), brisa::textToPhonemeLines(text, 1.0, 1.0)) << utf8;
    }
    // A long text really is cut, a sentence without marks too.
    size_t phrases = 0;
    byPhrases(plat::utf8ToCp1252(longText), &phrases);
    EXPECT_GE(phrases, 12u);
    byPhrases(plat::utf8ToCp1252(kParagraphs[2]), &phrases);
    EXPECT_GE(phrases, 2u);
}

TEST(BrisaStream, CutsKeepWhatReadsAcrossThem) {
    ASSERT_TRUE(loadLanguage());
    std::string filler(420, 'x');
    for (size_t i = 0; i < filler.size(); i += 7) filler[i] = ' ';
    struct Case { std::string text; size_t firstCut; };
    const Case cases[] = {
        {"Oi. Tudo bem?", 3},                    // before the blank after a full stop
        {"Fim.\nOutro dia. Sim", 15},            // a full stop before a line break is read, not cut
        {"Oi. ", 4},                             // never leaves a lone blank behind
        {"Sim!\nNão", 4},
        {"Sr. Silva", 3},                        // an abbreviation's dot: the reading is the same
    };
    for (const Case& c : cases) {
        brisa::PhraseTranscriber t(plat::utf8ToCp1252(c.text), 1.0, 1.0);
        EXPECT_EQ(t.nextCut(), c.firstCut) << c.text;
    }
}

TEST(BrisaStream, RendererStateStaysSmallOnALongText) {
    ASSERT_TRUE(loadLanguage());
    brisa::DiphoneDb db;
    std::string problem;
    ASSERT_TRUE(brisa::loadDiphoneDb(kData + "br4.ddb", db, problem)) << problem;
    brisa::Renderer r;
    r.db = &db;
    std::string text;
    for (int i = 0; i < 40; ++i) text += std::string(kParagraphs[i % 3]) + " ";
    brisa::PhraseTranscriber t(plat::utf8ToCp1252(text), 1.0, 1.0);
    std::vector<std::string> lines;
    std::vector<int16_t> buf(4096);
    size_t phones = 0, most = 0, samples = 0;
    while (t.next(lines)) {
        for (const std::string& l : lines) {
            brisa::rendererWrite(r, l);
            brisa::Phone p;
            bool bad;
            phones += brisa::parsePhoneLine(l, p, bad);
            most = std::max({most, r.phones.size(), r.pitch.size()});
            size_t n;
            while ((n = brisa::rendererRead(r, buf.data(), buf.size())) > 0) samples += n;
        }
    }
    brisa::rendererFlush(r);
    EXPECT_GT(phones, 9000u);
    EXPECT_GT(samples, 16000u * 60);
    // Held back: at most the phones and points since the last pause (the unmarked
    // paragraph has about 400), not the text's.
    EXPECT_LT(most, 1000u) << "of " << phones << " phones";
}

// A one-sample step: a jump between two samples far larger than the steps around it
// (speech's own slope), the mark of a grain or buffer edge.
struct Step { size_t at; int from, to; };
std::vector<Step> lonelySteps(const std::vector<int16_t>& s) {
    std::vector<Step> out;
    for (size_t i = 9; i + 8 < s.size(); ++i) {
        const int step = std::abs(int(s[i]) - int(s[i - 1]));
        if (step < 3000) continue;
        int around = 0;
        // The step right after is left out, so that a lone spike counts once.
        for (size_t k = i - 8; k <= i + 8; ++k)
            if (k != i && k != i + 1) around = std::max(around, std::abs(int(s[k]) - int(s[k - 1])));
        if (step > 3 * around) out.push_back({i, s[i - 1], s[i]});
    }
    return out;
}

TEST(BrisaStream, NoOneSampleSteps) {
    ASSERT_TRUE(loadLanguage());
    brisa::DiphoneDb db;
    std::string problem;
    ASSERT_TRUE(brisa::loadDiphoneDb(kData + "br4.ddb", db, problem)) << problem;
    for (double df : {1.0, 0.6, 0.3}) {
        for (const char* p : kParagraphs) {
            const auto lines = brisa::textToPhonemeLines(plat::utf8ToCp1252(p), 1.0, df);
            const auto s = brisa::renderPhoneLines(db, lines);
            ASSERT_GT(s.size(), 16000u);
            for (const Step& st : lonelySteps(s))
                ADD_FAILURE() << "step " << st.from << " -> " << st.to << " at sample " << st.at << " (speed " << df
                              << ") in: " << p;
        }
    }
    // The scan itself sees a step of that kind.
    std::vector<int16_t> sine(2000);
    for (size_t i = 0; i < sine.size(); ++i) sine[i] = int16_t(3000 * std::sin(double(i) / 20));
    sine[1000] = 12000;
    std::fill(sine.begin() + 1500, sine.end(), int16_t(9000));
    const auto seen = lonelySteps(sine);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].at, 1000u);
    EXPECT_EQ(seen[1].at, 1500u);
}

}  // namespace
