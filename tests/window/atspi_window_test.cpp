// The window read by a screen reader: the program plays the demo game in its window
// under Xvfb and openbox, on a private session bus with its own accessibility bus,
// and this test reads it back through AT-SPI as Orca would.  Also the text model's
// units, and LEITORTELA=ORCA keeping the program's own voice quiet.
#include "ludivar_paths.h"
#include <atspi/atspi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "console/config.h"
#include "platform/a11y_window.h"
#include "platform/platform.h"
#include "support/child.h"
#include "support/headless.h"
#include "support/require.h"
#include "support/session_bus.h"
#include "support/wait.h"
#include "support/xserver.h"
#include "xdisplay.h"

namespace fs = std::filesystem;
using testsupport::runCommand;

namespace {

const char* kOrcaIni = "[TRADUTOR]\r\nLEITORTELA=ORCA\r\n";

// Orca's setting, with the game's own collection as the games folder: a game from
// elsewhere would first be offered for installing.
std::string orcaIni(const std::string& game) {
    return std::string(kOrcaIni) + "[LUDIVAR]\r\nDIRJOGOS=" + fs::path(game).parent_path().parent_path().string() + "\r\n";
}

std::string demoGame() {
    for (const auto& e : fs::recursive_directory_iterator(std::string(LUDIVAR_BUILD_ROOT) + "/sonare/ludivar/formas-e-cores"))
        if (e.path().extension() == ".lud") return e.path().string();
    return "";
}

// The game in a folder of the test's own: playing writes beside it.
std::string demoCopy() {
    const std::string src = demoGame();
    if (src.empty()) return "";
    const std::string dir = tempDir() + "/jogo";
    fs::copy(fs::path(src).parent_path(), dir, fs::copy_options::recursive);
    return dir + "/" + fs::path(src).filename().string();
}

std::string rtrim(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

std::vector<std::string> rowsOf(const std::string& text) {
    std::vector<std::string> rows;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) rows.push_back(rtrim(line));
    return rows;
}

std::string joined(const std::vector<std::string>& rows) {
    std::string s;
    for (const std::string& r : rows) s += r + "\n";
    return s;
}

// ---- what the probe hears ----

struct Heard {
    std::string type;
    int d1 = 0, d2 = 0;
    std::string text;
};
std::vector<Heard> gHeard;
pid_t gWatched = -1;

void onEvent(AtspiEvent* e, void*) {
    AtspiAccessible* app = atspi_accessible_get_application(e->source, nullptr);
    const bool ours = app && atspi_accessible_get_process_id(app, nullptr) == guint(gWatched);
    if (app) g_object_unref(app);
    if (ours) {
        Heard h{e->type, e->detail1, e->detail2, ""};
        if (G_VALUE_HOLDS_STRING(&e->any_data) && g_value_get_string(&e->any_data))
            h.text = g_value_get_string(&e->any_data);
        gHeard.push_back(h);
    }
}

// Waits, letting the probe's own events in meanwhile.
template <typename F>
bool waitOnBus(F cond, int ms = testsupport::kPatienceMs) {
    return testsupport::waitUntil([&] {
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        return cond();
    }, ms, 10);
}

AtspiAccessible* childAt(AtspiAccessible* a, int i) { return a ? atspi_accessible_get_child_at_index(a, i, nullptr) : nullptr; }

std::string nameOf(AtspiAccessible* a) {
    gchar* n = atspi_accessible_get_name(a, nullptr);
    std::string s = n ? n : "";
    g_free(n);
    return s;
}

AtspiAccessible* findApp(pid_t pid) {
    AtspiAccessible* desk = atspi_get_desktop(0);
    AtspiAccessible* found = nullptr;
    const int n = atspi_accessible_get_child_count(desk, nullptr);
    for (int i = 0; i < n && !found; ++i) {
        AtspiAccessible* app = childAt(desk, i);
        if (!app) continue;
        if (atspi_accessible_get_process_id(app, nullptr) == guint(pid) && nameOf(app) == "Ludivar") found = app;
        else g_object_unref(app);
    }
    g_object_unref(desk);
    return found;
}

std::string textOf(AtspiAccessible* term) {
    gchar* t = atspi_text_get_text(ATSPI_TEXT(term), 0, -1, nullptr);
    std::string s = t ? t : "";
    g_free(t);
    return s;
}

bool hasState(AtspiAccessible* a, AtspiStateType st) {
    AtspiStateSet* s = atspi_accessible_get_state_set(a);
    const bool has = s && atspi_state_set_contains(s, st);
    if (s) g_object_unref(s);
    return has;
}

// Not busy: the program waits for a key and has shown everything it will show.
bool showsAndWaits(AtspiAccessible* term, const std::vector<std::string>& rows) {
    return rowsOf(textOf(term)) == rows && !hasState(term, ATSPI_STATE_BUSY);
}

// Every one of `wanted` is a row of the window's text, and the program waits for a key.
bool showsRows(AtspiAccessible* term, const std::vector<std::string>& wanted) {
    const std::vector<std::string> rows = rowsOf(textOf(term));
    for (const std::string& w : wanted)
        if (std::find(rows.begin(), rows.end(), w) == rows.end()) return false;
    return !hasState(term, ATSPI_STATE_BUSY);
}

}  // namespace

// ---- the text model: offsets Orca asks by --------------------------------------------

TEST(WindowAccessibleText, UnitsAroundAnOffset) {
    plat::ScreenView v;
    std::vector<uint8_t> cells(80 * 25, ' ');
    const std::string row0 = "Qual forma tem  tres lados?", row1 = "Resposta:";
    std::copy(row0.begin(), row0.end(), cells.begin());
    std::copy(row1.begin(), row1.end(), cells.begin() + 80);
    cells[160] = 7;  // a control code must not break the rows
    v.chars = cells.data();
    const std::string t = plat::a11y::screenText(v);
    ASSERT_EQ(t.size(), 25u * 81u - 1u);
    EXPECT_EQ(t[80], '\n');
    EXPECT_EQ(t[162], ' ');
    EXPECT_EQ(plat::a11y::offsetOf(3, 1), 84);

    using U = plat::a11y::Unit;
    struct Case {
        int offset;
        U unit;
        std::string want;
    } cases[] = {
        {0, U::Char, "Q"},
        {6, U::WordStart, "forma "},       // the word and the spaces after it
        {6, U::WordEnd, " forma"},         // the spaces before it and the word
        {6, U::Word, "forma"},
        {15, U::Word, "  "},               // between words: the spaces
        {15, U::WordStart, "tem  "},
        {81 + 2, U::Word, "Resposta:"},
        {81 + 2, U::LineStart, "Resposta:" + std::string(71, ' ') + "\n"},
        {81 + 2, U::Line, "Resposta:" + std::string(71, ' ') + "\n"},
        {81 + 2, U::LineEnd, "\nResposta:" + std::string(71, ' ')},
        {int(t.size()), U::Line, std::string(80, ' ')},  // the end belongs to the last row
        {-5, U::Char, "Q"},                              // out of range is clamped, never read outside
    };
    for (const Case& c : cases) {
        int s = -1, e = -1;
        plat::a11y::spanAt(t, c.offset, c.unit, s, e);
        ASSERT_LE(0, s);
        ASSERT_LE(s, e);
        ASSERT_LE(e, int(t.size()));
        EXPECT_EQ(t.substr(size_t(s), size_t(e - s)), c.want) << "offset " << c.offset << " unit " << int(c.unit);
    }
}

// ---- LEITORTELA=ORCA -----------------------------------------------------------------

TEST(ScreenReaderSetting, ReadFromTheTranslatorSection) {
    struct Case {
        const char* ini;
        bool orca;
    } cases[] = {
        {"[TRADUTOR]\r\nLEITORTELA=ORCA\r\n", true},
        {"[TRADUTOR]\r\nLEITORTELA= orca \r\n", true},
        {"[TRADUTOR]\r\nLEITORTELA=NVDA\r\n", false},
        {"[TRADUTOR]\r\nSAPI=S\r\n", false},
        {"[VIDEO]\r\nLEITORTELA=ORCA\r\n", false},  // only where the voice settings are
    };
    for (const Case& c : cases)
        EXPECT_EQ(con::settingsFromText(c.ini, "").screenReader == con::Settings::ScreenReader::Orca, c.orca) << c.ini;
}

TEST(ScreenReaderSetting, OrcaSpeaksAndLudivarStaysQuiet) {
    const std::string game = demoCopy();
    ASSERT_FALSE(game.empty()) << "no demo game in the build";
    const std::string keys = "{Enter}formas{Enter}bo";
    const HeadlessResult loud = runHeadless(keys, {game});
    const HeadlessResult quiet = runHeadless(keys, {game}, kOrcaIni);
    ASSERT_EQ(loud.exitCode, 3) << loud.err;
    ASSERT_EQ(quiet.exitCode, 3) << quiet.err;
    // the same screens, for the screen reader to read
    EXPECT_EQ(joined(quiet.rows), joined(loud.rows));
    int spoken = 0, heard = 0;
    for (const std::string& e : loud.trace) heard += e.rfind("synth ", 0) == 0 || e.rfind("play ", 0) == 0;
    for (const std::string& e : quiet.trace) {
        EXPECT_NE(e.rfind("synth ", 0), 0u) << e;
        EXPECT_NE(e.rfind("voice ", 0), 0u) << e;
        EXPECT_NE(e.rfind("play _", 0), 0u) << e;  // no recorded letters either
        spoken += e.rfind("speak ", 0) == 0;
    }
    EXPECT_GT(heard, 0) << "the demo is spoken without the setting";
    EXPECT_GT(spoken, 0) << "what would have been said is still traced";
}

// ---- the window on the bus -----------------------------------------------------------

TEST(WindowOnAccessibilityBus, ProbeReadsTextCaretAndEvents) {
    LUDIVAR_REQUIRE(haveDisplay(), "no X display and no Xvfb to start");
    for (const char* p : {"xdotool", "openbox", "dbus-daemon"})
        LUDIVAR_REQUIRE(testsupport::haveProgram(p), p << " is not installed");
    const std::string game = demoCopy();
    ASSERT_FALSE(game.empty()) << "no demo game in the build";

    // What the window must show at the title card: the headless front's screen.
    const std::vector<std::string> keys = {""};
    std::vector<std::vector<std::string>> screens;
    for (const std::string& k : keys) {
        const HeadlessResult r = runHeadless(k, {game}, orcaIni(game));
        ASSERT_EQ(r.exitCode, 3) << k << ": " << r.err;
        screens.push_back(r.rows);
    }

    const std::string dir = tempDir(), err = dir + "/err.txt", ini = dir + "/ECOLAR.INI";
    testsupport::Child wm, bus, prog;
    std::string why;
    LUDIVAR_REQUIRE(testsupport::startWindowManager(wm, why), why);
    LUDIVAR_REQUIRE(testsupport::startSessionBus(bus, dir, why), why);
    ASSERT_EQ(atspi_init(), 0);

    // Listening before the program starts, so its bridge knows at once what to send.
    AtspiEventListener* listener = atspi_event_listener_new(onEvent, nullptr, nullptr);
    for (const char* ev : {"object:text-caret-moved", "object:text-changed", "window:activate", "object:state-changed:focused",
                           "object:state-changed:busy"})
        ASSERT_TRUE(atspi_event_listener_register(listener, ev, nullptr)) << ev;

    writeText(ini, orcaIni(game));
    testsupport::SpawnOptions o;
    o.errFile = err;
    o.env = {"ECOLAR_CONFIG_DIR=" + dir + "/config", "SDL_AUDIODRIVER=dummy", "NO_AT_BRIDGE"};
    ASSERT_TRUE(testsupport::spawn(prog, {LUDIVAR_BIN, "--ini", ini, game}, o));
    gWatched = prog.pid;

    AtspiAccessible* app = nullptr;
    waitOnBus([&] { return (app = findApp(prog.pid)) != nullptr || !prog.running(); }, 60000);
    ASSERT_TRUE(app) << "the program is not on the accessibility bus: " << readText(err);
    AtspiAccessible* frame = childAt(app, 0);
    AtspiAccessible* term = childAt(frame, 0);
    ASSERT_TRUE(frame && term);
    EXPECT_EQ(atspi_accessible_get_role(frame, nullptr), ATSPI_ROLE_FRAME);
    EXPECT_EQ(atspi_accessible_get_role(term, nullptr), ATSPI_ROLE_TERMINAL);
    EXPECT_EQ(atspi_accessible_get_child_count(app, nullptr), 1);

    // The title card, once the program waits for its key.
    ASSERT_TRUE(waitOnBus([&] { return showsAndWaits(term, screens[0]); }, 60000))
        << "the window shows\n" << textOf(term) << "\nthe headless front\n" << joined(screens[0]);

    // The window manager gave it the focus: the frame said so and the text has it.
    std::string id;
    testsupport::waitUntil([&] {
        std::istringstream ids(runCommand("xdotool search --onlyvisible --pid " + std::to_string(prog.pid)));
        ids >> id;
        return !id.empty();
    });
    ASSERT_FALSE(id.empty());
    // Away and back: the frame says when it is the active window again, and the
    // text has the focus exactly while it is.
    runCommand("xdotool windowminimize --sync " + id);
    EXPECT_TRUE(waitOnBus([&] { return !hasState(term, ATSPI_STATE_FOCUSED) && !hasState(frame, ATSPI_STATE_ACTIVE); }));
    gHeard.clear();
    runCommand("xdotool windowactivate --sync " + id);
    EXPECT_TRUE(waitOnBus([&] {
        bool activated = false, focused = false;
        for (const Heard& h : gHeard) {
            activated |= h.type == "window:activate";
            focused |= h.type == "object:state-changed:focused" && h.d1 == 1;
        }
        return activated && focused && hasState(term, ATSPI_STATE_FOCUSED);
    })) << "no activate and focus events after the window came back";
    const std::string title = rtrim(runCommand("xdotool getwindowname " + id));
    EXPECT_EQ(nameOf(frame), title.substr(0, title.find('\n')));
    EXPECT_EQ(nameOf(term), nameOf(frame));

    // Enter leads to the question, which looks the same: busy, then waiting again, tells.
    gHeard.clear();
    runCommand("xdotool key Return");
    ASSERT_TRUE(waitOnBus([&] {
        bool busy = false;
        for (const Heard& h : gHeard) {
            if (h.type == "object:state-changed:busy" && h.d1 == 1) busy = true;
            if (h.type == "object:state-changed:busy" && h.d1 == 0 && busy) return true;
        }
        return false;
    })) << "the program did not take the key and wait again";
    // A slide's text is in the window's cells (the headless front keeps slides apart).
    ASSERT_TRUE(waitOnBus([&] {
        return showsRows(term, {"Vamos aprender as formas e as cores!", "Aperte Enter para começar."});
    })) << "the window shows\n" << textOf(term);

    // Letters typed into the answer: the caret follows the cursor one cell a key,
    // and each letter comes as inserted text where the caret was.
    GError* caretError = nullptr;
    const int c0 = atspi_text_get_caret_offset(ATSPI_TEXT(term), &caretError);
    ASSERT_GE(c0, 0) << (caretError ? caretError->message : "");
    const std::string letters = "for";
    for (size_t i = 0; i < letters.size(); ++i) {
        gHeard.clear();
        runCommand("xdotool type " + letters.substr(i, 1));
        const int want = c0 + int(i) + 1;
        const bool moved = waitOnBus([&] {
            for (const Heard& h : gHeard)
                if (h.type == "object:text-caret-moved" && h.d1 == want) return true;
            return false;
        });
        ASSERT_TRUE(moved) << "no caret event to " << want << " after '" << letters[i] << "'";
        // the letter, inserted where the caret was
        bool inserted = false;
        for (const Heard& h : gHeard)
            if (h.type.rfind("object:text-changed:insert", 0) == 0 && h.d1 == want - 1 && h.d2 == 1 &&
                (h.text == letters.substr(i, 1) || h.text == std::string(1, char(letters[i] - 32))))
                inserted = true;
        EXPECT_TRUE(inserted) << "no text event for '" << letters[i] << "'";
        EXPECT_EQ(atspi_text_get_caret_offset(ATSPI_TEXT(term), nullptr), want);
    }
    // The letters are where the caret was, in the window's text.
    const size_t answerRow = size_t(c0 / plat::a11y::kRowChars), answerCol = size_t(c0 % plat::a11y::kRowChars);
    ASSERT_TRUE(waitOnBus([&] {
        const std::vector<std::string> rows = rowsOf(textOf(term));
        return rows.size() > answerRow && rows[answerRow].size() >= answerCol + letters.size() &&
               rows[answerRow].compare(answerCol, letters.size(), letters) == 0 &&
               !hasState(term, ATSPI_STATE_BUSY);
    })) << "the window shows\n" << textOf(term);

    // Row by row, as Orca reviews: the line at the caret is the answer's row.
    gint s = 0, e = 0;
    AtspiTextRange* line = atspi_text_get_string_at_offset(ATSPI_TEXT(term), c0, ATSPI_TEXT_GRANULARITY_LINE, nullptr);
    ASSERT_TRUE(line);
    s = line->start_offset;
    e = line->end_offset;
    EXPECT_EQ(s, c0 / plat::a11y::kRowChars * plat::a11y::kRowChars);
    EXPECT_EQ(e - s, c0 / plat::a11y::kRowChars < 24 ? plat::a11y::kRowChars : 80);  // the last row has no break
    EXPECT_EQ(rtrim(std::string(line->content).substr(0, 80)), rowsOf(textOf(term))[answerRow]);
    g_boxed_free(ATSPI_TYPE_TEXT_RANGE, line);

    g_object_unref(term);
    g_object_unref(frame);
    g_object_unref(app);
    g_object_unref(listener);
    prog.stop();
    unsetenv("DBUS_SESSION_BUS_ADDRESS");  // the bus goes with this test
}
