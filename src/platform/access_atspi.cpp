// Accessibility through AT-SPI2 (libatspi): the bus delivers its events while
// pump() lets GLib's default context run, on the program's one thread.
#include "platform/access.h"
#include "platform/atspi_lib.h"
#include "platform/platform.h"

#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <unordered_map>
#include <vector>

namespace a11y {

namespace {

struct RingEntry {
    int kind = 0;
    AtspiAccessible* object = nullptr;  // one reference held while it waits
};

struct Access {
    bool initTried = false, initOk = false;
    AtspiEventListener* listener = nullptr;
    AtspiAccessible* lastFocused = nullptr;  // the control that gained the focus last
    std::array<RingEntry, kRingSize> ring{};
    int writeIndex = 0, readIndex = 0;
    bool loadedNames = false;
    std::unordered_map<std::string, std::string> names;  // English role name -> Portuguese
};
Access gAcc;

// Only reached once init() has loaded the libraries.
const plat::atspilib::Api& atspi() { return *plat::atspilib::api(); }
const plat::gliblib::Api& glib() { return *plat::gliblib::api(); }

bool busReachable() {
    // Without a session bus the library would try to launch one; a game must
    // not start daemons behind the user's back.
    const char* addr = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (addr && *addr) return true;
    const char* run = std::getenv("XDG_RUNTIME_DIR");
    if (!run) return false;
    struct stat st;
    return ::stat((std::string(run) + "/bus").c_str(), &st) == 0;
}

bool init() {
    if (!gAcc.initTried) {
        gAcc.initTried = true;
        if (!busReachable() || !plat::atspilib::api()) return false;
        gAcc.initOk = atspi().init() <= 1;
        // A program that stopped answering must not freeze the game for long.
        if (gAcc.initOk) atspi().set_timeout(1500, 5000);
    }
    return gAcc.initOk;
}

void clearEntry(RingEntry& e) {
    if (e.object) glib().object_unref(e.object);
    e = RingEntry();
}

void setLastFocused(AtspiAccessible* a) {
    if (a) glib().object_ref(a);
    if (gAcc.lastFocused) glib().object_unref(gAcc.lastFocused);
    gAcc.lastFocused = a;
}

void onEvent(AtspiEvent* ev, void*) {
    bool focus = std::strncmp(ev->type, "object:state-changed:focused", 28) == 0;
    if (focus) {
        // Toolkits announce one gain of the focus more than once; the ring gets
        // it once.  Losing the focus is the other half of the same change.
        bool again = ev->source && ev->source == gAcc.lastFocused;
        if (ev->detail1 == 1 && !again) setLastFocused(ev->source);
        else if (ev->detail1 == 0 && again) setLastFocused(nullptr);
        if (ev->detail1 != 1 || again) {
            glib().boxed_free(atspi().event_get_type(), ev);
            return;
        }
    }
    if (ev->source) {
        RingEntry& e = gAcc.ring[size_t(gAcc.writeIndex)];
        clearEntry(e);
        e.kind = focus ? kEventFocus : kEventForeground;
        e.object = ev->source ? static_cast<AtspiAccessible*>(glib().object_ref(ev->source)) : nullptr;
        gAcc.writeIndex = (gAcc.writeIndex + 1) % kRingSize;
        // A full ring drops its oldest entry; it must not look empty.
        if (gAcc.writeIndex == gAcc.readIndex) gAcc.readIndex = (gAcc.readIndex + 1) % kRingSize;
    }
    glib().boxed_free(atspi().event_get_type(), ev);
}

std::string fromUtf8(gchar* s) {
    if (!s) return std::string();
    std::string out = plat::utf8ToCp1252(s);
    glib().free(s);
    return out;
}

// The MSAA role numbers of the AT-SPI roles that have one.
int msaaRole(AtspiRole r) {
    switch (r) {
        case ATSPI_ROLE_TITLE_BAR: return 1;
        case ATSPI_ROLE_MENU_BAR: return 2;
        case ATSPI_ROLE_SCROLL_BAR: return 3;
        case ATSPI_ROLE_ALERT: case ATSPI_ROLE_NOTIFICATION: return 8;
        case ATSPI_ROLE_WINDOW: case ATSPI_ROLE_FRAME: return 9;
        case ATSPI_ROLE_FILLER: case ATSPI_ROLE_PANEL: case ATSPI_ROLE_ROOT_PANE: case ATSPI_ROLE_VIEWPORT:
            return 10;
        case ATSPI_ROLE_POPUP_MENU: case ATSPI_ROLE_MENU: return 11;
        case ATSPI_ROLE_MENU_ITEM: case ATSPI_ROLE_CHECK_MENU_ITEM: case ATSPI_ROLE_RADIO_MENU_ITEM:
        case ATSPI_ROLE_TEAROFF_MENU_ITEM: return 12;
        case ATSPI_ROLE_TOOL_TIP: return 13;
        case ATSPI_ROLE_APPLICATION: return 14;
        case ATSPI_ROLE_DOCUMENT_FRAME: case ATSPI_ROLE_DOCUMENT_TEXT: case ATSPI_ROLE_DOCUMENT_WEB:
        case ATSPI_ROLE_DOCUMENT_EMAIL: case ATSPI_ROLE_DOCUMENT_SPREADSHEET:
        case ATSPI_ROLE_DOCUMENT_PRESENTATION: return 15;
        case ATSPI_ROLE_SCROLL_PANE: case ATSPI_ROLE_SPLIT_PANE: case ATSPI_ROLE_LAYERED_PANE:
        case ATSPI_ROLE_INTERNAL_FRAME: case ATSPI_ROLE_OPTION_PANE: case ATSPI_ROLE_DIRECTORY_PANE: return 16;
        case ATSPI_ROLE_CHART: return 17;
        case ATSPI_ROLE_DIALOG: case ATSPI_ROLE_FILE_CHOOSER: case ATSPI_ROLE_COLOR_CHOOSER:
        case ATSPI_ROLE_FONT_CHOOSER: return 18;
        case ATSPI_ROLE_GROUPING: case ATSPI_ROLE_FORM: case ATSPI_ROLE_SECTION: return 20;
        case ATSPI_ROLE_SEPARATOR: return 21;
        case ATSPI_ROLE_TOOL_BAR: return 22;
        case ATSPI_ROLE_STATUS_BAR: return 23;
        case ATSPI_ROLE_TABLE: case ATSPI_ROLE_TREE_TABLE: return 24;
        case ATSPI_ROLE_COLUMN_HEADER: case ATSPI_ROLE_TABLE_COLUMN_HEADER: return 25;
        case ATSPI_ROLE_ROW_HEADER: case ATSPI_ROLE_TABLE_ROW_HEADER: return 26;
        case ATSPI_ROLE_TABLE_ROW: return 28;
        case ATSPI_ROLE_TABLE_CELL: return 29;
        case ATSPI_ROLE_LINK: return 30;
        case ATSPI_ROLE_LIST: case ATSPI_ROLE_LIST_BOX: return 33;
        case ATSPI_ROLE_LIST_ITEM: return 34;
        case ATSPI_ROLE_TREE: return 35;
        case ATSPI_ROLE_TREE_ITEM: return 36;
        case ATSPI_ROLE_PAGE_TAB: return 37;
        case ATSPI_ROLE_PAGE: return 38;
        case ATSPI_ROLE_ICON: case ATSPI_ROLE_IMAGE: case ATSPI_ROLE_DESKTOP_ICON: case ATSPI_ROLE_CANVAS:
        case ATSPI_ROLE_DRAWING_AREA: return 40;
        case ATSPI_ROLE_LABEL: case ATSPI_ROLE_STATIC: case ATSPI_ROLE_CAPTION: case ATSPI_ROLE_HEADING:
        case ATSPI_ROLE_PARAGRAPH: case ATSPI_ROLE_ACCELERATOR_LABEL: return 41;
        case ATSPI_ROLE_TEXT: case ATSPI_ROLE_ENTRY: case ATSPI_ROLE_PASSWORD_TEXT: case ATSPI_ROLE_TERMINAL:
        case ATSPI_ROLE_EDITBAR: return 42;
        case ATSPI_ROLE_PUSH_BUTTON: case ATSPI_ROLE_TOGGLE_BUTTON: return 43;
        case ATSPI_ROLE_CHECK_BOX: return 44;
        case ATSPI_ROLE_RADIO_BUTTON: return 45;
        case ATSPI_ROLE_COMBO_BOX: return 46;
        case ATSPI_ROLE_PROGRESS_BAR: case ATSPI_ROLE_LEVEL_BAR: return 48;
        case ATSPI_ROLE_DIAL: return 49;
        case ATSPI_ROLE_SLIDER: return 51;
        case ATSPI_ROLE_SPIN_BUTTON: return 52;
        case ATSPI_ROLE_ANIMATION: return 54;
        case ATSPI_ROLE_MATH: return 55;
        case ATSPI_ROLE_PAGE_TAB_LIST: return 60;
        case ATSPI_ROLE_TIMER: return 61;
        default: return 0;
    }
}

// A message catalogue (.mo) read as a table; the library's own translations of
// its role names, whatever locales the machine has generated.
void loadRoleNames() {
    gAcc.loadedNames = true;
    std::ifstream f("/usr/share/locale/pt_BR/LC_MESSAGES/at-spi2-core.mo", std::ios::binary);
    std::string mo((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    auto u32 = [&](size_t at, bool& ok) -> uint32_t {
        if (at + 4 > mo.size()) {
            ok = false;
            return 0;
        }
        uint32_t v;
        std::memcpy(&v, mo.data() + at, 4);
        return v;
    };
    bool ok = true;
    if (u32(0, ok) != 0x950412deu || !ok) return;  // the machine's own byte order
    uint32_t count = u32(8, ok), origins = u32(12, ok), translations = u32(16, ok);
    for (uint32_t i = 0; ok && i < count && i < 100000; ++i) {
        uint32_t ol = u32(origins + 8 * i, ok), oo = u32(origins + 8 * i + 4, ok);
        uint32_t tl = u32(translations + 8 * i, ok), to = u32(translations + 8 * i + 4, ok);
        if (!ok || size_t(oo) + ol > mo.size() || size_t(to) + tl > mo.size()) return;
        gAcc.names.emplace(mo.substr(oo, ol), mo.substr(to, tl));
    }
}

bool readElement(AtspiAccessible* obj, Element& out) {
    out = Element();
    if (!obj) return false;
    GError* err = nullptr;
    AtspiRole role = atspi().accessible_get_role(obj, &err);
    if (err) {
        glib().error_free(err);
        return false;
    }
    out.roleCode = msaaRole(role);
    gchar* english = atspi().role_get_name(role);
    if (english) {
        out.roleText = roleNamePt(english);
        glib().free(english);
    }
    if (out.roleText.size() > 200) out.roleText.resize(200);
    out.name = fromUtf8(atspi().accessible_get_name(obj, nullptr));
    if (AtspiComponent* comp = atspi().accessible_get_component_iface(obj)) {
        if (AtspiRect* r = atspi().component_get_extents(comp, ATSPI_COORD_TYPE_SCREEN, nullptr)) {
            out.left = r->x;
            out.top = r->y;
            out.width = r->width;
            out.height = r->height;
            glib().boxed_free(atspi().rect_get_type(), r);
        }
        glib().object_unref(comp);
    }
    if (AtspiStateSet* st = atspi().accessible_get_state_set(obj)) {
        if (atspi().state_set_contains(st, ATSPI_STATE_CHECKED)) out.state = "marcado";
        if (!atspi().state_set_contains(st, ATSPI_STATE_SENSITIVE)) out.state = plat::cp("indisponível");
        glib().object_unref(st);
    }
    if (AtspiValue* v = atspi().accessible_get_value_iface(obj)) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%g", atspi().value_get_current_value(v, nullptr));
        out.value = buf;
        glib().object_unref(v);
    } else if (AtspiEditableText* et = atspi().accessible_get_editable_text_iface(obj)) {
        glib().object_unref(et);
        if (AtspiText* t = atspi().accessible_get_text_iface(obj)) {
            out.value = fromUtf8(atspi().text_get_text(t, 0, -1, nullptr));
            glib().object_unref(t);
        }
    }
    return true;
}

bool containsPoint(AtspiAccessible* obj, int x, int y) {
    AtspiComponent* comp = atspi().accessible_get_component_iface(obj);
    if (!comp) return false;
    bool in = atspi().component_contains(comp, x, y, ATSPI_COORD_TYPE_SCREEN, nullptr);
    glib().object_unref(comp);
    return in;
}

AtspiAccessible* childAt(AtspiAccessible* obj, int x, int y) {
    AtspiComponent* comp = atspi().accessible_get_component_iface(obj);
    if (!comp) return nullptr;
    AtspiAccessible* child = atspi().component_get_accessible_at_point(comp, x, y, ATSPI_COORD_TYPE_SCREEN, nullptr);
    glib().object_unref(comp);
    return child;
}

bool isShowing(AtspiAccessible* obj, AtspiStateType extra) {
    AtspiStateSet* st = atspi().accessible_get_state_set(obj);
    if (!st) return false;
    bool yes = atspi().state_set_contains(st, ATSPI_STATE_SHOWING) &&
               (extra == ATSPI_STATE_INVALID || atspi().state_set_contains(st, extra));
    glib().object_unref(st);
    return yes;
}

// The top-level window at a point: the active one when it covers the point.
AtspiAccessible* windowAt(int x, int y) {
    AtspiAccessible* desktop = atspi().get_desktop(0);
    if (!desktop) return nullptr;
    AtspiAccessible* found = nullptr;
    for (AtspiStateType pass : {ATSPI_STATE_ACTIVE, ATSPI_STATE_INVALID}) {
        int apps = atspi().accessible_get_child_count(desktop, nullptr);
        for (int a = 0; a < apps && !found; ++a) {
            AtspiAccessible* app = atspi().accessible_get_child_at_index(desktop, a, nullptr);
            if (!app) continue;
            int wins = atspi().accessible_get_child_count(app, nullptr);
            for (int w = 0; w < wins && !found; ++w) {
                AtspiAccessible* win = atspi().accessible_get_child_at_index(app, w, nullptr);
                if (!win) continue;
                if (isShowing(win, pass) && containsPoint(win, x, y)) found = win;
                else glib().object_unref(win);
            }
            glib().object_unref(app);
        }
        if (found) break;
    }
    glib().object_unref(desktop);
    return found;
}

}  // namespace

bool available() { return init(); }

bool startMonitor() {
    if (!init()) return false;
    if (gAcc.listener) return true;
    gAcc.listener = atspi().event_listener_new(onEvent, nullptr, nullptr);
    // One of the two focus events only: each change must enter the ring once.
    bool ok = atspi().event_listener_register(gAcc.listener, "object:state-changed:focused", nullptr) &&
              atspi().event_listener_register(gAcc.listener, "window:activate", nullptr);
    if (!ok) stopMonitor();
    return ok;
}

void stopMonitor() {
    if (gAcc.listener) {
        atspi().event_listener_deregister(gAcc.listener, "object:state-changed:focused", nullptr);
        atspi().event_listener_deregister(gAcc.listener, "window:activate", nullptr);
        glib().object_unref(gAcc.listener);
        gAcc.listener = nullptr;
    }
    for (RingEntry& e : gAcc.ring) clearEntry(e);
    gAcc.readIndex = gAcc.writeIndex = 0;
    setLastFocused(nullptr);
}

void pump() {
    if (!gAcc.initOk) return;
    for (int i = 0; i < 1000 && glib().main_context_iteration(nullptr, FALSE); ++i) {
    }
}

Taken takeEvent(Element& out, int* kind) {
    pump();
    if (gAcc.readIndex == gAcc.writeIndex) return Taken::None;
    RingEntry& e = gAcc.ring[size_t(gAcc.readIndex)];
    gAcc.readIndex = (gAcc.readIndex + 1) % kRingSize;
    if (kind) *kind = e.kind;
    bool ok = readElement(e.object, out);
    clearEntry(e);
    return ok ? Taken::Read : Taken::Unreadable;
}

bool elementAt(int x, int y, Element& out) {
    out = Element();
    if (!init()) return false;
    AtspiAccessible* obj = windowAt(x, y);
    // Down to the deepest control: a window answers with its top filler first.
    for (int depth = 0; obj && depth < 64; ++depth) {
        AtspiAccessible* child = childAt(obj, x, y);
        if (!child || child == obj) {
            if (child) glib().object_unref(child);
            break;
        }
        glib().object_unref(obj);
        obj = child;
    }
    bool ok = readElement(obj, out);
    if (obj) glib().object_unref(obj);
    return ok;
}

std::string roleNamePt(const std::string& englishName) {
    if (!gAcc.loadedNames) loadRoleNames();
    auto it = gAcc.names.find(englishName);
    return plat::utf8ToCp1252(it != gAcc.names.end() && !it->second.empty() ? it->second : englishName);
}

}  // namespace a11y
