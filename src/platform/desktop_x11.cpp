// The desktop through X11: XTest for keys and the pointer, the window manager's
// EWMH properties for windows, and the CLIPBOARD selection.
#include "platform/desktop.h"
// Before the X headers, whose macros (None, Success) would clash with its names.
#include "platform/platform.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace desk {

namespace {

struct Keymap {
    int minCode = 0, maxCode = 0, perCode = 0;
    std::vector<KeySym> syms;
};

struct Desk {
    Display* dpy = nullptr;
    bool tried = false;
    bool xtest = false;
    Window helper = 0;  // receives selection transfers
    Keymap keymap;
    unsigned altGrCode = 0, shiftCode = 0;
};
Desk gDesk;

// The clipboard's owner runs on its own connection, so that other programs can
// paste while the program's one thread is busy elsewhere.
struct ClipServer {
    std::mutex lock;
    std::condition_variable changed;
    std::thread thread;
    Display* dpy = nullptr;
    Window win = 0;
    int wake[2] = {-1, -1};
    std::string text;      // UTF-8, what we serve
    uint64_t wanted = 0;   // requests to take the selection
    uint64_t done = 0;     // requests answered
    bool owned = false;
    bool started = false, failed = false;
};
ClipServer gClip;

XErrorHandler gPrevHandler = nullptr;
int onXError(Display* d, XErrorEvent* e) {
    // A window that went away between listing and acting is not worth a crash.
    if (d == gDesk.dpy || d == gClip.dpy) return 0;
    return gPrevHandler ? gPrevHandler(d, e) : 0;
}

Display* display() {
    if (!gDesk.tried) {
        gDesk.tried = true;
        XInitThreads();
        gDesk.dpy = XOpenDisplay(nullptr);
        if (gDesk.dpy) {
            gPrevHandler = XSetErrorHandler(onXError);
            int ev, err, major, minor;
            gDesk.xtest = XTestQueryExtension(gDesk.dpy, &ev, &err, &major, &minor);
            gDesk.helper = XCreateSimpleWindow(gDesk.dpy, DefaultRootWindow(gDesk.dpy), 0, 0, 1, 1, 0, 0, 0);
        }
    }
    return gDesk.dpy;
}

Atom atom(Display* d, const char* name) { return XInternAtom(d, name, False); }

// One property as bytes (format 8) or as longs (format 32).
bool getProperty(Display* d, Window w, Atom prop, Atom type, std::vector<unsigned char>& bytes, int& format,
                 unsigned long& items) {
    Atom actual;
    unsigned long after;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, prop, 0, 1 << 16, False, type, &actual, &format, &items, &after, &data) != Success)
        return false;
    if (!data || actual == None) {
        if (data) XFree(data);
        return false;
    }
    size_t unit = format == 32 ? sizeof(long) : size_t(format / 8);
    bytes.assign(data, data + items * unit);
    XFree(data);
    return true;
}

std::vector<unsigned long> getLongs(Display* d, Window w, const char* name, Atom type) {
    std::vector<unsigned char> bytes;
    int format = 0;
    unsigned long items = 0;
    std::vector<unsigned long> out;
    if (!getProperty(d, w, atom(d, name), type, bytes, format, items) || format != 32 || items == 0) return out;
    out.resize(items);
    std::memcpy(out.data(), bytes.data(), items * sizeof(long));
    return out;
}

std::string windowTitle(Display* d, Window w) {
    std::vector<unsigned char> bytes;
    int format = 0;
    unsigned long items = 0;
    if (getProperty(d, w, atom(d, "_NET_WM_NAME"), atom(d, "UTF8_STRING"), bytes, format, items) && format == 8)
        return plat::utf8ToCp1252(std::string(bytes.begin(), bytes.end()));
    // Old clients name their windows in Latin-1, which is what CP1252 extends.
    if (getProperty(d, w, XA_WM_NAME, XA_STRING, bytes, format, items) && format == 8)
        return std::string(bytes.begin(), bytes.end());
    return std::string();
}

bool hasState(Display* d, Window w, const char* state) {
    Atom want = atom(d, state);
    for (unsigned long a : getLongs(d, w, "_NET_WM_STATE", XA_ATOM))
        if (a == want) return true;
    return false;
}

void describe(Display* d, Window w, WindowInfo& out) {
    out = WindowInfo();
    out.id = w;
    out.title = windowTitle(d, w);
    XWindowAttributes wa;
    if (XGetWindowAttributes(d, w, &wa)) {
        out.visible = wa.map_state == IsViewable;
        Window child;
        int x = 0, y = 0;
        XTranslateCoordinates(d, w, DefaultRootWindow(d), 0, 0, &x, &y, &child);
        std::vector<unsigned long> ext = getLongs(d, w, "_NET_FRAME_EXTENTS", XA_CARDINAL);
        long left = ext.size() == 4 ? long(ext[0]) : 0, top = ext.size() == 4 ? long(ext[2]) : 0;
        out.frameLeft = x - int(left);
        out.frameTop = y - int(top);
        out.borderLeft = int(left);
    }
    out.minimized = hasState(d, w, "_NET_WM_STATE_HIDDEN");
    std::vector<unsigned long> wmState = getLongs(d, w, "WM_STATE", atom(d, "WM_STATE"));
    if (!wmState.empty() && wmState[0] == IconicState) out.minimized = true;
}

// A message to the window manager about one of its windows.
void sendToManager(Display* d, Window w, const char* type, long a0, long a1 = 0, long a2 = 0) {
    XEvent ev;
    std::memset(&ev, 0, sizeof ev);
    ev.xclient.type = ClientMessage;
    ev.xclient.window = w;
    ev.xclient.message_type = atom(d, type);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = a0;
    ev.xclient.data.l[1] = a1;
    ev.xclient.data.l[2] = a2;
    ev.xclient.data.l[3] = 2;  // source: a tool acting for the user
    XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
}

// --- the clipboard's owner ----------------------------------------------------

void answerRequest(ClipServer& c, const XSelectionRequestEvent& rq) {
    Display* d = c.dpy;
    XSelectionEvent reply;
    std::memset(&reply, 0, sizeof reply);
    reply.type = SelectionNotify;
    reply.requestor = rq.requestor;
    reply.selection = rq.selection;
    reply.target = rq.target;
    reply.time = rq.time;
    reply.property = None;
    Atom prop = rq.property == None ? rq.target : rq.property;
    Atom utf8 = atom(d, "UTF8_STRING"), targets = atom(d, "TARGETS"), text = atom(d, "TEXT");
    std::string value;
    {
        std::lock_guard<std::mutex> g(c.lock);
        value = c.text;
    }
    if (rq.target == targets) {
        Atom list[] = {targets, utf8, XA_STRING, text};
        XChangeProperty(d, rq.requestor, prop, XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*>(list), 4);
        reply.property = prop;
    } else if (rq.target == utf8 || rq.target == text) {
        XChangeProperty(d, rq.requestor, prop, utf8, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(value.data()), int(value.size()));
        reply.property = prop;
    } else if (rq.target == XA_STRING) {
        std::string latin = plat::utf8ToCp1252(value);
        XChangeProperty(d, rq.requestor, prop, XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(latin.data()), int(latin.size()));
        reply.property = prop;
    }
    XSendEvent(d, rq.requestor, False, 0, reinterpret_cast<XEvent*>(&reply));
    XFlush(d);
}

void serveClipboard() {
    ClipServer& c = gClip;
    Display* d = c.dpy;
    Atom clipboard = atom(d, "CLIPBOARD");
    for (;;) {
        uint64_t wanted;
        {
            std::lock_guard<std::mutex> g(c.lock);
            wanted = c.wanted;
        }
        if (wanted != c.done) {
            XSetSelectionOwner(d, clipboard, c.win, CurrentTime);
            bool ok = XGetSelectionOwner(d, clipboard) == c.win;
            std::lock_guard<std::mutex> g(c.lock);
            c.owned = ok;
            c.done = wanted;
            c.changed.notify_all();
        }
        while (XPending(d)) {
            XEvent ev;
            XNextEvent(d, &ev);
            if (ev.type == SelectionRequest) {
                answerRequest(c, ev.xselectionrequest);
            } else if (ev.type == SelectionClear) {
                std::lock_guard<std::mutex> g(c.lock);
                c.owned = false;
            }
        }
        pollfd fds[2] = {{ConnectionNumber(d), POLLIN, 0}, {c.wake[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents & POLLIN) {
            char b[16];
            if (::read(c.wake[0], b, sizeof b) <= 0) return;
        }
        if (fds[0].revents & (POLLHUP | POLLERR)) {
            std::lock_guard<std::mutex> g(c.lock);
            c.failed = true;
            c.owned = false;
            c.changed.notify_all();
            return;
        }
    }
}

bool startClipServer() {
    ClipServer& c = gClip;
    if (c.started) return !c.failed;
    c.started = true;
    display();  // error handler and thread support first
    c.dpy = XOpenDisplay(nullptr);
    if (!c.dpy || ::pipe(c.wake) != 0) {
        c.failed = true;
        return false;
    }
    c.win = XCreateSimpleWindow(c.dpy, DefaultRootWindow(c.dpy), 0, 0, 1, 1, 0, 0, 0);
    XFlush(c.dpy);
    c.thread = std::thread(serveClipboard);
    // The thread serves for as long as the program lives.
    c.thread.detach();
    return true;
}

// Waits (in real time) for the selection's answer on the helper window.
bool waitSelection(Display* d, Window w, XEvent& out) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (;;) {
        while (XPending(d)) {
            XNextEvent(d, &out);
            if (out.type == SelectionNotify && out.xselection.requestor == w) return true;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p = {ConnectionNumber(d), POLLIN, 0};
        ::poll(&p, 1, int(left.count()));
    }
}

}  // namespace

bool available() { return display() != nullptr; }

// --- keyboard ---------------------------------------------------------------------

bool loadKeymap() {
    Display* d = display();
    if (!d || !gDesk.xtest) return false;
    Keymap& k = gDesk.keymap;
    XDisplayKeycodes(d, &k.minCode, &k.maxCode);
    KeySym* syms = XGetKeyboardMapping(d, KeyCode(k.minCode), k.maxCode - k.minCode + 1, &k.perCode);
    if (!syms) return false;
    k.syms.assign(syms, syms + size_t(k.maxCode - k.minCode + 1) * size_t(k.perCode));
    XFree(syms);
    gDesk.altGrCode = XKeysymToKeycode(d, 0xfe03);  // ISO_Level3_Shift
    gDesk.shiftCode = XKeysymToKeycode(d, XK_Shift_L);
    return true;
}

bool findKey(uint32_t keysym, KeyPlan& out) {
    Keymap& k = gDesk.keymap;
    if (k.syms.empty() && !loadKeymap()) return false;
    // Levels of the first group in the core map: plain, Shift, and (with an
    // AltGr key) the third and fourth at columns 4 and 5.
    static const struct { int column; bool shift, altGr; } kLevels[] = {
        {0, false, false}, {1, true, false}, {4, false, true}, {5, true, true}};
    for (const auto& lv : kLevels) {
        if (lv.column >= k.perCode || (lv.altGr && gDesk.altGrCode == 0)) continue;
        for (int code = k.minCode; code <= k.maxCode; ++code) {
            if (k.syms[size_t(code - k.minCode) * size_t(k.perCode) + size_t(lv.column)] == keysym) {
                out.keycode = unsigned(code);
                out.shift = lv.shift;
                out.altGr = lv.altGr;
                return true;
            }
        }
    }
    return false;
}

void sendKey(const KeyPlan& key, bool down) {
    Display* d = display();
    if (!d || !gDesk.xtest || key.keycode == 0) return;
    if (down) {
        if (key.shift && gDesk.shiftCode) XTestFakeKeyEvent(d, gDesk.shiftCode, True, CurrentTime);
        if (key.altGr) XTestFakeKeyEvent(d, gDesk.altGrCode, True, CurrentTime);
        XTestFakeKeyEvent(d, key.keycode, True, CurrentTime);
    } else {
        XTestFakeKeyEvent(d, key.keycode, False, CurrentTime);
        if (key.altGr) XTestFakeKeyEvent(d, gDesk.altGrCode, False, CurrentTime);
        if (key.shift && gDesk.shiftCode) XTestFakeKeyEvent(d, gDesk.shiftCode, False, CurrentTime);
    }
    XFlush(d);
}

void sync() {
    if (Display* d = display()) XSync(d, False);
}

// --- pointer --------------------------------------------------------------------------

bool movePointer(int x, int y) {
    Display* d = display();
    if (!d || !gDesk.xtest) return false;
    XTestFakeMotionEvent(d, DefaultScreen(d), x, y, CurrentTime);
    XSync(d, False);
    // A window manager that holds the pointer for a moment (a click-to-focus
    // grab) delays the move: the next command must find the pointer there.
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    int px, py;
    while (pointerPosition(px, py) && (px != x || py != y) && std::chrono::steady_clock::now() < end)
        ::poll(nullptr, 0, 2);
    return true;
}

void sendButton(bool down) {
    Display* d = display();
    if (!d || !gDesk.xtest) return;
    XTestFakeButtonEvent(d, 1, down ? True : False, CurrentTime);
    XSync(d, False);
}

bool pointerPosition(int& x, int& y) {
    Display* d = display();
    if (!d) return false;
    Window root, child;
    int wx, wy;
    unsigned mask;
    return XQueryPointer(d, DefaultRootWindow(d), &root, &child, &x, &y, &wx, &wy, &mask);
}

// --- windows ----------------------------------------------------------------------------

bool activeWindow(WindowInfo& out) {
    Display* d = display();
    if (!d) return false;
    std::vector<unsigned long> w = getLongs(d, DefaultRootWindow(d), "_NET_ACTIVE_WINDOW", XA_WINDOW);
    if (w.empty() || w[0] == 0) return false;
    describe(d, Window(w[0]), out);
    return true;
}

std::vector<WindowInfo> topLevelWindows() {
    std::vector<WindowInfo> out;
    Display* d = display();
    if (!d) return out;
    std::vector<unsigned long> ids = getLongs(d, DefaultRootWindow(d), "_NET_CLIENT_LIST_STACKING", XA_WINDOW);
    if (ids.empty()) ids = getLongs(d, DefaultRootWindow(d), "_NET_CLIENT_LIST", XA_WINDOW);
    // The stacking list runs from the bottom up; the walk goes from the top.
    for (auto it = ids.rbegin(); it != ids.rend(); ++it) {
        WindowInfo info;
        describe(d, Window(*it), info);
        out.push_back(std::move(info));
    }
    return out;
}

bool windowAction(unsigned long id, WindowAction action) {
    Display* d = display();
    if (!d) return false;
    Window w = Window(id);
    const long remove = 0, add = 1;
    Atom maxV = atom(d, "_NET_WM_STATE_MAXIMIZED_VERT"), maxH = atom(d, "_NET_WM_STATE_MAXIMIZED_HORZ");
    switch (action) {
        case WindowAction::Close:
            sendToManager(d, w, "_NET_CLOSE_WINDOW", CurrentTime);
            break;
        case WindowAction::Normal:
            sendToManager(d, w, "_NET_WM_STATE", remove, long(maxV), long(maxH));
            sendToManager(d, w, "_NET_ACTIVE_WINDOW", 2, CurrentTime);
            break;
        case WindowAction::Maximize:
            sendToManager(d, w, "_NET_WM_STATE", add, long(maxV), long(maxH));
            sendToManager(d, w, "_NET_ACTIVE_WINDOW", 2, CurrentTime);
            break;
        case WindowAction::Minimize:
            XIconifyWindow(d, w, DefaultScreen(d));
            break;
    }
    XSync(d, False);
    return true;
}

// --- clipboard ------------------------------------------------------------------------------

bool clipboardSet(const std::string& text) {
    if (!display() || !startClipServer()) return false;
    ClipServer& c = gClip;
    std::unique_lock<std::mutex> g(c.lock);
    c.text = plat::cp1252ToUtf8(text);
    uint64_t ticket = ++c.wanted;
    if (::write(c.wake[1], "w", 1) != 1) return false;
    c.changed.wait_for(g, std::chrono::seconds(2), [&] { return c.done >= ticket || c.failed; });
    return c.done >= ticket && c.owned;
}

bool clipboardOwnedHere() {
    Display* d = display();
    if (!d || !gClip.started || gClip.failed) return false;
    return XGetSelectionOwner(d, atom(d, "CLIPBOARD")) == gClip.win;
}

bool clipboardGet(std::string& text) {
    text.clear();
    Display* d = display();
    if (!d) return false;
    Atom clipboard = atom(d, "CLIPBOARD");
    if (XGetSelectionOwner(d, clipboard) == None) return true;
    Atom prop = atom(d, "LUDIVAR_CLIP");
    for (Atom target : {atom(d, "UTF8_STRING"), XA_STRING}) {
        XDeleteProperty(d, gDesk.helper, prop);
        XConvertSelection(d, clipboard, target, prop, gDesk.helper, CurrentTime);
        XFlush(d);
        XEvent ev;
        if (!waitSelection(d, gDesk.helper, ev)) return false;
        if (ev.xselection.property == None) continue;
        std::vector<unsigned char> bytes;
        int format = 0;
        unsigned long items = 0;
        Atom type = target;
        bool got = getProperty(d, gDesk.helper, prop, AnyPropertyType, bytes, format, items);
        XDeleteProperty(d, gDesk.helper, prop);
        // A transfer in pieces (INCR) is for texts far longer than any we keep.
        if (!got || format != 8) continue;
        std::string raw(bytes.begin(), bytes.end());
        text = type == XA_STRING ? raw : plat::utf8ToCp1252(raw);
        return true;
    }
    return true;
}

}  // namespace desk
