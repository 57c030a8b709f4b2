// What a Linux desktop changes: keys the system takes and their second keys, a terminal
// smaller than the screen, numbers of ECOLAR.INI kept in range, settings kept for the
// next start, and data found beside the installed binary.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "console/config.h"
#include "console/console.h"
#include "console/textwin.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "platform/ttykeys.h"
#include "support/headless.h"
#include "support/inproc.h"

using plat::KeyEvent;
using plat::KeyId;
using plat::ModAlt;
using plat::ModCtrl;
using plat::ModShift;

namespace {

KeyEvent key(KeyId id, uint8_t mods) {
    KeyEvent e;
    e.id = id;
    e.mods = mods;
    return e;
}

}  // namespace

TEST(LinuxKeys, SecondKeysAndAltFunctionKeysMakeTheirOwnCodes) {
    struct Case {
        const char* what;
        KeyEvent ev;
        bool breakCheck;
        std::vector<int> codes;
        uint8_t mods;  // of the codes
        int braille;   // mode after the key
    };
    const Case cases[] = {
        // Ctrl+Shift+F9 used to fall back to Ctrl+F9, which ends fields and menus.
        {"Ctrl+Shift+F9 is screen review", key(KeyId::F9, ModCtrl | ModShift), true, {0, 102}, ModCtrl | ModAlt, 0},
        {"Ctrl+Alt+F9 still works", key(KeyId::F9, ModCtrl | ModAlt), true, {0, 102}, ModCtrl | ModAlt, 0},
        {"Ctrl+F9 alone", key(KeyId::F9, ModCtrl), true, {0, 102}, ModCtrl, 0},
        {"Ctrl+Shift+F11 switches Braille on", key(KeyId::F11, ModCtrl | ModShift), true, {}, 0, 1},
        {"Shift+F1 is Alt+Right", key(KeyId::F1, ModShift), true, {0, 77}, ModAlt, 0},
        {"Ctrl+Shift+F1 is not bound", key(KeyId::F1, ModCtrl | ModShift), true, {0, 94}, ModCtrl | ModShift, 0},
        // Alt+F1 is not F1 (it used to read the next word in a field).
        {"Alt+F1 with the check off", key(KeyId::F1, ModAlt), false, {0, 104}, ModAlt, 0},
        {"Alt+F10 with the check off", key(KeyId::F10, ModAlt), false, {0, 113}, ModAlt, 0},
        {"Alt+F12 with the check off", key(KeyId::F12, ModAlt), false, {0, 140}, ModAlt, 0},
        {"Alt+F1 with the check on", key(KeyId::F1, ModAlt), true, {}, 0, 0},
        // F10 is the system's menu key: it used to open the menu at the main question.
        {"F10 with the check on", key(KeyId::F10, 0), true, {}, 0, 0},
        {"F10 with the check off", key(KeyId::F10, 0), false, {0, 68}, 0, 0},
        {"Ctrl+F10 with the check on", key(KeyId::F10, ModCtrl), true, {0, 103}, ModCtrl, 0},
    };
    for (const Case& c : cases) {
        InProc p("", "", false);
        con::setBreakCheck(c.breakCheck);
        con::keyEvent(c.ev);
        std::vector<int> got;
        for (int i = 0; i < con::tw().keyCount; ++i) {
            got.push_back(con::tw().keys[size_t(i)]);
            EXPECT_EQ(int(con::tw().keyMods[size_t(i)]), int(c.mods)) << c.what;
        }
        EXPECT_EQ(got, c.codes) << c.what;
        EXPECT_EQ(con::tw().brailleMode, c.braille) << c.what;
    }
}

TEST(LinuxKeys, SecondKeysDoTheirWorkInAField) {
    static int reviews;
    reviews = 0;
    InProc p("a{Home}{Shift+F1}{Ctrl+Shift+F9}{Enter}");
    con::setReviewHook([] { ++reviews; });
    std::string text;
    int endKey = 0;
    p.run([&] { endKey = con::editField(text, 1, 5, 10, 10, true); });
    EXPECT_EQ(endKey, 13);       // neither key ended the field
    EXPECT_EQ(reviews, 1);
    EXPECT_TRUE(p.traced("play _FON97")) << p.traceText();  // the letter's phonetic name
    EXPECT_EQ(text, "a");
}

TEST(SmallTerminal, TheViewFollowsTheCursorRow) {
    struct Case { int top, cursor, termRows, want; };
    const Case cases[] = {
        {0, 24, 24, 1},    // the answer on row 25 of an 80 x 24 terminal
        {1, 3, 24, 1},     // still in sight: the view stays
        {1, 0, 24, 0},     // back to the top
        {0, 24, 10, 15},
        {20, 24, 25, 0},   // tall enough: no scrolling at all
        {0, 24, 0, 0},     // a terminal that reports no size
        {-5, 2, 24, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(plat::tty::viewTop(c.top, c.cursor, c.termRows, 25), c.want)
            << c.top << " " << c.cursor << " " << c.termRows;

    // Row 25 drawn on the 24th line of the terminal once the view moved by one.
    std::vector<uint8_t> chars(80 * 25, ' '), attrs(80 * 25, 7);
    chars[24 * 80] = 'R';
    plat::ScreenView v;
    v.chars = chars.data();
    v.attrs = attrs.data();
    const std::string out = plat::tty::renderRow(v, 24, 0, 1, false, 80, 24, 1);
    EXPECT_EQ(out.rfind("\x1b[24;1H", 0), 0u) << out;
    EXPECT_TRUE(plat::tty::renderRow(v, 0, 0, 1, false, 80, 24, 1).empty());  // row 1 is out of view
}

TEST(Settings, EveryNumberStaysInItsRange) {
    struct Case { const char* section; const char* key; const char* text; int dflt, want; };
    const Case cases[] = {
        {"SINTETIZADOR", "INTERPAL3", "2147483647", 0, 22000},  // hung the start-up
        {"SINTETIZADOR", "PAUSAPONTO3", "2147483647", 250, 10000},  // hung --speak
        {"SINTETIZADOR", "PAUSAVIRG1", "-40", 150, 0},
        {"SINTETIZADOR", "CORTEFON5", "350", 0, 350},
        {"sintetizador", "sobrafon2", "99999999", 0, 20000},
        {"SINTETIZADOR", "PAUSADOISPONTOS4", "abc", 200, 200},
        {"SERVFALA", "VELOCIDADE", "500", 0, 100},
        {"SERVFALA", "TOM", "-500", 0, -100},
        {"ECOLAR", "TEMPOESPERAPROGVOLTAR", "99999999", 500, 60000},
        {"VIDEO", "ALTURALETRA", "100000", 0, 400},
        {"VIDEO", "PESOLETRA", "5", 700, 100},
        {"X", "OUTRA", "123456789", 0, 123456789},  // not a number we read: left alone
    };
    for (const Case& c : cases)
        EXPECT_EQ(con::settingNumber(c.section, c.key, c.text, c.dflt), c.want) << c.key << "=" << c.text;

    // Through the start of speech, as ECOLAR.INI gives them.
    InProc p("", "[SINTETIZADOR]\nINTERPAL3=2147483647\nPAUSAPONTO3=2147483647\n");
    EXPECT_EQ(con::speechSettings().interPal, 22000);
    EXPECT_EQ(con::speechSettings().pausePoint, 10000);
}

TEST(Settings, OneKeyWrittenTheRestKept) {
    const std::string dir = tempDir(), file = dir + "/sub/ludivar.ini";
    struct Step { const char* section; const char* key; const char* value; const char* want; };
    const Step steps[] = {
        {"TRADUTOR", "VELOCIDADE", "4", "[TRADUTOR]\r\nVELOCIDADE=4\r\n"},
        {"TRADUTOR", "velocidade", "2", "[TRADUTOR]\r\nvelocidade=2\r\n"},
        {"VIDEO", "AMPLIF", "3", "[TRADUTOR]\r\nvelocidade=2\r\n\r\n[VIDEO]\r\nAMPLIF=3\r\n"},
        {"TRADUTOR", "DIRLETRAS", "c:\\x", "[TRADUTOR]\r\nvelocidade=2\r\nDIRLETRAS=c:\\x\r\n\r\n[VIDEO]\r\nAMPLIF=3\r\n"},
    };
    for (const Step& s : steps) {
        ASSERT_TRUE(con::iniWriteKey(file, s.section, s.key, s.value));
        EXPECT_EQ(readText(file), s.want) << s.key;
    }
    // Comments and other sections of a file written by hand survive.
    writeText(file, "; minha\n[ECOLAR]\nPGMECOLAR=c:\\a\n[TRADUTOR]\nSAPI=NAO\nVELOCIDADE=1\n");
    ASSERT_TRUE(con::iniWriteKey(file, "TRADUTOR", "VELOCIDADE", "5"));
    EXPECT_EQ(readText(file), "; minha\r\n[ECOLAR]\r\nPGMECOLAR=c:\\a\r\n[TRADUTOR]\r\nSAPI=NAO\r\nVELOCIDADE=5\r\n");
    // A folder standing where the file should go: a failure, and nothing left behind.
    mkdir((dir + "/pasta.ini").c_str(), 0755);
    EXPECT_FALSE(con::iniWriteKey(dir + "/pasta.ini", "A", "B", "1"));
    struct stat st;
    EXPECT_NE(stat((dir + "/pasta.ini.tmp").c_str(), &st), 0);
}

TEST(Settings, TheSpeedChosenWithCtrlF4IsKeptForTheNextStart) {
    std::string text;
    {
        InProc p("{Ctrl+F4}5{Enter}");
        p.run([&] { con::editField(text, 1, 5, 10, 10, true); });
        EXPECT_EQ(con::speechSettings().speed, 5);
        EXPECT_EQ(con::iniRead(con::keptSettingsPath(), "TRADUTOR", "VELOCIDADE"), "5");
        // The next start in the same settings folder speaks at that speed.
        con::endSpeech();
        con::startSpeech(0, "");
        EXPECT_EQ(con::speechSettings().speed, 5);
        // A configuration named on the command line is taken as it stands.
        con::endSpeech();
        con::setIniOverride(p.dir + "/nada.ini");
        con::startSpeech(0, "");
        EXPECT_EQ(con::speechSettings().speed, 3);
    }
}

TEST(Settings, ASpeedWhoseVoiceCannotOpenKeepsTheOneInUse) {
    // Speed 1 names a database that does not exist; it used to end the program silently.
    InProc p("{Ctrl+F4}1x{Enter}", "[SINTETIZADOR]\nDIFONES1=NENHUM\n");
    const std::string before = con::speechSettings().dbName;
    std::string text;
    int key = 0;
    EXPECT_EQ(p.run([&] { key = con::editField(text, 1, 5, 10, 10, true); }), -1);
    EXPECT_EQ(key, 13);
    EXPECT_EQ(text, "x");  // the edit goes on
    EXPECT_TRUE(con::speechSettings().open);
    EXPECT_EQ(con::speechSettings().speed, 3);
    EXPECT_EQ(con::speechSettings().dbName, before);
    EXPECT_TRUE(p.traced("speak Velocidade 1 indisponível: o banco de voz NENHUM não abre. "
                         "Continua a velocidade 3."))
        << p.traceText();
    EXPECT_TRUE(con::iniRead(con::keptSettingsPath(), "TRADUTOR", "VELOCIDADE").empty());
}

TEST(InstalledData, FoundBesideTheBinaryWhateverThePrefix) {
    const std::string prefix = tempDir();
    mkdir((prefix + "/bin").c_str(), 0755);
    EXPECT_EQ(plat::installedRootBeside(prefix + "/bin/ludivar"), "");  // nothing installed there
    for (const char* d : {"/share", "/share/ludivar", "/share/ludivar/root"}) mkdir((prefix + d).c_str(), 0755);
    EXPECT_EQ(plat::installedRootBeside(prefix + "/bin/ludivar"), prefix + "/share/ludivar/root");
    // A binary in a build tree has no such folder beside it and keeps the build's data.
    EXPECT_EQ(plat::installedRootBeside(tempDir() + "/ludivar"), "");
}
