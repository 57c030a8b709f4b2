// ECOLAR.INI: the profile rules, where the file is found (trusted places only),
// the typed settings with "@" substitution, and the speech settings derived from them.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <vector>

#include "console/config.h"
#include "console/console.h"
#include "console_support.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "support/headless.h"

using con::iniReadText;

TEST(IniReader, ProfileRules) {
    const std::string ini =
        "junk line without equals\r\n"
        "[tradutor]\r\n"
        "  Velocidade = 4  \r\n"
        "=nokey\r\n"
        "DIRLETRAS=\"c:\\som\\letras\\\"\r\n"
        "[OUTRA\n"
        "VELOCIDADE=1\n"
        "[TRADUTOR]\n"
        "VELOCIDADE=5\n"
        "SAPI=\n";
    EXPECT_EQ(iniReadText(ini, "TRADUTOR", "VELOCIDADE"), "4");  // first one wins
    EXPECT_EQ(iniReadText(ini, "Tradutor", "dirLetras"), "c:\\som\\letras\\");
    EXPECT_EQ(iniReadText(ini, "OUTRA", "VELOCIDADE"), "1");
    EXPECT_EQ(iniReadText(ini, "TRADUTOR", "NADA"), "");
    EXPECT_EQ(iniReadText(ini, "NADA", "VELOCIDADE"), "");
    EXPECT_TRUE(con::iniTextHasKey(ini, "tradutor", "sapi"));
    EXPECT_FALSE(con::iniTextHasKey(ini, "tradutor", "voz"));
    EXPECT_EQ(iniReadText("", "A", "B"), "");

    const std::string longIni = "[A]\nK=" + std::string(300, 'x') + "\n";
    EXPECT_EQ(iniReadText(longIni, "A", "K"), std::string(255, 'x'));
    EXPECT_EQ(iniReadText(longIni, "A", "K", 80), std::string(80, 'x'));

    // A file written as UTF-8 on Linux reads as the CP1252 the program works with.
    EXPECT_EQ(iniReadText("[VIDEO]\nFONTE=Fonte Ótima\n", "video", "fonte"), plat::cp("Fonte Ótima"));
    EXPECT_EQ(iniReadText("[VIDEO]\nFONTE=Fonte \xD3tima\n", "video", "fonte"), "Fonte \xD3tima");

    EXPECT_EQ(con::parseIntOr(" 12 ", 3), 12);
    EXPECT_EQ(con::parseIntOr("-4", 3), -4);
    EXPECT_EQ(con::parseIntOr("abc", 250), 250);
    EXPECT_EQ(con::parseIntOr("12abc", 250), 250);
    EXPECT_EQ(con::parseIntOr("99999999999999", 7), 7);
}

TEST(Settings, FolderSubstitution) {
    con::resetConfig();
    const con::Settings s = con::settingsFromText(
        "[ECOLAR]\nPGMECOLAR=c:\\fam\nPROG.HTM=@\\nav\n[LUDIVAR]\nDIRLUDIVAR=@\\som\nDIRJOGOS=x@\\y\n"
        "EDITOR=sem arroba\n[BRISATTS]\nDIR=@@\\z\n[VIDEO]\nFONTE=@\\fonte\n[TRADUTOR]\nDIRDIFONES=@\\dif\n"
        "DIRLETRAS=@\\letras\\\n",
        "");
    EXPECT_EQ(s.soundsFolder, "c:\\fam\\som");
    EXPECT_EQ(s.gamesFolder, "xc:\\fam\\y");
    EXPECT_EQ(s.editor, "sem arroba");
    EXPECT_EQ(s.engineFolder, "c:\\famc:\\fam\\z");
    EXPECT_EQ(s.programFolder, "c:\\fam");
    EXPECT_EQ(s.programFor("htm"), "c:\\fam\\nav");
    EXPECT_EQ(s.lettersFolder, "c:\\fam\\letras\\");
    // The window's and the diphone folder's keys are taken as written.
    EXPECT_EQ(s.fontFace, "@\\fonte");
    EXPECT_EQ(s.diphonesFolder, "@\\dif");

    con::setStartFolder("/home/aluno/jogos");
    EXPECT_EQ(con::settingsFromText("[ECOLAR]\nPGMECOLAR=\n[LUDIVAR]\nDIRLUDIVAR=@\\som\n", "").soundsFolder,
              "/home/aluno/jogos\\som");
    con::resetConfig();

    // A folder that names "@\" itself cannot make the reader loop forever.
    EXPECT_EQ(con::substituteAt("@\\a", "@\\b").find("@\\b"), std::string::npos);
    std::string looped = con::substituteAt("q@\\a", "r@\\");
    EXPECT_LT(looped.size(), 200u);
}

TEST(Settings, EveryKeyTypedWithItsDefaultAndRange) {
    const con::Settings d = con::settingsFromText("", "");
    EXPECT_EQ(d.programReturnWaitMs, 500);
    EXPECT_TRUE(d.resumeGames);
    EXPECT_EQ(d.speed, 3);
    EXPECT_EQ(d.punctuation, con::Punctuation::All);
    EXPECT_FALSE(d.systemVoice);
    EXPECT_EQ(d.speeds[2].pausePoint, 250);
    EXPECT_EQ(d.foreground, 15);
    EXPECT_EQ(d.magnifier, 2);
    EXPECT_EQ(d.fontWeight, 700);
    EXPECT_TRUE(d.normalSize);
    EXPECT_TRUE(d.brailleLine);
    EXPECT_TRUE(d.programs.empty());
    EXPECT_FALSE(d.pupilMode);

    const con::Settings s = con::settingsFromText(
        "[ECOLAR]\nTEMPOESPERAPROGVOLTAR=999999\nprog.txt=c:\\ed\nPROG.TXT=segundo\nPROG.PDF=\n"
        "[LUDIVAR]\nRETOMAR= nao \n"
        "[TRADUTOR]\nVELOCIDADE=4\nPONTUACAO=alguma\nSAPI=Sim\n"
        "[SINTETIZADOR]\nDIFONES5=UMNOMELONGO\nINTERPAL5=2147483647\nCORTAFALA5=S\nPAUSAVIRG1=-3\n"
        "[SERVFALA]\nTIPOSAPI=54\nVOZ=-1\nVELOCIDADE=500\nTOM=-500\n"
        "[VIDEO]\nCORESFIXAS=s\nLENTO=S\nCORFUNDO=1\nCORLETRA=14\nAMPLIF=9\nLARGURALETRA=100000\n"
        "ALTURALETRA=x\nPESOLETRA=5\nCANTOTELA=N\nTABCORES=1,2,3\n"
        "[BRAILLE]\nMODO=3\nLINHA=nao\n[SEGURANCA]\nPASTASCONFIAVEIS=~/a;/b\nMODOALUNO= sim \n",
        "");
    EXPECT_EQ(s.programReturnWaitMs, 60000);
    EXPECT_EQ(s.programFor("txt"), "c:\\ed");  // the first occurrence wins
    EXPECT_EQ(s.programFor("PDF"), "");
    EXPECT_EQ(s.programFor("doc"), "");
    EXPECT_FALSE(s.resumeGames);
    EXPECT_EQ(s.speed, 4);
    EXPECT_EQ(s.punctuation, con::Punctuation::Some);
    EXPECT_TRUE(s.systemVoice);
    EXPECT_EQ(s.speeds[4].diphones, "UMNOMELO");
    EXPECT_EQ(s.speeds[4].interPal, 22000);
    EXPECT_TRUE(s.speeds[4].cutPeriods);
    EXPECT_EQ(s.speeds[0].pauseComma, 0);
    EXPECT_EQ(s.speeds[2].interPal, 0);
    EXPECT_EQ(s.voiceType, 54);
    EXPECT_EQ(s.voice, 0);
    EXPECT_EQ(s.voiceRate, 100);
    EXPECT_EQ(s.voicePitch, -100);
    EXPECT_TRUE(s.fixedColours);
    EXPECT_TRUE(s.slowScroll);
    EXPECT_EQ(s.background, 1);
    EXPECT_EQ(s.foreground, 14);
    EXPECT_EQ(s.magnifier, 2);
    EXPECT_EQ(s.fontWidth, 200);
    EXPECT_EQ(s.fontHeight, 0);
    EXPECT_EQ(s.fontWeight, 100);
    EXPECT_FALSE(s.normalSize);
    EXPECT_EQ(s.colourTable, "1,2,3");
    EXPECT_EQ(s.brailleMode, 1);
    EXPECT_FALSE(s.brailleLine);
    EXPECT_EQ(s.trustedFolders, "~/a;/b");
    EXPECT_TRUE(s.pupilMode);
}

// Where the settings come from, with a hostile ECOLAR.INI always waiting in the
// folder Ludivar starts from (a downloaded game's folder).
TEST(Settings, OnlyTrustedPlacesAreRead) {
    const std::string hostile =
        "[LUDIVAR]\nDIRJOGOS=/.\nEDITOR=./editar.sh\n[ECOLAR]\nPROG.HTM=./abrir.sh\n"
        "[TRADUTOR]\nVELOCIDADE=5\n[SEGURANCA]\nPASTASCONFIAVEIS=/\n";
    struct Case {
        const char* name;
        const char* cmdLine;  // --ini text; nullptr: none given, "-": names a missing file
        const char* user;     // the user's folder's ECOLAR.INI (nullptr: none)
        const char* shipped;  // the data root's
        const char* kept;     // ludivar.ini
        const char* from;     // which file is read: "ini", "user", "root" or ""
        const char* games;
        const char* browser;
        int speed;
        con::Punctuation punctuation;
    } cases[] = {
        {"shipped defaults last", nullptr, nullptr, "[LUDIVAR]\nDIRJOGOS=c:\\sonare\\ludivar\n", nullptr, "root",
         "c:\\sonare\\ludivar", "", 3, con::Punctuation::All},
        {"nothing trusted", nullptr, nullptr, nullptr, nullptr, "", "", "", 3, con::Punctuation::All},
        {"user folder next", nullptr, "[LUDIVAR]\nDIRJOGOS=meus\n[ECOLAR]\nPROG.HTM=firefox\n",
         "[LUDIVAR]\nDIRJOGOS=raiz\n", nullptr, "user", "meus", "firefox", 3, con::Punctuation::All},
        {"--ini wins", "[LUDIVAR]\nDIRJOGOS=linha\n[TRADUTOR]\nVELOCIDADE=2\nPONTUACAO=NENHUMA\n",
         "[LUDIVAR]\nDIRJOGOS=meus\n", "[LUDIVAR]\nDIRJOGOS=raiz\n", "[TRADUTOR]\nVELOCIDADE=4\nPONTUACAO=ALGUMA\n",
         "ini", "linha", "", 2, con::Punctuation::None},
        {"--ini of a missing file gives the defaults", "-", "[LUDIVAR]\nDIRJOGOS=meus\n",
         "[LUDIVAR]\nDIRJOGOS=raiz\n", nullptr, "ini", "", "", 3, con::Punctuation::All},
        {"kept settings win", nullptr, "[TRADUTOR]\nVELOCIDADE=2\nPONTUACAO=NENHUMA\n", nullptr,
         "[TRADUTOR]\nVELOCIDADE=4\nPONTUACAO=ALGUMA\n", "user", "", "", 4, con::Punctuation::Some},
        {"a kept speed out of range is none", nullptr, nullptr, "[TRADUTOR]\nVELOCIDADE=2\n",
         "[TRADUTOR]\nVELOCIDADE=9\nPONTUACAO=\n", "root", "", "", 2, con::Punctuation::All},
    };
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string base = tempDir();
        const std::string cfg = base + "/cfg", start = base + "/jogo", root = base + "/root";
        for (const std::string& d : {cfg, start, root}) mkdir(d.c_str(), 0755);
        setenv("ECOLAR_CONFIG_DIR", cfg.c_str(), 1);
        plat::setFamilyRoot(root);
        con::resetConfig();
        writeText(start + "/ecolar.ini", hostile);
        ASSERT_EQ(chdir(start.c_str()), 0);
        con::setStartFolder(start);
        std::map<std::string, std::string> files = {{"", ""}, {"root", root + "/ECOLAR.INI"}};
        if (c.user) writeText(cfg + "/Ecolar.Ini", c.user);
        files["user"] = cfg + "/Ecolar.Ini";
        if (c.shipped) writeText(root + "/ECOLAR.INI", c.shipped);
        if (c.kept) writeText(cfg + "/ludivar.ini", c.kept);
        files["ini"] = base + "/linha.ini";
        if (c.cmdLine) {
            if (std::string(c.cmdLine) != "-") writeText(files["ini"], c.cmdLine);
            con::setIniOverride(files["ini"]);
        }
        con::loadSettings();
        const con::Settings& s = con::settings();
        EXPECT_EQ(s.file, files[c.from]);
        EXPECT_EQ(s.gamesFolder, c.games);
        EXPECT_EQ(s.programFor("HTM"), c.browser);
        EXPECT_EQ(s.speed, c.speed);
        EXPECT_EQ(s.punctuation, c.punctuation);
        // Nothing that starts a program or widens a game's reach comes from the start folder.
        EXPECT_NE(s.editor, "./editar.sh");
        EXPECT_EQ(s.trustedFolders, "");
        ASSERT_EQ(chdir(here), 0);
    }
    plat::setFamilyRoot("");
    con::resetConfig();
}

// Settings are read once; a change on disk counts from the next reading.
TEST(Settings, ReadOnceAndAgainWhenSpeechReopens) {
    auto p = fresh("", "[SERVFALA]\nTOM=2\n[LUDIVAR]\nRETOMAR=SIM\n");
    EXPECT_TRUE(con::settings().resumeGames);
    writeText(p->dir + "/ECOLAR.INI", "[SERVFALA]\nTOM=3\n[LUDIVAR]\nRETOMAR=NAO\n");
    EXPECT_TRUE(con::settings().resumeGames);
    EXPECT_EQ(con::settings().voicePitch, 2);
    p->run([] {
        con::endSpeech();
        con::startSpeech(0, "");
    });
    EXPECT_FALSE(con::settings().resumeGames);
    EXPECT_EQ(con::settings().voicePitch, 3);
    // A kept setting counts at once.
    con::setIniOverride("");
    setenv("ECOLAR_CONFIG_DIR", (p->dir + "/cfg").c_str(), 1);
    con::loadSettings();
    ASSERT_TRUE(con::keepPunctuation(con::Punctuation::Some));
    EXPECT_EQ(con::settings().punctuation, con::Punctuation::Some);
    ASSERT_TRUE(con::keepSpeed(5));
    EXPECT_EQ(con::settings().speed, 5);
}

// F12 on an address during a game started from a folder that ships its own
// ECOLAR.INI: the desktop opens it, never a program that folder names.
TEST(Settings, TheStartFolderNamesNoProgram) {
    static std::vector<std::string> launched;
    launched.clear();
    auto p = fresh("{F12}{Enter}");
    const std::string game = tempDir();
    writeText(game + "/ECOLAR.INI", "[ECOLAR]\r\nPROG.HTM=./abrir.sh\r\nPROG.TXT=./abrir.sh\r\n");
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    ASSERT_EQ(chdir(game.c_str()), 0);
    con::setStartFolder(game);
    con::console().launcher = [](const std::string& prog, const std::vector<std::string>& args) {
        launched.push_back(prog + "|" + (args.empty() ? std::string() : args[0]));
        return true;
    };
    std::string text = "www.escola.com.br";
    p->run([&] { con::editField(text, 1, 5, 60, 60, true); });
    con::openDocument("notas.txt");
    ASSERT_EQ(chdir(here), 0);
    EXPECT_EQ(launched, (std::vector<std::string>{"|http://www.escola.com.br", "|notas.txt"}));
}

TEST(SpeechSettings, SpeedAndPerSpeedKeys) {
    auto p = fresh("", "[TRADUTOR]\nVELOCIDADE=9\n[SINTETIZADOR]\nDIFONES3=DIFONES3X\nPAUSAPONTO3=abc\n"
                       "PAUSAVIRG3=90\nPAUSAPONTO9=999\nCORTAFALA3=Sim\nRAPIDINHO3=nao\nINTERPAL3=x\n");
    const con::SpeechSettings& ss = con::speechSettings();
    EXPECT_TRUE(ss.open);
    EXPECT_EQ(ss.speed, 3);
    EXPECT_EQ(ss.dbName, "DIFONES3");  // names are cut to 8 characters
    EXPECT_EQ(ss.pausePoint, 250);
    EXPECT_EQ(ss.pauseComma, 90);
    EXPECT_EQ(ss.pauseColon, 200);
    EXPECT_TRUE(ss.cutPeriods);
    EXPECT_FALSE(ss.fastRate);
    EXPECT_EQ(ss.interPal, 0);
    EXPECT_EQ(ss.lettersFolder, "c:\\sonare\\som\\letras\\");

    p.reset();
    p = fresh("", "[TRADUTOR]\nVELOCIDADE=2\n[SINTETIZADOR]\nPAUSAPONTO2=500\nRAPIDINHO2=S\n");
    EXPECT_EQ(con::speechSettings().speed, 2);
    EXPECT_EQ(con::speechSettings().pausePoint, 500);
    EXPECT_TRUE(con::speechSettings().fastRate);
    // An explicit speed wins over the file; speech can be reopened at will.
    p->run([] {
        con::endSpeech();
        con::startSpeech(4, "c:\\sons");
    });
    EXPECT_EQ(con::speechSettings().speed, 4);
    EXPECT_FALSE(con::speechSettings().fastRate);
    p->run([] { con::endSpeech(); });
    EXPECT_FALSE(con::speechSettings().open);
}

namespace {
struct VoiceLog {
    int opens = 0, voice = 0, rate = 0, pitch = 0;
    speech::VoiceKind kind = speech::VoiceKind::None;
    bool accept = true;
    std::vector<std::string> spoken;
};
VoiceLog gVoice;

con::SystemVoiceOps testVoice() {
    con::SystemVoiceOps ops;
    ops.open = [](speech::VoiceKind kind, int voice, int rate, int pitch) {
        ++gVoice.opens;
        gVoice.kind = kind;
        gVoice.voice = voice;
        gVoice.rate = rate;
        gVoice.pitch = pitch;
        return gVoice.accept;
    };
    ops.speak = [](const std::string& t) { gVoice.spoken.push_back(t); };
    ops.busy = [] { return false; };
    ops.stop = [] {};
    ops.close = [] {};
    return ops;
}

void startWithVoice() {
    gVoice = VoiceLog();
    con::resetConfig();
    con::setSystemVoiceOps(testVoice());
}
}  // namespace

TEST(SpeechSettings, SapiSelectsASystemVoice) {
    for (const char* off : {"SAPI=NAO\n", "SAPI=n\n", ""}) {
        startWithVoice();
        InProc p("", std::string("[TRADUTOR]\n") + off + "[SERVFALA]\nTIPOSAPI=5\n");
        EXPECT_EQ(gVoice.opens, 0) << off;
        EXPECT_FALSE(con::systemVoiceActive());
    }

    startWithVoice();
    {
        InProc p("", "[TRADUTOR]\nSAPI=S\n[SERVFALA]\nTIPOSAPI=5\nVELOCIDADE=15\nVOZ=2\nTOM=3\n");
        EXPECT_EQ(gVoice.opens, 1);
        EXPECT_EQ(gVoice.kind, speech::VoiceKind::Espeak);
        EXPECT_EQ(gVoice.rate, 0);
        EXPECT_EQ(gVoice.voice, 2);
        EXPECT_TRUE(con::systemVoiceActive());
        // Whole texts go to the voice; characters still play from their files.
        p.trace.clear();
        p.run([] {
            con::speak("12 casas.");
            con::speakChar('a');
        });
        EXPECT_EQ(gVoice.spoken, std::vector<std::string>{"12 casas."});
        EXPECT_EQ(sounds(p), (Events{"voice 12 casas.", "play _97"}));
    }

    startWithVoice();
    {
        InProc p("", "[TRADUTOR]\nSAPI=sim\n[SERVFALA]\nTIPOSAPI=4\nVELOCIDADE=15\n");
        EXPECT_EQ(gVoice.kind, speech::VoiceKind::Server);
        EXPECT_EQ(gVoice.rate, 15);
    }

    // A voice that does not open leaves the own synthesizer speaking.
    startWithVoice();
    gVoice.accept = false;
    {
        InProc p("", "[TRADUTOR]\nSAPI=S\n");
        EXPECT_EQ(gVoice.opens, 1);
        EXPECT_FALSE(con::systemVoiceActive());
        p.trace.clear();
        p.run([] { con::speak("casa"); });
        Events s = sounds(p);
        ASSERT_EQ(s.size(), 1u);
        EXPECT_EQ(s[0].rfind("synth ", 0), 0u);
    }

    // No voice service at all: the same, with a word on standard error.
    con::setSystemVoiceOps(con::SystemVoiceOps());
    {
        InProc p("", "[TRADUTOR]\nSAPI=S\n");
        EXPECT_FALSE(con::systemVoiceActive());
    }
}

// What the file says of the system voice reaches speech as plain settings: the
// kind from its TIPOSAPI number, the rate left out when the kind lacks that
// scale, and the embedded engine's files with their defaults.
TEST(SpeechSettings, SystemVoiceKeysAreHandedDown) {
    using speech::VoiceKind;
    const struct {
        const char* ini;
        VoiceKind kind;
        int voice, rate, pitch;
        const char *dir, *base, *db;
    } rows[] = {
        {"[SERVFALA]\nTIPOSAPI=3\nVELOCIDADE=15\nTOM=-300\nVOZ=2\n[BRISATTS]\nDIR=\\motor\\x\n",
         VoiceKind::Embedded, 2, 0, -100, "c:\\motor\\x\\", "portug", "br4"},
        {"[SERVFALA]\nTIPOSAPI=54\nVELOCIDADE=-4\n[BRISATTS]\nDIR=d:\\b\\\nBASE=ling\nMBROLA_DB=br1\n",
         VoiceKind::Espeak54, 0, -4, 0, "d:\\b\\", "ling", "br1"},
        {"[SERVFALA]\nTIPOSAPI=7\nVELOCIDADE=15\nTOM=4\n", VoiceKind::Server, 0, 15, 4,
         "c:\\sonare\\brisatts\\", "portug", "br4"},
        {"[SERVFALA]\nTIPOSAPI=5\nVELOCIDADE=10\n", VoiceKind::Espeak, 0, 10, 0, "c:\\sonare\\brisatts\\",
         "portug", "br4"},
    };
    for (const auto& r : rows) {
        startWithVoice();
        InProc p("", std::string("[TRADUTOR]\nSAPI=S\n") + r.ini);
        const speech::SpeechSettings& ss = speech::speechSettings();
        EXPECT_TRUE(ss.systemVoice) << r.ini;
        EXPECT_EQ(ss.voiceKind, r.kind) << r.ini;
        EXPECT_EQ(gVoice.kind, r.kind) << r.ini;
        EXPECT_EQ(ss.voiceNumber, r.voice) << r.ini;
        EXPECT_EQ(ss.voiceRate, r.rate) << r.ini;
        EXPECT_EQ(gVoice.rate, r.rate) << r.ini;
        EXPECT_EQ(ss.voicePitch, r.pitch) << r.ini;
        EXPECT_EQ(ss.brisaDir, r.dir) << r.ini;
        EXPECT_EQ(ss.brisaBase, r.base) << r.ini;
        EXPECT_EQ(ss.brisaDb, r.db) << r.ini;
        p.run([] { con::endSpeech(); });
        EXPECT_FALSE(ss.systemVoice);
        EXPECT_FALSE(ss.open);
    }
    con::setSystemVoiceOps(con::builtinSystemVoiceOps());
}

TEST(SpeechSettings, JunkFileGivesTheDefaults) {
    std::string junk = "\x01\x02garbage\n[[[\n=\n[SINTETIZADOR\nPAUSAPONTO3\n" + std::string(5000, 'z') + "\n";
    auto p = fresh("", junk);
    EXPECT_EQ(con::speechSettings().speed, 3);
    EXPECT_EQ(con::speechSettings().pausePoint, 250);
    EXPECT_EQ(con::speechSettings().pauseComma, 150);
    EXPECT_EQ(con::speechSettings().pauseColon, 200);
}

TEST(SpeechSettings, OwnSynthesizerThatCannotOpenEndsTheProgram) {
    auto p = fresh("x{Enter}", "[TRADUTOR]\nDIRDIFONES=c:\\nenhum\\lugar\n[SINTETIZADOR]\nDIFONES3=VOZ3\n", false);
    const int code = p->run([] { con::startSpeech(0, ""); });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(p->row(1), "Erro de inicialização: 1");
    EXPECT_EQ(p->row(2), "Banco de dados de voz: VOZ3");
    EXPECT_FALSE(con::speechSettings().open);
}
