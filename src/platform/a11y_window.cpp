// The window on the accessibility bus.  ATK gives the objects, atk-bridge puts
// them on AT-SPI; the tree is: application "Ludivar" -> frame (the window, its
// title) -> terminal (the screen's text, its caret at the cursor).
#include "platform/a11y_window.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ludivar_version.h"
#include "platform/atk_lib.h"
#include "util/log.h"

namespace plat::a11y {

// ---- the text model ------------------------------------------------------------------

int offsetOf(int col, int row) { return row * kRowChars + col; }

std::string screenText(const ScreenView& v) {
    std::string t;
    t.reserve(size_t(25 * kRowChars));
    for (int row = 0; row < 25; ++row) {
        if (row) t += '\n';
        for (int col = 0; col < 80; ++col) {
            uint8_t c = ' ';
            if (v.chars && row < v.height && col < v.width) c = v.chars[size_t(row) * size_t(v.width) + size_t(col)];
            // a control code in a cell would break the line arithmetic
            t += char(c < 32 || c == 127 ? ' ' : c);
        }
    }
    return t;
}

namespace {

bool wordChar(const std::string& t, int i) { return i >= 0 && i < int(t.size()) && t[size_t(i)] != ' ' && t[size_t(i)] != '\n'; }
bool wordStartsAt(const std::string& t, int i) { return wordChar(t, i) && !wordChar(t, i - 1); }
bool wordEndsAt(const std::string& t, int i) { return wordChar(t, i - 1) && !wordChar(t, i); }

int wordStartAtOrBefore(const std::string& t, int o) {
    for (int i = o; i > 0; --i)
        if (wordStartsAt(t, i)) return i;
    return 0;
}
int wordStartAfter(const std::string& t, int o) {
    for (int i = o + 1; i < int(t.size()); ++i)
        if (wordStartsAt(t, i)) return i;
    return int(t.size());
}
int wordEndBefore(const std::string& t, int o) {
    for (int i = o - 1; i > 0; --i)
        if (wordEndsAt(t, i)) return i;
    return 0;
}
int wordEndAtOrAfter(const std::string& t, int o) {
    for (int i = std::max(o, 1); i <= int(t.size()); ++i)
        if (wordEndsAt(t, i)) return i;
    return int(t.size());
}

}  // namespace

void spanAt(const std::string& t, int o, Unit unit, int& start, int& end) {
    const int len = int(t.size());
    o = std::clamp(o, 0, len);
    const int row = std::min(o / kRowChars, std::max(len - 1, 0) / kRowChars);
    switch (unit) {
    case Unit::Char:
        start = o;
        end = std::min(o + 1, len);
        return;
    case Unit::WordStart:
        start = wordStartAtOrBefore(t, o);
        end = wordStartAfter(t, o);
        return;
    case Unit::WordEnd:
        start = wordEndBefore(t, o);
        end = wordEndAtOrAfter(t, o);
        return;
    case Unit::Word:
        if (wordChar(t, o)) {
            start = wordStartAtOrBefore(t, o);
            end = wordEndAtOrAfter(t, o + 1);
        } else {  // a run of spaces, within its line
            start = o;
            while (start > 0 && t[size_t(start - 1)] == ' ') --start;
            end = o;
            while (end < len && t[size_t(end)] == ' ') ++end;
        }
        return;
    case Unit::LineStart:
    case Unit::Line:
        start = row * kRowChars;
        end = std::min(start + kRowChars, len);
        return;
    case Unit::LineEnd:
        start = row == 0 ? 0 : row * kRowChars - 1;
        end = std::min(row * kRowChars + kRowChars - 1, len);
        return;
    }
    start = end = o;
}

// ---- the accessible objects ----------------------------------------------------------

namespace {

struct State {
    bool tried = false, up = false;
    AtkObject* app = nullptr;
    AtkObject* frame = nullptr;
    AtkObject* term = nullptr;
    std::string title = "Ludivar";
    std::string text = screenText(ScreenView{});  // CP1252, one byte a character
    int caret = 0;
    bool reading = false, focused = false;  // until the window manager says so
    int x = 0, y = 0, cellW = 8, cellH = 16;
};
State g;

// Only reached once start() has loaded the libraries.
const atklib::Api& atk() { return *atklib::api(); }
const gliblib::Api& glib() { return *gliblib::api(); }

// One instance type for the three objects: what differs is the role, the states
// and which interfaces the subtype brings.
struct Node {
    AtkObject parent;
    AtkObject* child;
};
struct NodeClass {
    AtkObjectClass parent;
};
gpointer gNodeParentClass = nullptr;

gint nodeChildren(AtkObject* o) { return reinterpret_cast<Node*>(o)->child ? 1 : 0; }
AtkObject* nodeRefChild(AtkObject* o, gint i) {
    AtkObject* c = reinterpret_cast<Node*>(o)->child;
    return i == 0 && c ? static_cast<AtkObject*>(glib().object_ref(c)) : nullptr;
}
gint nodeIndexInParent(AtkObject* o) { return o == g.app ? -1 : 0; }

AtkStateSet* nodeStates(AtkObject* o) {
    AtkStateSet* s = static_cast<AtkObjectClass*>(gNodeParentClass)->ref_state_set(o);
    if (o == g.app) return s;
    for (AtkStateType st : {ATK_STATE_ENABLED, ATK_STATE_SENSITIVE, ATK_STATE_SHOWING, ATK_STATE_VISIBLE})
        atk().state_set_add_state(s, st);
    if (o == g.frame) {
        atk().state_set_add_state(s, ATK_STATE_RESIZABLE);
        if (g.focused) atk().state_set_add_state(s, ATK_STATE_ACTIVE);
    } else if (o == g.term) {
        atk().state_set_add_state(s, ATK_STATE_FOCUSABLE);
        atk().state_set_add_state(s, ATK_STATE_MULTI_LINE);
        if (g.focused) atk().state_set_add_state(s, ATK_STATE_FOCUSED);
        // not reading a key: speaking, drawing, thinking
        if (!g.reading) atk().state_set_add_state(s, ATK_STATE_BUSY);
    }
    return s;
}

void nodeClassInit(gpointer klass, gpointer) {
    gNodeParentClass = glib().type_class_peek_parent(klass);
    AtkObjectClass* k = static_cast<AtkObjectClass*>(klass);
    k->get_n_children = nodeChildren;
    k->ref_child = nodeRefChild;
    k->get_index_in_parent = nodeIndexInParent;
    k->ref_state_set = nodeStates;
}

GType nodeType() {
    static GType t = glib().type_register_static_simple(atk().object_get_type(), "LudivarA11yNode",
                                                        sizeof(NodeClass), nodeClassInit, sizeof(Node), nullptr,
                                                        GTypeFlags(0));
    return t;
}

// ---- AtkText on the terminal ----

std::string utf8Of(int start, int end) {
    const int len = int(g.text.size());
    if (end < 0 || end > len) end = len;
    start = std::clamp(start, 0, end);
    return cp1252ToUtf8(g.text.substr(size_t(start), size_t(end - start)));
}

gchar* textGet(AtkText*, gint start, gint end) { return glib().dup(utf8Of(start, end).c_str()); }
gint textCount(AtkText*) { return gint(g.text.size()); }
gint textCaret(AtkText*) { return g.caret; }

gunichar textCharAt(AtkText*, gint o) {
    if (o < 0 || o >= int(g.text.size())) return 0;
    return glib().utf8_get_char(utf8Of(o, o + 1).c_str());
}

gchar* spanText(gint o, Unit unit, gint* start, gint* end) {
    int s = 0, e = 0;
    spanAt(g.text, o, unit, s, e);
    *start = s;
    *end = e;
    return glib().dup(utf8Of(s, e).c_str());
}

gchar* textAtOffset(AtkText*, gint o, AtkTextBoundary b, gint* start, gint* end) {
    Unit u = Unit::Char;
    switch (b) {
    case ATK_TEXT_BOUNDARY_CHAR: u = Unit::Char; break;
    case ATK_TEXT_BOUNDARY_WORD_START: u = Unit::WordStart; break;
    case ATK_TEXT_BOUNDARY_WORD_END: u = Unit::WordEnd; break;
    case ATK_TEXT_BOUNDARY_SENTENCE_START:  // a row is the nearest thing to a sentence on a screen
    case ATK_TEXT_BOUNDARY_LINE_START: u = Unit::LineStart; break;
    case ATK_TEXT_BOUNDARY_SENTENCE_END:
    case ATK_TEXT_BOUNDARY_LINE_END: u = Unit::LineEnd; break;
    }
    return spanText(o, u, start, end);
}

gchar* stringAtOffset(AtkText*, gint o, AtkTextGranularity gr, gint* start, gint* end) {
    const Unit u = gr == ATK_TEXT_GRANULARITY_CHAR ? Unit::Char : gr == ATK_TEXT_GRANULARITY_WORD ? Unit::Word : Unit::Line;
    return spanText(o, u, start, end);
}

void textExtents(AtkText*, gint o, gint* x, gint* y, gint* w, gint* h, AtkCoordType coords) {
    const int col = std::max(o, 0) % kRowChars, row = std::max(o, 0) / kRowChars;
    *x = col * g.cellW + (coords == ATK_XY_WINDOW ? 0 : g.x);
    *y = row * g.cellH + (coords == ATK_XY_WINDOW ? 0 : g.y);
    *w = g.cellW;
    *h = g.cellH;
}

gint textOffsetAtPoint(AtkText*, gint x, gint y, AtkCoordType coords) {
    if (coords != ATK_XY_WINDOW) {
        x -= g.x;
        y -= g.y;
    }
    if (x < 0 || y < 0 || g.cellW <= 0 || g.cellH <= 0) return -1;
    const int col = x / g.cellW, row = y / g.cellH;
    return col < 80 && row < 25 ? offsetOf(col, row) : -1;
}

gint textSelections(AtkText*) { return 0; }

void textIfaceInit(gpointer iface, gpointer) {
    AtkTextIface* i = static_cast<AtkTextIface*>(iface);
    i->get_text = textGet;
    i->get_character_count = textCount;
    i->get_caret_offset = textCaret;
    i->get_character_at_offset = textCharAt;
    i->get_text_at_offset = textAtOffset;
    i->get_string_at_offset = stringAtOffset;
    i->get_character_extents = textExtents;
    i->get_offset_at_point = textOffsetAtPoint;
    i->get_n_selections = textSelections;
}

// ---- AtkComponent on the frame and the terminal: both cover the window ----

void componentExtents(AtkComponent*, gint* x, gint* y, gint* w, gint* h, AtkCoordType coords) {
    *x = coords == ATK_XY_WINDOW ? 0 : g.x;
    *y = coords == ATK_XY_WINDOW ? 0 : g.y;
    *w = 80 * g.cellW;
    *h = 25 * g.cellH;
}

void componentIfaceInit(gpointer iface, gpointer) {
    static_cast<AtkComponentIface*>(iface)->get_extents = componentExtents;
}

void noInterfaceInit(gpointer, gpointer) {}

GType frameType() {
    static GType t = [] {
        GType f = glib().type_register_static_simple(nodeType(), "LudivarA11yFrame", sizeof(NodeClass), nullptr,
                                                     sizeof(Node), nullptr, GTypeFlags(0));
        // the window interface is what makes activate/deactivate window events
        const GInterfaceInfo window{noInterfaceInit, nullptr, nullptr};
        const GInterfaceInfo component{componentIfaceInit, nullptr, nullptr};
        glib().type_add_interface_static(f, atk().window_get_type(), &window);
        glib().type_add_interface_static(f, atk().component_get_type(), &component);
        return f;
    }();
    return t;
}

GType terminalType() {
    static GType t = [] {
        GType f = glib().type_register_static_simple(nodeType(), "LudivarA11yTerminal", sizeof(NodeClass), nullptr,
                                                     sizeof(Node), nullptr, GTypeFlags(0));
        const GInterfaceInfo text{textIfaceInit, nullptr, nullptr};
        const GInterfaceInfo component{componentIfaceInit, nullptr, nullptr};
        glib().type_add_interface_static(f, atk().text_get_type(), &text);
        glib().type_add_interface_static(f, atk().component_get_type(), &component);
        return f;
    }();
    return t;
}

AtkObject* makeNode(GType type, AtkRole role, const std::string& name, AtkObject* parent) {
    AtkObject* o = static_cast<AtkObject*>(glib().object_new(type, nullptr));
    atk().object_set_role(o, role);
    atk().object_set_name(o, name.c_str());
    if (parent) {
        atk().object_set_parent(o, parent);
        reinterpret_cast<Node*>(parent)->child = o;
    }
    return o;
}

// ---- AtkUtil: our application is the root the bridge publishes ----

AtkObject* utilRoot() { return g.app; }
const gchar* utilToolkitName() { return "Ludivar"; }
const gchar* utilToolkitVersion() { return LUDIVAR_VERSION; }

// A session bus we may talk to without starting one: named in the environment, or
// the user's standard socket.  libdbus would otherwise launch a daemon for X11.
bool sessionBusReachable() {
    for (const char* var : {"AT_SPI_BUS_ADDRESS", "DBUS_SESSION_BUS_ADDRESS"}) {
        const char* v = std::getenv(var);
        if (v && *v) return true;
    }
    const char* run = std::getenv("XDG_RUNTIME_DIR");
    struct stat st;
    return run && *run && ::stat((std::string(run) + "/bus").c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

void drainMainContext() {
    // bounded: a flood of requests must not keep keys waiting
    for (int i = 0; i < 64 && glib().main_context_iteration(nullptr, FALSE); ++i) {
    }
}

void emitTextChange(const std::string& before, const std::string& after) {
    const size_t n = std::min(before.size(), after.size());
    size_t first = 0;
    while (first < n && before[first] == after[first]) ++first;
    if (first == n && before.size() == after.size()) return;
    size_t lastB = before.size(), lastA = after.size();
    while (lastB > first && lastA > first && before[lastB - 1] == after[lastA - 1]) {
        --lastB;
        --lastA;
    }
    const std::string gone = cp1252ToUtf8(before.substr(first, lastB - first));
    const std::string come = cp1252ToUtf8(after.substr(first, lastA - first));
    // removal first, while the old text is what listeners had
    if (lastB > first)
        glib().signal_emit_by_name(g.term, "text-remove", gint(first), gint(lastB - first), gone.c_str());
    if (lastA > first)
        glib().signal_emit_by_name(g.term, "text-insert", gint(first), gint(lastA - first), come.c_str());
}

}  // namespace

// ---- the entry points ----------------------------------------------------------------

bool start(const std::string& titleUtf8) {
    if (g.tried) return g.up;
    g.tried = true;
    if (const char* no = std::getenv("NO_AT_BRIDGE"); no && std::strcmp(no, "1") == 0) {
        util::log("ludivar: acessibilidade (AT-SPI) desligada por NO_AT_BRIDGE=1");
        return false;
    }
    if (!sessionBusReachable()) {
        util::log("ludivar: acessibilidade (AT-SPI) desligada: nenhum barramento de sessão D-Bus");
        return false;
    }
    if (!atklib::api()) return false;
    g.title = titleUtf8;
    AtkUtilClass* util = static_cast<AtkUtilClass*>(glib().type_class_ref(atk().util_get_type()));
    util->get_root = utilRoot;
    util->get_toolkit_name = utilToolkitName;
    util->get_toolkit_version = utilToolkitVersion;

    g.app = makeNode(nodeType(), ATK_ROLE_APPLICATION, "Ludivar", nullptr);
    g.frame = makeNode(frameType(), ATK_ROLE_FRAME, g.title, g.app);
    g.term = makeNode(terminalType(), ATK_ROLE_TERMINAL, g.title, g.frame);
    g.text = screenText(currentScreen());

    if (atk().bridge_adaptor_init(nullptr, nullptr) != 0) {
        util::log("ludivar: acessibilidade (AT-SPI) desligada: o barramento de acessibilidade não respondeu");
        glib().object_unref(g.term);
        glib().object_unref(g.frame);
        glib().object_unref(g.app);
        g.app = g.frame = g.term = nullptr;
        return false;
    }
    g.up = true;
    if (g.focused) {  // it had the focus before it was on the bus: say so now, Orca starts from there
        glib().signal_emit_by_name(g.frame, "activate");
        atk().object_notify_state_change(g.term, ATK_STATE_FOCUSED, TRUE);
    }
    drainMainContext();
    return true;
}

void stop() {
    if (!g.up) return;
    g.up = false;
    atk().bridge_adaptor_cleanup();
    drainMainContext();
    glib().object_unref(g.term);
    glib().object_unref(g.frame);
    glib().object_unref(g.app);
    g.app = g.frame = g.term = nullptr;
}

bool running() { return g.up; }

void setTitle(const std::string& titleUtf8) {
    if (g.title == titleUtf8) return;
    g.title = titleUtf8;
    if (!g.up) return;
    atk().object_set_name(g.frame, titleUtf8.c_str());
    atk().object_set_name(g.term, titleUtf8.c_str());
}

void setGeometry(int x, int y, int cellW, int cellH) {
    g.x = x;
    g.y = y;
    g.cellW = cellW > 0 ? cellW : 8;
    g.cellH = cellH > 0 ? cellH : 16;
}

void setFocused(bool focused) {
    if (g.focused == focused) return;
    g.focused = focused;
    if (!g.up) return;
    glib().signal_emit_by_name(g.frame, focused ? "activate" : "deactivate");
    atk().object_notify_state_change(g.frame, ATK_STATE_ACTIVE, focused);
    atk().object_notify_state_change(g.term, ATK_STATE_FOCUSED, focused);
}

void pump() {
    if (!g.up) return;
    const ScreenView v = currentScreen();
    std::string now = screenText(v);
    if (now != g.text) {
        std::string before;
        before.swap(g.text);
        g.text = std::move(now);
        emitTextChange(before, g.text);
    }
    const int caret = offsetOf(std::clamp(v.cursorX, 0, 79), std::clamp(v.cursorY, 0, 24));
    if (caret != g.caret) {
        g.caret = caret;
        glib().signal_emit_by_name(g.term, "text-caret-moved", gint(caret));
    }
    if (v.caret != g.reading) {
        g.reading = v.caret;
        atk().object_notify_state_change(g.term, ATK_STATE_BUSY, !g.reading);
    }
    drainMainContext();
}

}  // namespace plat::a11y
