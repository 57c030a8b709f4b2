// The program's window on screens of common sizes, each an X server of its own with a
// window manager: frame and all, the window lies on the screen, and all 80 x 25 cells
// show whole, at the largest cell that fits, centred; made smaller, it shows them all
// again at a smaller cell.
#include "ludivar_paths.h"
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "support/child.h"
#include "support/headless.h"
#include "support/require.h"
#include "support/wait.h"
#include "support/xserver.h"
#include "xdisplay.h"

namespace {

std::string program() {
    const char* bin = std::getenv("LUDIVAR_BIN");
    return bin && *bin ? bin : LUDIVAR_BIN;
}

// The client area in screen pixels and the frame around it, as the X server has them.
struct Geometry {
    int x = 0, y = 0, w = 0, h = 0;
    int left = 0, right = 0, top = 0, bottom = 0;
};

int fieldAfter(const std::string& text, const std::string& label) {
    const size_t at = text.find(label);
    return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + label.size());
}

bool readGeometry(const std::string& id, Geometry& g) {
    const std::string info = testsupport::runCommand("xwininfo -id " + id);
    g.x = fieldAfter(info, "Absolute upper-left X:");
    g.y = fieldAfter(info, "Absolute upper-left Y:");
    g.w = fieldAfter(info, "Width:");
    g.h = fieldAfter(info, "Height:");
    const std::string frame = testsupport::runCommand("xprop -id " + id + " _NET_FRAME_EXTENTS");
    const size_t eq = frame.find('=');
    if (eq == std::string::npos || g.w <= 0 || g.h <= 0) return false;
    std::string nums = frame.substr(eq + 1);
    for (char& c : nums)
        if (c == ',') c = ' ';
    std::istringstream in(nums);
    return bool(in >> g.left >> g.right >> g.top >> g.bottom);
}

// The greeting's blue band (53 cells of row 1; the next rows are black) gives where
// the cells begin and a cell's size.
bool findGrid(const Shot& s, int& x0, int& y0, int& cw, int& ch) {
    const uint32_t blue = rgb(0, 0, 255);
    int minX = s.w, maxX = -1, top = -1, bottom = -1;
    for (int y = 0; y < s.h; ++y) {
        bool any = false;
        for (int x = 0; x < s.w; ++x)
            if (s.at(x, y) == blue) {
                any = true;
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
            }
        if (any && top < 0) top = y;
        if (any) bottom = y;
        if (!any && top >= 0) break;
    }
    if (top < 0 || (maxX - minX + 1) % 53 != 0) return false;
    x0 = minX;
    y0 = top;
    cw = (maxX - minX + 1) / 53;
    ch = bottom - top + 1;
    return true;
}

bool fileExists(const std::string& f) {
    struct stat st;
    return stat(f.c_str(), &st) == 0;
}

// Xvfb and openbox for one case; the DISPLAY of the other tests comes back afterwards.
struct OwnScreen {
    testsupport::Child server, wm;
    std::string saved, why;
    bool ok = false;
    explicit OwnScreen(const std::string& size) {
        if (const char* d = std::getenv("DISPLAY")) saved = d;
        ok = testsupport::startXvfb(server, size + "x24", why) && testsupport::startWindowManager(wm, why);
    }
    ~OwnScreen() {
        wm.stop();
        server.stop();
        if (saved.empty()) unsetenv("DISPLAY");
        else setenv("DISPLAY", saved.c_str(), 1);
    }
};

// What a screenshot shows of the grid in a client area of w x h.
std::string checkGrid(const Shot& s, int w, int h, int& cw, int& ch) {
    int x0 = 0, y0 = 0;
    if (s.w != w || s.h != h) return "screenshot " + std::to_string(s.w) + "x" + std::to_string(s.h);
    if (!findGrid(s, x0, y0, cw, ch)) return "no greeting row in the screenshot";
    std::ostringstream why;
    if (x0 + 80 * cw > w || y0 + 25 * ch > h) why << "cells cut: " << cw << "x" << ch << " at " << x0 << "," << y0 << "; ";
    if (std::abs(x0 - (w - 80 * cw) / 2) > 1 || std::abs(y0 - (h - 25 * ch) / 2) > 1)
        why << "not centred: " << x0 << "," << y0 << " in " << w << "x" << h << "; ";
    if (80 * (cw + 1) <= w && 25 * (ch + 1) <= h) why << "a larger cell fits: " << cw << "x" << ch << "; ";
    return why.str();
}

}  // namespace

TEST(WindowFit, AllCellsOnScreensOfCommonSizesAndAfterAResize) {
    LUDIVAR_REQUIRE(testsupport::haveProgram("Xvfb"), "Xvfb is not installed");
    LUDIVAR_REQUIRE(testsupport::haveProgram("openbox"), "openbox is not installed");
    LUDIVAR_REQUIRE(testsupport::haveProgram("xdotool") && testsupport::haveProgram("xwininfo") &&
                        testsupport::haveProgram("xprop"),
                    "xdotool, xwininfo or xprop is not installed");
    struct Case {
        int w, h;
    };
    for (const Case& c : {Case{800, 600}, Case{1024, 600}, Case{1024, 768}, Case{1920, 1080}}) {
        const std::string name = std::to_string(c.w) + "x" + std::to_string(c.h);
        OwnScreen screen(name);
        ASSERT_TRUE(screen.ok) << name << ": " << screen.why;
        const std::string dir = makeTempDir(), shot = dir + "/shot.bmp", err = dir + "/err.txt";
        testsupport::Child child;
        testsupport::SpawnOptions o;
        o.errFile = err;
        o.env = {"ECOLAR_CONFIG_DIR=" + dir + "/config", "LUDIVAR_SCREENSHOT=" + shot, "SDL_AUDIODRIVER=dummy"};
        ASSERT_TRUE(testsupport::spawn(child, {program(), "--window"}, o));
        bool ended = false;
        testsupport::waitUntil([&] { return fileExists(shot) || (ended = !child.running()); }, 60000, 20);
        ASSERT_FALSE(ended) << name << ": the program ended: " << readText(err);
        std::string id = testsupport::runCommand("xdotool search --pid " + std::to_string(child.pid));
        id = id.substr(0, id.find_first_of("\r\n"));
        ASSERT_FALSE(id.empty()) << name;

        Geometry g;
        // the frame's extents come with the manager's frame, maybe a moment after the window
        ASSERT_TRUE(testsupport::waitUntil([&] { return readGeometry(id, g); }, 20000, 20)) << name;
        // Under load the manager may frame and place the window after its first drawing: the
        // shot and the geometry are compared once both have settled, as after the resize below.
        int cw = 0, ch = 0;
        std::string problem = "no shot";
        testsupport::waitUntil([&] {
            Shot s;
            if (!readGeometry(id, g) || !loadShot(shot, s)) return false;
            problem = checkGrid(s, g.w, g.h, cw, ch);
            return problem.empty();
        }, 30000, 20);
        EXPECT_EQ(problem, "") << name;
        EXPECT_GE(g.x - g.left, 0) << name;
        EXPECT_GE(g.y - g.top, 0) << name;
        EXPECT_LE(g.x + g.w + g.right, c.w) << name << ": the right edge is off the screen";
        EXPECT_LE(g.y + g.h + g.bottom, c.h) << name << ": the bottom edge is off the screen";
        // the largest cell within the screen less the frame (Xvfb has no panels)
        EXPECT_TRUE(80 * (cw + 1) > c.w - g.left - g.right || 25 * (ch + 1) > c.h - g.top - g.bottom)
            << name << ": " << cw << "x" << ch << " is not the largest cell that fits";

        // Made smaller by the user: every cell again, smaller, centred (the shot is taken
        // once the program has drawn the new size and waits again).
        const int nw = g.w * 2 / 3, nh = g.h / 2;
        std::remove(shot.c_str());
        ASSERT_EQ(std::system(("xdotool windowsize --sync " + id + " " + std::to_string(nw) + " " +
                               std::to_string(nh) + " >/dev/null 2>&1").c_str()),
                  0);
        Geometry after;
        int cw2 = 0, ch2 = 0;
        const bool refitted = testsupport::waitUntil([&] {
            Shot t;
            if (!readGeometry(id, after) || !fileExists(shot) || !loadShot(shot, t)) return false;
            problem = checkGrid(t, after.w, after.h, cw2, ch2);
            return problem.empty();
        }, 30000, 20);
        EXPECT_TRUE(refitted) << name << " made " << after.w << "x" << after.h << ": " << problem;
        EXPECT_LT(ch2, ch) << name;
        child.stop();
        std::string cmd = "rm -rf '" + dir + "'";
        if (std::system(cmd.c_str())) {
        }
    }
}
