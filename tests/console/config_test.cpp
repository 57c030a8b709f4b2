// ECOLAR.INI: the profile rules, where the file is found, "@" substitution and
// the speech settings that startSpeech derives from it.
#include <gtest/gtest.h>

#include <sys/stat.h>

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

TEST(IniReader, FolderSubstitution) {
    auto p = fresh("", "[ECOLAR]\nPGMECOLAR=c:\\fam\n[X]\nA=@\\som\nB=x@\\y\nC=sem arroba\nD=@@\\z\n", false);
    EXPECT_EQ(con::readConfig("X", "A"), "c:\\fam\\som");
    EXPECT_EQ(con::readConfig("X", "B"), "xc:\\fam\\y");
    EXPECT_EQ(con::readConfig("X", "C"), "sem arroba");
    EXPECT_EQ(con::readConfig("X", "D"), "c:\\famc:\\fam\\z");
    EXPECT_EQ(con::readConfig("", "PGMECOLAR"), "c:\\fam");
    EXPECT_EQ(con::readWindowsIni("X", "A"), "@\\som");  // only readConfig substitutes

    p.reset();
    p = fresh("", "[ECOLAR]\nPGMECOLAR=\n[X]\nA=@\\som\n", false);
    con::setStartFolder("/home/aluno/jogos");
    EXPECT_EQ(con::readConfig("X", "A"), "/home/aluno/jogos\\som");

    // A folder that names "@\" itself cannot make the reader loop forever.
    EXPECT_EQ(con::substituteAt("@\\a", "@\\b").find("@\\b"), std::string::npos);
    std::string looped = con::substituteAt("q@\\a", "r@\\");
    EXPECT_LT(looped.size(), 200u);
}

TEST(IniReader, WhereTheFileIsFound) {
    auto p = fresh("", "", false);
    const std::string base = tempDir();
    const std::string cfg = base + "/cfg", start = base + "/start", root = base + "/root";
    for (const std::string& d : {cfg, start, root}) mkdir(d.c_str(), 0755);
    setenv("ECOLAR_CONFIG_DIR", cfg.c_str(), 1);
    plat::setFamilyRoot(root);
    con::setStartFolder(start);

    EXPECT_EQ(con::iniPath(), "");
    writeText(root + "/ECOLAR.INI", "[LUDIVAR]\nDIRJOGOS=raiz\n");
    EXPECT_EQ(con::readConfig("LUDIVAR", "DIRJOGOS"), "raiz");
    writeText(start + "/ecolar.ini", "[LUDIVAR]\nDIRJOGOS=inicio\n");
    EXPECT_EQ(con::readConfig("LUDIVAR", "DIRJOGOS"), "inicio");
    EXPECT_EQ(con::readWindowsIni("LUDIVAR", "DIRJOGOS"), "raiz");  // the start folder is readConfig's only
    writeText(cfg + "/Ecolar.Ini", "[LUDIVAR]\nDIRJOGOS=config\n");
    EXPECT_EQ(con::readConfig("LUDIVAR", "DIRJOGOS"), "config");
    EXPECT_EQ(con::readWindowsIni("LUDIVAR", "DIRJOGOS"), "config");
    con::setIniOverride(base + "/nenhum.ini");
    EXPECT_EQ(con::readConfig("LUDIVAR", "DIRJOGOS"), "");

    plat::setFamilyRoot("");
    con::setIniOverride("");
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
