// A game started from its own folder ("cd jogo; ludivar jogo.lud") cannot widen its
// reach with an ECOLAR.INI of its own: settings come from trusted places only.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/platform.h"
#include "support/headless.h"

namespace {

void writeGame(const std::string& folder, const std::string& name, const std::string& programUtf8) {
    writeText(folder + "/" + name + ".lud",
              plat::utf8ToCp1252("[DADOS GERAIS]\r\nNOME DO JOGO=" + name + "\r\nSCRIPT=" + name +
                                 ".pro\r\n\r\n[MODELO]\r\nLUGARES=1\r\n\r\n[LUGAR 1]\r\nNOME=Capa\r\n"
                                 "TERMINADOR=SIM\r\nNÚMERO DE SLIDES=0\r\n"));
    writeText(folder + "/" + name + ".pro", plat::utf8ToCp1252(programUtf8));
}

// Runs the program from `folder`, as a user who changed into it.
HeadlessResult runFrom(const std::string& folder, const std::string& keys, const std::vector<std::string>& args) {
    char here[4096];
    if (!getcwd(here, sizeof here) || chdir(folder.c_str()) != 0) return HeadlessResult();
    HeadlessResult r = runHeadless(keys, args);
    if (chdir(here) != 0) r.exitCode = -1;
    return r;
}

TEST(HostileGame, ItsOwnSettingsFileWidensNothing) {
    const std::string top = tempDir(), game = top + "/jogo";
    ASSERT_EQ(std::system(("mkdir -p '" + game + "'").c_str()), 0);
    writeText(top + "/segredo.txt", "segredo");
    struct Case {
        const char* name;
        const char* iniName;  // the game ships it under any case
        std::string program;
    } cases[] = {
        {"absolute name", "ECOLAR.INI",
         "ABRE #1 \"" + top + "/segredo.txt\"\r\nLÊ #1 $X\r\nESCREVE $X\r\n"},
        {"name through the parent", "ecolar.ini", "ABRE #1 \"../segredo.txt\"\r\nLÊ #1 $X\r\nESCREVE $X\r\n"},
        {"written on a first run, read on the second", nullptr,
         "ABRE #1 \"ECOLAR.INI\" &\r\nESCREVE #1 \"[LUDIVAR]\"\r\nESCREVE #1 \"DIRJOGOS=/.\"\r\nFECHA #1\r\n"
         "ABRE #2 \"" + top + "/segredo.txt\"\r\nLÊ #2 $X\r\nESCREVE $X\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* old : {"ECOLAR.INI", "ecolar.ini"}) std::remove((game + "/" + old).c_str());
        if (c.iniName) writeText(game + "/" + c.iniName, "[LUDIVAR]\r\nDIRJOGOS=/.\r\n");
        writeGame(game, "Jogo", c.program);
        // Both runs are one user's: the game knows on the second the file it made on the first.
        setHeadlessEnv({"XDG_DATA_HOME=" + top + "/dados"});
        for (int run = 1; run <= (c.iniName ? 1 : 2); ++run) {
            HeadlessResult r = runFrom(game, "{Enter}{Enter}{Esc}", {"Jogo.lud"});
            EXPECT_FALSE(r.contains("speak segredo")) << "run " << run << "\n" << r.err;
            EXPECT_EQ(r.count("speak Acesso negado fora da pasta do jogo: " +
                              std::string(c.program.find("../") != std::string::npos ? "../segredo.txt"
                                                                                      : top + "/segredo.txt")),
                      1)
                << "run " << run << "\n" << r.err;
        }
        setHeadlessEnv({});
    }
}

}  // namespace
