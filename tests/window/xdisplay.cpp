#include "xdisplay.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/xserver.h"

namespace {

// Each test program has an X server of its own: tests that run side by side on one
// display would take the keyboard focus from each other.  Without Xvfb, the display
// in DISPLAY is used.
class Xvfb : public testing::Environment {
public:
    void SetUp() override {
        if (!testsupport::haveProgram("Xvfb")) {
            const char* d = std::getenv("DISPLAY");
            ok_ = d && *d;
            return;
        }
        std::string why;
        ok_ = testsupport::startXvfb(server_, "1280x1024x24", why);
    }
    void TearDown() override { server_.stop(); }
    bool ok() const { return ok_; }

private:
    testsupport::Child server_;
    bool ok_ = false;
};

Xvfb* gXvfb = static_cast<Xvfb*>(testing::AddGlobalTestEnvironment(new Xvfb));

}  // namespace

bool haveDisplay() { return gXvfb && gXvfb->ok(); }

bool loadShot(const std::string& file, Shot& out) {
    SDL_Surface* s = SDL_LoadBMP(file.c_str());
    if (!s) return false;
    SDL_Surface* c = SDL_ConvertSurfaceFormat(s, SDL_PIXELFORMAT_RGB888, 0);
    SDL_FreeSurface(s);
    if (!c) return false;
    out.w = c->w;
    out.h = c->h;
    out.px.resize(size_t(c->w) * size_t(c->h));
    for (int y = 0; y < c->h; ++y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(c->pixels) + size_t(y) * size_t(c->pitch));
        for (int x = 0; x < c->w; ++x) out.px[size_t(y) * size_t(c->w) + size_t(x)] = row[x] & 0xffffff;
    }
    SDL_FreeSurface(c);
    return true;
}

int countInCell(const Shot& s, int cw, int ch, int col, int row, uint32_t colour) {
    int n = 0;
    for (int y = row * ch; y < (row + 1) * ch && y < s.h; ++y)
        for (int x = col * cw; x < (col + 1) * cw && x < s.w; ++x) n += s.at(x, y) == colour;
    return n;
}

bool cellAll(const Shot& s, int cw, int ch, int col, int row, uint32_t colour) {
    return countInCell(s, cw, ch, col, row, colour) == cw * ch;
}

std::string makeTempDir() {
    char tmpl[] = "/tmp/ludivar-window-XXXXXX";
    char* d = mkdtemp(tmpl);
    return d ? d : "/tmp";
}
