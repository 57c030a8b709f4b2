// The ten transition effects.  Each step copies part of the finished slide to the
// same place on the window and waits a fixed time, so an effect lasts longer on
// a larger window, as it always did.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "console/console.h"
#include "console/textwin.h"
#include "platform/image.h"
#include "player/slide.h"
#include "util/text.h"

namespace player {

namespace {

// Copies the rectangle of the image onto the same rectangle of the window, clipped.
void copyRect(SlideView& win, const plat::Picture& img, int x, int y, int w, int h) {
    int x0 = std::max(0, x), y0 = std::max(0, y);
    int x1 = std::min({img.width, win.pic.width, x + w}), y1 = std::min({img.height, win.pic.height, y + h});
    if (x0 >= x1 || y0 >= y1) return;
    for (int yy = y0; yy < y1; ++yy)
        std::memcpy(&win.pic.rgb[(size_t(yy) * win.pic.width + x0) * 3], &img.rgb[(size_t(yy) * img.width + x0) * 3],
                    size_t(x1 - x0) * 3);
}

void stepDone(SlideView& win, int waitMs) {
    if (plat::haveFront()) plat::front().setPicture(&win.pic, win.x, win.y);
    con::delayMs(waitMs);
}

void whole(SlideView& win, const plat::Picture& img) {
    copyRect(win, img, 0, 0, img.width, img.height);
    if (plat::haveFront()) plat::front().setPicture(&win.pic, win.x, win.y);
}

// Strips from both edges meet in the middle.  The step after d is taken while d
// has not reached half the size, or while the two fronts have not met yet (an
// odd size would otherwise keep one line of the old picture).
bool morePairs(int d, int size) { return d + 4 <= size / 2 || 2 * d + 4 < size; }

std::mt19937& rng() {
    static std::mt19937 r{std::random_device{}()};
    return r;
}

}  // namespace

void Reveal(const std::string& effect, SlideView& win, const plat::Picture& image, int H, int W) {
    // The effect works on a window-sized view; what was shown there before stays
    // under the parts not yet revealed.
    if (!win.shown || win.x != 0 || win.y != 0 || win.pic.width != W || win.pic.height != H) {
        win.pic.width = W;
        win.pic.height = H;
        win.pic.rgb.assign(size_t(W) * H * 3, 0);
        win.x = win.y = 0;
    }
    win.shown = true;
    std::string e = util::upperLatin(effect);

    if (e == "ESQUERDA") {
        for (int x = 0; x < W; x += 16) {
            copyRect(win, image, x, 0, 16, H);
            stepDone(win, 10);
        }
    } else if (e == "DIREITA") {
        for (int x = W - 1;; x -= 16) {
            if (x < 0) x = 0;
            copyRect(win, image, x, 0, 16, H);
            stepDone(win, 10);
            if (x == 0) break;
        }
    } else if (e == "CIMA") {
        for (int y = 0; y < H; y += 16) {
            copyRect(win, image, 0, y, W, 16);
            stepDone(win, 10);
        }
    } else if (e == "BAIXO") {
        for (int y = H - 1;; y -= 16) {
            if (y < 0) y = 0;
            copyRect(win, image, 0, y, W, 16);
            stepDone(win, 10);
            if (y == 0) break;
        }
    } else if (e == "ESQUERDA DIREITA") {
        for (int d = 0;; d += 4) {
            copyRect(win, image, d, 0, 4, H);
            copyRect(win, image, W - d, 0, 4, H);
            stepDone(win, 5);
            if (!morePairs(d, W)) break;
        }
    } else if (e == "CIMA BAIXO") {
        for (int d = 0;; d += 4) {
            copyRect(win, image, 0, d, W, 4);
            copyRect(win, image, 0, H - d, W, 4);
            stepDone(win, 5);
            if (!morePairs(d, H)) break;
        }
    } else if (e == "QUADRADOS") {
        // The rings close in on the narrower side; its full-length strips then
        // have covered everything.
        for (int d = 0;; d += 4) {
            copyRect(win, image, d, 0, 4, H);
            copyRect(win, image, W - d, 0, 4, H);
            copyRect(win, image, 0, d, W, 4);
            copyRect(win, image, 0, H - d, W, 4);
            stepDone(win, 5);
            if (!morePairs(d, std::min(W, H))) break;
        }
    } else if (e == "CRESCER") {
        for (int d = 16; d < W / 2; d += 16) {
            int top = H / 2 - d, h = 2 * d;
            if (top <= 0) {
                top = 0;
                h = 2 * (H / 2);
            }
            plat::drawScaled(win.pic, image, W / 2 - d, top, 2 * d, h);
            stepDone(win, 10);
        }
        whole(win, image);
    } else if (e == "PREENCHER") {
        // Squares of 8 x 8 in a random order.  The narrow strips at the right and
        // bottom edges are squares too, so that nothing of the old picture is left.
        int cols = (W + 7) / 8, rows = (H + 7) / 8;
        std::vector<int> order(size_t(cols) * rows);
        for (size_t i = 0; i < order.size(); ++i) order[i] = int(i);
        for (size_t i = 0; i < order.size(); ++i) {
            std::uniform_int_distribution<size_t> pick(0, order.size() - 1);
            std::swap(order[i], order[pick(rng())]);
        }
        for (size_t i = 0; i < order.size(); ++i) {
            int c = order[i] % cols, r = order[i] / cols;
            copyRect(win, image, c * 8, r * 8, 8, 8);
            if (i % 512 == 0) stepDone(win, 5);
        }
    } else if (e == "DIAGONAL") {
        for (int d = 0; d < W; d += 32) {
            int g = int(std::lround(double(d) * H / W));
            plat::drawPicture(win.pic, image, W - d, H - g);
            stepDone(win, 5);
        }
        whole(win, image);
    } else {
        whole(win, image);
    }
    if (plat::haveFront()) plat::front().setPicture(&win.pic, win.x, win.y);
}

}  // namespace player
