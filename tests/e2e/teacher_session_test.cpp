// A teacher's first game made by keys through the program itself, each step as the
// README's "Your first game" tells it: three places, alternative answers each with its
// own destination, a category and a picture; then played from the editor and checked.
#include "ludivar_paths.h"
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/child.h"
#include "support/headless.h"

namespace fs = std::filesystem;

namespace {

std::string enters(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += "{Enter}";
    return s;
}

// Each step: words of the README that tell the teacher to do it, and the keys.
struct Step {
    const char* readme;
    std::string keys;
};

std::vector<Step> steps(const std::string& mediaFolder) {
    return {
        {"answer C (Criar), type a folder name (`bichos`) and Enter twice", "cbichos{Enter}{Enter}"},
        {"D: the general data. Type the game's name (`Bichos da fazenda`) and your name, then Esc and S to confirm.",
         "dBichos da fazenda{Enter}Ana{Esc}s"},
        {"I: import media. Type the folder that holds your files", "i" + mediaFolder + "{Enter}"},
        {"Type a file's name\n   (`vaca.jpg`) and Enter to copy it into the game's folder; Esc ends", "vaca.jpg{Enter}{Esc}"},
        {"E: the places. On \"1 - Capa\" press I, type `Vaca`, and answer D (or Enter) to put it after Capa",
         "eiVaca{Enter}d"},
        {"Do the same on Vaca for `Fim`.", "{Down}iFim{Enter}d"},
        // Nome, Categoria, the picture, media and colours, points, then the answers.
        {"On Vaca press E (its form).", "e{Enter}"},
        {"Categoria: `bichos`.", "bichos" + enters(6)},
        {"Resposta esperada: accepted answers separated by a bar, `muu|mu`.", "muu|mu{Enter}"},
        {"one destination for each answer, in the same order, `Fim|Fim`", "Fim|Fim{Enter}"},
        {"Erro, que lugar?: `Vaca`, so a wrong answer asks again.", "Vaca"},
        {"Esc, then S to confirm; the editor offers Vaca's first slide: S.", "{Esc}ss"},
        {"S on Vaca opens its slides; Enter opens the first one. In Figura .JPG press F9 and choose `vaca.jpg`",
         "s{Enter}{Enter}{F9}{Enter}"},
        {"in\n   Texto 1 write what the picture shows and the question",
         enters(8) + "Uma vaca no pasto. Que bicho faz muu?{Esc}s{Esc}"},
        {"On Fim press E, set \"Jogo termina aqui?\" to SIM (F9), Esc, S, and S again to its slide: write `Muito bem!`.",
         "{Down}e" + enters(10) + "{F9}{Down}{Enter}{Esc}sss" + enters(10) + "Muito bem!{Esc}s{Esc}"},
        // Played: Capa, then Vaca answered with the second spelling, then Fim and its end.
        {"Esc back to the menu and X: the game plays from Capa.", "{Esc}x{Enter}mu{Enter}{Enter}{Enter}"},
        {"Esc and S save and leave.", "{Esc}s{Esc}"},
    };
}

std::string readmeSection() {
    const std::string all = readText(std::string(LUDIVAR_SOURCE_DIR) + "/README.md");
    const size_t from = all.find("## Your first game");
    return from == std::string::npos ? std::string() : all.substr(from, all.find("\n## ", from + 1) - from);
}

int indexOf(const std::vector<std::string>& trace, const std::string& event, int from = 0) {
    for (size_t i = size_t(std::max(from, 0)); i < trace.size(); ++i)
        if (trace[i] == event) return int(i);
    return -1;
}

TEST(TeacherSession, AThreePlaceGameByDocumentedKeysPlaysAndChecksClean) {
    const std::string root = tempDir(), media = tempDir();
    fs::copy_file(std::string(LUDIVAR_BUILD_ROOT) + "/sonare/ludivar/formas-e-cores/maca.jpg", media + "/vaca.jpg");
    const std::string section = readmeSection();
    ASSERT_FALSE(section.empty());
    std::string keys;
    for (const Step& s : steps(media)) {
        EXPECT_NE(section.find(s.readme), std::string::npos) << "the README no longer says: " << s.readme;
        keys += s.keys;
    }
    keys += "{Esc}";  // the main question: the end
    HeadlessResult r = runHeadless(keys, {}, "[LUDIVAR]\nDIRJOGOS=" + root + "\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;

    // The game as the steps built it.
    const std::string game = root + "/bichos/bichos.lud";
    const std::string text = plat::cp1252ToUtf8(readText(game));
    for (const char* line : {"NOME DO JOGO=Bichos da fazenda\r\n", "AUTOR=Ana\r\n", "LUGARES=3\r\n",
                             "NOME=Vaca\r\nDESCRIÇÃO=\r\nCATEGORIA=bichos\r\nRESPOSTA ESPERADA=muu|mu\r\n"
                             "LUGAR OK=Fim|Fim\r\nLUGAR ERRO=Vaca\r\n",
                             "FIGURA=vaca.jpg\r\n", "0=Uma vaca no pasto. Que bicho faz muu?\r\n", "0=Muito bem!\r\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    const size_t fim = text.find("NOME=Fim\r\n");
    ASSERT_NE(fim, std::string::npos);
    EXPECT_NE(text.find("TERMINADOR=SIM\r\n", fim), std::string::npos) << text.substr(fim);
    EXPECT_TRUE(fs::exists(root + "/bichos/vaca.jpg"));
    EXPECT_TRUE(r.contains("speak Copiados para o jogo: "));

    // Played from the editor in the order the answer leads, and never a silent beep.
    // Capa's slide carries the name the game was created with; said after the import.
    const int play = indexOf(r.trace, "speak Jogo experimental", indexOf(r.trace, "speak Copiados para o jogo: "));
    ASSERT_GE(play, 0);
    const int question = indexOf(r.trace, "speak Uma vaca no pasto. Que bicho faz muu?", play);
    const int right = indexOf(r.trace, "speak Muito bem!", question);
    const int end = indexOf(r.trace, "speak Fim do Jogo", right);
    EXPECT_TRUE(question > play && right > question && end > right) << play << " " << question << " " << right;
    EXPECT_EQ(std::count(r.trace.begin() + play, r.trace.begin() + std::max(end, play), "beep"), 0);
    EXPECT_TRUE(r.contains("speak Arquivo gravado"));

    // Checked: nothing left to mend.
    const std::string log = tempDir() + "/check.txt";
    EXPECT_EQ(testsupport::runLogged({LUDIVAR_BIN, "--check", game}, log), 0) << readText(log);
    EXPECT_NE(readText(log).find("Jogo \"Bichos da fazenda\" lido sem erros: 3 lugares, 3 slides."), std::string::npos)
        << readText(log);
    EXPECT_NE(readText(log).find("Nenhum aviso."), std::string::npos) << readText(log);
}

}  // namespace
