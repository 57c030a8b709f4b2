// The program as a user meets it: greeting, question, menu and farewell, through the headless front.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/headless.h"

namespace {
// A start after the first: the user's games are in place, so the greeting is said.
struct LaterStart {
    LaterStart() {
        const std::string data = tempDir();
        std::filesystem::create_directories(data + "/ludivar");
        writeText(data + "/ludivar/.jogos-copiados", "\n");
        setHeadlessEnv({"XDG_DATA_HOME=" + data});
    }
    ~LaterStart() { setHeadlessEnv({}); }
};

bool allBlankFrom(const HeadlessResult& r, int fromRow) {
    for (int row = fromRow; row <= 25; ++row)
        if (!r.rows[row - 1].empty()) return false;
    return true;
}
}  // namespace

TEST(StartUp, EscapeSaysFarewellAndEnds) {
    HeadlessResult r = runHeadless("{Esc}");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.rows[0], "Ludivar - editor de jogos educacionais - Versão 2.2.0");
    EXPECT_EQ(r.rows[3].rfind("Opção: Jogar, Criar ou Editar?", 0), 0u);
    EXPECT_TRUE(r.contains("speak Fim do Ludivar"));
    // The greeting line is on blue; the farewell comes after a blank line, also on blue.
    EXPECT_EQ(attrAt(r, 1, 1) >> 4, 1);
    EXPECT_EQ(r.rows[5], "Fim do Ludivar");
    EXPECT_EQ(attrAt(r, 1, 6) >> 4, 1);
}

// The first start says where the games went; the greeting is then only shown. Every
// later start says the greeting.
TEST(StartUp, TheGreetingIsSaidFromTheSecondStart) {
    const std::string data = tempDir();
    setHeadlessEnv({"XDG_DATA_HOME=" + data});
    const HeadlessResult first = runHeadless("{Esc}"), second = runHeadless("{Esc}");
    setHeadlessEnv({});
    for (const HeadlessResult* r : {&first, &second}) {
        EXPECT_EQ(r->exitCode, 0) << r->err;
        EXPECT_EQ(r->rows[0], "Ludivar - editor de jogos educacionais - Versão 2.2.0");
        EXPECT_TRUE(r->contains("speak Opção: Jogar, Criar ou Editar? "));
    }
    EXPECT_TRUE(first.contains("speak Seus jogos ficam na pasta jogos em sua pasta pessoal"));
    EXPECT_FALSE(first.contains("speak Ludivar - editor de jogos educacionais"));
    EXPECT_FALSE(second.contains("speak Seus jogos ficam na pasta jogos em sua pasta pessoal"));
    EXPECT_TRUE(second.contains("speak Ludivar - editor de jogos educacionais"));
    EXPECT_TRUE(second.contains("speak 2.2.0"));
}

TEST(StartUp, ArrowOpensTheThreeOptionMenuOnRed) {
    HeadlessResult r = runHeadless("{Down}");
    EXPECT_EQ(r.exitCode, 3);  // the script ran out while the menu waited
    // The menu stands at the cursor, right of the question, one option a row.
    bool sawJogar = false, sawCriar = false, sawEditar = false;
    for (int row = 1; row <= 25; ++row) {
        const std::string& line = r.rows[row - 1];
        auto at = [&](const char* word) {
            size_t pos = line.rfind(word);
            if (pos == std::string::npos || pos < 30) return false;
            int col = 1;  // screen column: count characters, not UTF-8 bytes
            for (size_t i = 0; i < pos; ++i) col += (uint8_t(line[i]) & 0xC0) != 0x80;
            EXPECT_EQ(attrAt(r, col, row) >> 4, 4) << word;
            return true;
        };
        sawJogar |= at("Jogar");
        sawCriar |= at("Criar");
        sawEditar |= at("Editar");
    }
    EXPECT_TRUE(sawJogar && sawCriar && sawEditar);
}

TEST(StartUp, MenuEscapeEndsAndOtherLettersAskAgain) {
    LaterStart later;
    HeadlessResult esc = runHeadless("{Down}{Esc}");
    EXPECT_EQ(esc.exitCode, 0);
    EXPECT_TRUE(esc.contains("speak Fim do Ludivar"));

    HeadlessResult again = runHeadless("x");
    EXPECT_EQ(again.exitCode, 3);
    EXPECT_EQ(again.count("speak Opção: Jogar, Criar ou Editar? "), 2);
    EXPECT_EQ(again.rows[3].rfind("Opção: Jogar, Criar ou Editar?", 0), 0u);
    EXPECT_TRUE(allBlankFrom(again, 5));
    EXPECT_TRUE(again.rows[1].empty() && again.rows[2].empty());
}

TEST(StartUp, MissingGamesRootIsReportedAndTheProgramGoesOn) {
    HeadlessResult r = runHeadless("{Esc}", {}, "[LUDIVAR]\nDIRJOGOS=/nonexistent/ludivar-games\n");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.contains("speak Diretório de jogos não foi encontrado"));
    EXPECT_TRUE(r.contains("speak /nonexistent/ludivar-games"));
    EXPECT_TRUE(r.contains("speak Foi assumido o diretório atual para as pastas de jogos"));
}

TEST(StartUp, KeyCutsTheGreetingShort) {
    // An impatient Escape arrives while the greeting is still being said.
    LaterStart later;
    HeadlessResult r = runHeadless("{wait 30}{Esc}");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.contains("stop"));
    EXPECT_TRUE(r.contains("speak Fim do Ludivar"));
}
