// Saying messages, asking for keys and the catalogue's helpers for menus, forms
// and the editors' side panel, driven through the headless front.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "catalog/catalog.h"
#include "console/config.h"
#include "console/console.h"
#include "console/form.h"
#include "console/menu.h"
#include "console/textwin.h"
#include "platform/platform.h"
#include "support/headless.h"
#include "support/inproc.h"

namespace {

std::unique_ptr<InProc> fresh(const std::string& keys = "") { return quietConsole(keys); }

// A valid 8-bit mono WAV file of silence.
std::string tinyWav(uint32_t samples = 1102) {  // 0.1 s at 11025 Hz
    std::string w;
    auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) w.push_back(char((v >> (8 * i)) & 0xFF)); };
    auto u16 = [&](uint16_t v) { w.push_back(char(v & 0xFF)); w.push_back(char(v >> 8)); };
    w += "RIFF"; u32(36 + samples); w += "WAVE";
    w += "fmt "; u32(16); u16(1); u16(1); u32(11025); u32(11025); u16(1); u16(8);
    w += "data"; u32(samples); w.append(samples, char(128));
    return w;
}

}  // namespace

TEST(SayMessage, WritesTheTextThenTheLineEndsAndSpeaksIt) {
    auto p = fresh();
    EXPECT_EQ(p->run([] {
        con::gotoXY(5, 3);
        catalog::SayMessage("LUJOGAR", 1);
    }), -1);
    EXPECT_EQ(p->row(3), "    Jogar");
    EXPECT_EQ(con::whereX(), 1);
    EXPECT_EQ(con::whereY(), 4);
    EXPECT_TRUE(p->traced("speak Jogar"));

    // Two line ends after an accented prompt ending in a blank.
    p->run([] { catalog::SayMessage("LUJOGCRI", 2); });
    EXPECT_EQ(p->row(4), "Opção: Jogar, Criar ou Editar?");
    EXPECT_EQ(con::whereY(), 6);
    EXPECT_TRUE(p->traced("speak Opção: Jogar, Criar ou Editar? "));
}

TEST(SayMessage, NegativeLineEndsOnlySpeak) {
    auto p = fresh();
    p->run([] {
        con::gotoXY(10, 12);
        catalog::SayMessage("LUAPTENT", -1);
    });
    for (int r = 1; r <= 25; ++r) EXPECT_EQ(p->row(r), "") << r;
    EXPECT_EQ(con::whereX(), 10);
    EXPECT_EQ(con::whereY(), 12);
    EXPECT_TRUE(p->traced("speak Aperte enter"));
}

TEST(SayMessage, UnknownKeyIsWrittenAndSpokenAsItself) {
    auto p = fresh();
    p->run([] { catalog::SayMessage("XYZ", 0); });
    EXPECT_EQ(p->row(1), "XYZ");
    EXPECT_EQ(con::whereX(), 4);
    EXPECT_TRUE(p->traced("speak XYZ"));
}

TEST(SayMessage, RecordingNamedAfterTheKeyReplacesTheVoice) {
    auto p = fresh();
    ASSERT_TRUE(writeText(p->dir + "/LUFIM.wav", tinyWav()));
    con::speechSettings().soundFolder = p->dir + "/";
    p->run([] {
        catalog::SayMessage("LUFIM", 0);
        catalog::SayMessage("LUJOGAR", -1);  // no recording: synthesized
    });
    EXPECT_EQ(p->row(1), "Fim do Ludivar");
    EXPECT_TRUE(p->traced("play LUFIM"));
    EXPECT_FALSE(p->traced("speak Fim do Ludivar"));
    EXPECT_TRUE(p->traced("speak Jogar"));
    EXPECT_FALSE(p->traced("play LUJOGAR"));
}

TEST(SayMessage, AKeyCutsTheSpeechAndIsReadNext) {
    // The key comes 200 ms into a three-second recording.
    auto p = fresh("{wait 200}s");
    ASSERT_TRUE(writeText(p->dir + "/LUPGMNEX.wav", tinyWav(3 * 11025)));
    con::speechSettings().soundFolder = p->dir + "/";
    uint8_t got = 0;
    uint64_t start = p->now();
    p->run([&] {
        catalog::SayMessage("LUPGMNEX", 0);
        EXPECT_LT(p->now() - start, 1000u);
        got = con::readKey();
    });
    EXPECT_EQ(got, 's');
    EXPECT_TRUE(p->traced("play LUPGMNEX"));
    EXPECT_TRUE(p->traced("stop"));
}

TEST(AskKey, LetterIsUpperCasedAfterTheLineEnds) {
    auto p = fresh("s");
    uint8_t got = 0;
    p->run([&] { got = catalog::AskKey("LUCNFFIM", 1, 1); });
    EXPECT_EQ(got, 'S');
    EXPECT_EQ(p->row(1), "Confirma fim? s");
    EXPECT_EQ(p->attr(1, 1) >> 4, 1);       // the prompt on its background
    EXPECT_EQ(con::textAttr() >> 4, 0);     // and back to black afterwards
    EXPECT_EQ(con::whereX(), 1);
    EXPECT_EQ(con::whereY(), 3);            // its own line end, then one more
    EXPECT_TRUE(p->traced("speak Confirma fim? "));

    // Accented letters come back in capitals as well.
    auto q = fresh("ã");
    q->run([&] { got = catalog::AskKey("LUCNFFIM", 0, 0); });
    EXPECT_EQ(got, 0xC3);
}

TEST(AskKey, ExtendedKeyGivesZeroWithoutLineEnd) {
    auto p = fresh("{Down}");
    uint8_t got = 99;
    p->run([&] { got = catalog::AskKey("LUCNFFIM", 2, 1); });
    EXPECT_EQ(got, 0);
    EXPECT_EQ(con::whereY(), 1);
    EXPECT_EQ(con::whereX(), int(std::string("Confirma fim? ").size()) + 1);
}

TEST(CatalogHelpers, MenuOptionsCarryKeyAndText) {
    auto p = fresh();
    p->run([] {
        con::menuOpen(1, 1, 12, 3, 4);
        catalog::AddMenuOption("LUJOGAR");
        catalog::AddMenuOption("LUCRIAR");
        catalog::AddMenuOption("LUXYZ");
    });
    const auto& opts = con::menuState().options;
    ASSERT_EQ(opts.size(), 3u);
    EXPECT_EQ(opts[0].number, 1);
    EXPECT_EQ(opts[0].key, "LUJOGAR");
    EXPECT_EQ(opts[0].text, "Jogar");
    EXPECT_EQ(opts[1].text, "Criar");
    EXPECT_EQ(opts[2].text, "LUXYZ");
    EXPECT_EQ(opts[2].number, 3);
}

TEST(CatalogHelpers, FormFieldsAreLabelledByTheirKeys) {
    auto p = fresh();
    std::string name = "Jogo", flag = "SIM", other;
    p->run([&] {
        con::formStart();
        catalog::AddFormField("LU_NOME", &name, 255, 40);
        catalog::AddFormChoiceField("LU_ALEAT", &flag, 255, catalog::YesNoText(true) + "|" + catalog::YesNoText(false), 3);
        catalog::AddFormChoiceField("LUC_CATE", &other, 255, "", 10);
    });
    const auto& f = con::formState().fields;
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(f[0].key, "LU_NOME");
    EXPECT_EQ(f[0].label, "Nome do Jogo");
    EXPECT_EQ(f[0].value, "Jogo");
    EXPECT_EQ(f[0].target, &name);
    EXPECT_EQ(f[0].width, 40);
    EXPECT_EQ(f[1].label, plat::cp("Aleatório"));
    EXPECT_EQ(f[1].options, plat::cp("SIM|NÃO"));
    EXPECT_EQ(f[2].options, "");  // no options: a plain field
}

TEST(CatalogHelpers, ClearRightPanelWipesOnlyThePanel) {
    auto p = fresh();
    p->run([] {
        con::setTextAttr(0x1E);
        for (int r = 1; r <= 25; ++r) {
            con::gotoXY(1, r);
            con::write(std::string(80, 'x'));
        }
        con::gotoXY(7, 22);
        catalog::ClearRightPanel();
    });
    for (int r = 1; r <= 24; ++r) {
        std::string row = p->row(r);
        if (r >= 7 && r <= 19) {
            EXPECT_EQ(row, std::string(39, 'x')) << r;
            EXPECT_EQ(p->attr(40, r), 0x0E) << r;   // black background, letters kept
            EXPECT_EQ(p->attr(80, r), 0x0E) << r;
            EXPECT_EQ(p->attr(39, r), 0x1E) << r;
        } else {
            EXPECT_EQ(row, std::string(80, 'x')) << r;
        }
    }
    EXPECT_EQ(con::whereX(), 7);
    EXPECT_EQ(con::whereY(), 22);
    const con::TextWindow& t = con::tw();
    EXPECT_EQ(t.left, 0);
    EXPECT_EQ(t.top, 0);
    EXPECT_EQ(t.right, 79);
    EXPECT_EQ(t.bottom, 24);
}
