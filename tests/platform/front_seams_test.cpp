// What the platform layer takes from the layers above through registered hooks (keys,
// the key buffer, system-voice speech, the screen, the quit), what each front says it
// can do, the time of day under a virtual clock, and the games folder for a setting.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "console/textwin.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "support/headless.h"

namespace {

// A key sink and speech query of our own, standing where the console stands.
struct Upper {
    static std::vector<plat::KeyEvent>& keys() {
        static std::vector<plat::KeyEvent> k;
        return k;
    }
    static int& waiting() {
        static int w = 0;
        return w;
    }
    static bool& busy() {
        static bool b = false;
        return b;
    }
    static void install() {
        keys().clear();
        waiting() = 0;
        busy() = false;
        plat::KeySink sink;
        sink.key = [](const plat::KeyEvent& ev) {
            keys().push_back(ev);
            if (!ev.up) ++waiting();
        };
        sink.waiting = [] { return waiting(); };
        sink.reading = [] { return false; };
        plat::setKeySink(sink);
        plat::SpeechQuery speech;
        speech.producing = [] { return false; };
        speech.busy = [] { return busy(); };
        plat::setSpeechQuery(speech);
    }
};

// A headless front with its key script, installed as the front; the console's own
// hooks come back afterwards for the tests that follow.
class HeadlessScope {
public:
    explicit HeadlessScope(const std::string& keys) {
        plat::headlessOptions().keys = keys;
        front_.reset(plat::makeHeadlessFront());
        plat::setFront(front_.get());
    }
    ~HeadlessScope() {
        plat::setFront(nullptr);
        plat::headlessOptions().keys.clear();
        plat::setQuitHook(nullptr);
        plat::setScreenProvider(nullptr);
        con::connectFronts();
    }
    plat::Front& front() { return *front_; }

private:
    std::unique_ptr<plat::Front> front_;
};

class TzScope {
public:
    explicit TzScope(const char* tz) {
        const char* old = std::getenv("TZ");
        had_ = old != nullptr;
        if (had_) old_ = old;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~TzScope() {
        if (had_) setenv("TZ", old_.c_str(), 1);
        else unsetenv("TZ");
        tzset();
    }

private:
    bool had_ = false;
    std::string old_;
};

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        out.push_back(text.substr(pos, nl - pos));
        pos = nl == std::string::npos ? text.size() : nl + 1;
    }
    return out;
}

}  // namespace

TEST(FrontCapabilities, EachFrontSaysWhatItIsWithoutItsName) {
    std::unique_ptr<plat::Front> headless(plat::makeHeadlessFront());
    std::unique_ptr<plat::Front> tty(plat::makeTtyFront());
    ASSERT_TRUE(headless && tty);
    struct Case {
        plat::Front* front;
        bool terminal, window, virtualClock, unattended, breakKey;
    } cases[] = {
        {headless.get(), false, false, true, true, true},
        {tty.get(), true, false, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.front->name());
        EXPECT_EQ(c.front->drawsOnTerminal(), c.terminal);
        EXPECT_EQ(c.front->hasWindow(), c.window);
        EXPECT_EQ(c.front->virtualClock(), c.virtualClock);
        EXPECT_EQ(c.front->unattended(), c.unattended);
        EXPECT_EQ(c.front->hasBreakKey(), c.breakKey);
    }
}

TEST(FrontHooks, TheHeadlessFrontTypesIntoTheRegisteredSink) {
    HeadlessScope scope("a{Ctrl+F4}");
    Upper::install();
    // A key already waiting: nothing is typed.
    Upper::waiting() = 1;
    scope.front().waitForInput();
    EXPECT_TRUE(Upper::keys().empty());
    Upper::waiting() = 0;
    scope.front().waitForInput();
    ASSERT_EQ(Upper::keys().size(), 2u);  // a character goes down and comes up (Braille chords)
    EXPECT_EQ(Upper::keys()[0].ch, 'a');
    EXPECT_FALSE(Upper::keys()[0].up);
    EXPECT_TRUE(Upper::keys()[1].up);
    Upper::waiting() = 0;
    scope.front().waitForInput();
    ASSERT_EQ(Upper::keys().size(), 3u);
    EXPECT_EQ(Upper::keys()[2].id, plat::KeyId::F4);
    EXPECT_EQ(Upper::keys()[2].mods, plat::ModCtrl);
    // The script is spent: the program ends as the key script says.
    Upper::waiting() = 0;
    try {
        scope.front().waitForInput();
        ADD_FAILURE() << "an empty script did not end the program";
    } catch (const plat::ProgramExit& e) {
        EXPECT_EQ(e.code, 3);
    }
}

TEST(FrontHooks, AKeyWaitsForTheEndOfSystemVoiceSpeech) {
    HeadlessScope scope("x");
    Upper::install();
    // While the voice is busy nothing is typed; the query ends the wait once it says so.
    static int asked = 0;
    asked = 0;
    plat::SpeechQuery speech;
    speech.producing = [] { return false; };
    speech.busy = [] { return ++asked < 5; };
    plat::setSpeechQuery(speech);
    scope.front().waitForInput();
    EXPECT_EQ(asked, 5);
    ASSERT_FALSE(Upper::keys().empty());
    EXPECT_EQ(Upper::keys()[0].ch, 'x');
}

TEST(FrontHooks, WithoutAnUpperLayerKeysAreDroppedAndTheQuitEndsWithZero) {
    plat::setKeySink(plat::KeySink());
    plat::setSpeechQuery(plat::SpeechQuery());
    plat::setQuitHook(nullptr);
    plat::KeyEvent ev;
    ev.id = plat::KeyId::Enter;
    plat::sendKey(ev);
    EXPECT_EQ(plat::keysWaiting(), 0);
    EXPECT_FALSE(plat::readingKey());
    EXPECT_FALSE(plat::externalSpeechBusy());
    EXPECT_FALSE(plat::externalSpeechProducing());
    struct Row {
        void (*hook)();
        int code;
    } rows[] = {
        {nullptr, 0},
        {[] { throw plat::ProgramExit{7}; }, 7},  // the console's own ending
    };
    for (const Row& r : rows) {
        plat::setQuitHook(r.hook);
        try {
            plat::quitProgram();
            ADD_FAILURE() << "quitProgram returned";
        } catch (const plat::ProgramExit& e) {
            EXPECT_EQ(e.code, r.code);
        }
    }
    plat::setQuitHook(nullptr);
    con::connectFronts();
}

TEST(FrontHooks, TheScreenDumpDrawsFromTheRegisteredScreen) {
    const std::string file = tempDir() + "/screen.txt";
    // Nothing registered: 25 blank rows, every attribute 0 (as before any window).
    plat::setScreenProvider(nullptr);
    ASSERT_TRUE(plat::writeScreenDump(file));
    std::vector<std::string> blank = lines(readText(file));
    ASSERT_EQ(blank.size(), 51u);
    EXPECT_EQ(blank[0], "");
    EXPECT_EQ(blank[25], "--");
    EXPECT_EQ(blank[26], std::string(160, '0'));

    plat::setScreenProvider([] {
        static std::vector<uint8_t> chars(80 * 25, ' '), attrs(80 * 25, 0x1e);
        const std::string text = plat::cp("Olá  ");
        for (size_t i = 0; i < text.size(); ++i) chars[80 + i] = uint8_t(text[i]);
        chars[80 * 24 + 79] = 0;  // a cell never written reads as a blank
        attrs[0] = 0x4f;
        plat::ScreenView v;
        v.chars = chars.data();
        v.attrs = attrs.data();
        return v;
    });
    ASSERT_TRUE(plat::writeScreenDump(file));
    std::vector<std::string> shown = lines(readText(file));
    plat::setScreenProvider(nullptr);
    con::connectFronts();
    ASSERT_EQ(shown.size(), 51u);
    EXPECT_EQ(shown[1], "Olá");
    EXPECT_EQ(shown[24], "");
    EXPECT_EQ(shown[26].substr(0, 6), "4F1E1E");
}

TEST(TimeOfDay, LocalDateAndTimeOfAMoment) {
    TzScope utc("UTC");
    struct Case {
        int64_t ms;
        plat::Date date;
        plat::Time time;
    } cases[] = {
        {0, {1, 1, 1970, 4}, {0, 0, 0, 0}},
        {-1, {31, 12, 1969, 3}, {23, 59, 59, 99}},              // just before: the second before, not after
        {951782400000 + 999, {29, 2, 2000, 2}, {0, 0, 0, 99}},  // a leap day
        {1700000000123, {14, 11, 2023, 2}, {22, 13, 20, 12}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ms);
        const plat::Date d = plat::dateAt(c.ms);
        const plat::Time t = plat::timeAt(c.ms);
        EXPECT_EQ(d.day, c.date.day);
        EXPECT_EQ(d.month, c.date.month);
        EXPECT_EQ(d.year, c.date.year);
        EXPECT_EQ(d.weekday, c.date.weekday);
        EXPECT_EQ(t.hour, c.time.hour);
        EXPECT_EQ(t.minute, c.time.minute);
        EXPECT_EQ(t.second, c.time.second);
        EXPECT_EQ(t.hundredths, c.time.hundredths);
    }
    TzScope saoPaulo("<-03>3");  // west of Greenwich: the same moment is the day before
    EXPECT_EQ(plat::dateAt(0).day, 31);
    EXPECT_EQ(plat::timeAt(0).hour, 21);
}

TEST(TimeOfDay, AVirtualClockMovesTheTimeOfDay) {
    const int64_t before = plat::systemWallClockMs();
    HeadlessScope scope("");
    Upper::install();
    const int64_t start = plat::wallClockMs();
    const int64_t after = plat::systemWallClockMs();
    // It starts at the real time of day...
    EXPECT_GE(start, before);
    EXPECT_LE(start, after);
    // ... and then moves only with the virtual clock, by exactly what it advanced.
    struct Step {
        int sleepMs;
        int64_t total;
    } steps[] = {{0, 0}, {1500, 1500}, {-5, 1500}, {3600000, 3601500}};
    for (const Step& s : steps) {
        scope.front().sleepMs(s.sleepMs);
        EXPECT_EQ(plat::wallClockMs() - start, s.total) << s.sleepMs;
    }
    const plat::Time t = plat::currentTime();
    const plat::Time want = plat::timeAt(start + 3601500);
    EXPECT_EQ(t.hour, want.hour);
    EXPECT_EQ(t.second, want.second);
    EXPECT_EQ(t.hundredths, want.hundredths);
}

TEST(GamesFolder, TheSettingHandedDownNamesTheFolder) {
    const std::string d = tempDir();
    const char* oldData = std::getenv("XDG_DATA_HOME");
    const std::string saved = oldData ? oldData : "";
    setenv("XDG_DATA_HOME", (d + "/data").c_str(), 1);
    const std::string userGames = d + "/data/ludivar/jogos";
    struct Case {
        std::string setting, folder;
    } cases[] = {
        {"", userGames},
        {"c:\\sonare\\ludivar\\", userGames},  // the family's old default
        {d + "/turma///", d + "/turma"},
        {"turma", plat::currentDir() + "/turma"},
    };
    for (const Case& c : cases) EXPECT_EQ(plat::gamesDir(c.setting), c.folder) << c.setting;
    if (oldData) setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else unsetenv("XDG_DATA_HOME");
}
