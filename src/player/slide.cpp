// Composing one slide off-screen and putting it on the window.
#include "player/slide.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "console/config.h"
#include "console/console.h"
#include "console/textwin.h"
#include "game/checker.h"
#include "game/model.h"
#include "platform/files.h"
#include "platform/image.h"
#include "player/play.h"
#include "util/text.h"
#include "safety/safety.h"

namespace player {

namespace {

SlideState gSlide;

// The screen's vertical pixels per inch that font sizes in points refer to.
constexpr int kPixelsPerInch = 96;

plat::Rgb screenColour(int index) {
    const con::TextWindow& t = con::tw();
    return plat::paletteEntry(t.colourTable[size_t(index & 15)]);
}

bool isTerminal() { return plat::haveFront() && plat::front().drawsOnTerminal(); }

void present() {
    if (!plat::haveFront()) return;
    SlideView& v = gSlide.view;
    plat::front().setPicture(v.shown ? &v.pic : nullptr, v.x, v.y);
}

void dumpSlide(const plat::Picture& pic, int place, int slide) {
    if (gSlide.dumpDir.empty()) return;
    char name[64];
    std::snprintf(name, sizeof name, "/%04d-%d-%d.png", ++gSlide.dumpCount, place, slide);
    plat::writePng(gSlide.dumpDir + name, pic);
}

// The slide's text in the cells, in the place's colours.  A terminal shows only
// this (pictures are named, so whoever looks knows they are there); under a
// window's picture it is what screen review and Braille read.
void writeSlideText(int place, int slide) {
    const game::TLugar* p = game::current().place(place);
    const game::TSlide* s = p && slide >= 1 && slide <= p->slideCount ? p->slide(slide) : nullptr;
    if (p) {
        const int ink = util::trim(p->textColour).empty() ? 15 : ColourIndex(p->textColour);
        // without a colour of its own the place lies on its background picture,
        // which the cells cannot show: dark letters get a light paper instead
        const bool darkInk = ink == 0 || ink == 1 || ink == 4 || ink == 5 || ink == 6 || ink == 8;
        const int paper = util::trim(p->backgroundColour).empty() ? (darkInk ? 15 : 0) : ColourIndex(p->backgroundColour);
        con::setTextBackground(paper);
        con::setTextColor(ink);
    }
    con::clearScreen();
    if (s && !util::trim(s->picture).empty()) con::writeLn(TerminalPictureLine(*s));
    if (s)
        for (const std::string& line : s->text) con::writeLn(SubstituteAll(line));
    con::gotoXY(1, 25);
}

bool loadPictureFile(const std::string& name, plat::Picture& pic) {
    std::string n = util::trim(name);
    if (n.empty() || !safety::mayRead(n) || !plat::fileExists(n)) return false;
    return plat::loadJpeg(n, pic);
}

}  // namespace

SlideState& slideState() { return gSlide; }

void resetSlideState() { gSlide = SlideState(); }

void setSlideDumpDir(const std::string& dir) { gSlide.dumpDir = dir; }

void setSlideSize(int width, int height) {
    gSlide.width = width;
    gSlide.height = height;
}

void slideSize(int& width, int& height) {
    if (gSlide.width > 0 && gSlide.height > 0) {
        width = gSlide.width;
        height = gSlide.height;
        return;
    }
    if (plat::haveFront() && plat::front().hasWindow() && plat::windowCanvasSize(width, height))
        return;
    // Without a window: 80 x 25 cells of the configured font (13 x 28 on the usual screen).
    int cw = con::settings().fontWidth;
    int ch = con::settings().fontHeight;
    if (cw < 4 || cw > 64) cw = 13;
    if (ch < 8 || ch > 128) ch = 28;
    width = 80 * cw;
    height = 25 * ch;
}

std::string TerminalPictureLine(const game::TSlide& s) {
    // Never the file's name: "gato.jpg" would give the answer away.
    const std::string title = util::trim(SubstituteAll(s.title));
    return title.empty() ? std::string("[Figura]") : "[Figura: " + title + "]";
}

// The checker reads colours as the slide shows them: one table for both.
int ColourIndex(const std::string& colour) { return game::colourIndexOf(colour); }

void PlacePosition(const std::string& name, int W, int H, int w, int h, int& left, int& top) {
    std::string n = util::upperLatin(name);
    if (n.find("ESQUERDA") != std::string::npos) left = 30;
    else if (n.find("DIREITA") != std::string::npos) left = W - w - 30;
    else left = (W - w) / 2;
    if (n.find("CIMA") != std::string::npos) top = 30;
    else if (n.find("BAIXO") != std::string::npos) top = H - h - 30;
    else top = (H - h) / 2;
}

bool ComposeSlide(int place, int slide, plat::Picture& out) {
    int W, H;
    slideSize(W, H);
    out.width = W;
    out.height = H;
    out.rgb.assign(size_t(W) * H * 3, 0);
    game::TJogo& g = game::current();
    const game::TLugar* p = g.place(place);
    if (!p) return false;

    bool hasBackground = !util::trim(p->backgroundColour).empty();
    int background = hasBackground ? ColourIndex(p->backgroundColour) : 0;
    plat::fillRect(out, 0, 0, W, H, screenColour(background));

    std::string backPicture = g.backgroundPicture;
    if (!util::trim(p->backgroundPicture).empty()) backPicture = SubstituteFirst(p->backgroundPicture);
    plat::Picture pic;
    if (loadPictureFile(backPicture, pic)) plat::drawScaled(out, pic, 0, 0, W, H);

    const game::TSlide* s = slide >= 1 && slide <= p->slideCount ? p->slide(slide) : nullptr;
    if (s && loadPictureFile(s->picture, pic)) {
        int x, y;
        PlacePosition(s->picturePosition.empty() ? "direita" : s->picturePosition, W, H, pic.width, pic.height, x, y);
        plat::drawPicture(out, pic, x, y);
    }

    game::TFonteLetras& font = g.font;
    int lineHeight = int(std::lround(double(font.size) * kPixelsPerInch / 72.0));
    if (lineHeight < 1) lineHeight = 1;
    int handle = plat::fontOpen(font.face, lineHeight, font.bold);
    font.handle = uintptr_t(handle);
    font.lineHeight = lineHeight;
    font.halfLineHeight = lineHeight / 2;

    if (s && !s->text.empty()) {
        int lines = int(s->text.size());
        int trailing = 0;
        for (int i = lines - 1; i >= 0 && s->text[size_t(i)].empty(); --i) ++trailing;
        int blockH = (lines - trailing) * lineHeight;
        int blockW = 0;
        for (const std::string& line : s->text) blockW = std::max(blockW, plat::textWidth(handle, line));
        std::string position = s->textPosition;
        if (position.empty()) position = s->picture.empty() ? "centro" : "esquerda";
        int x, y;
        PlacePosition(position, W, H, blockW, blockH, x, y);
        plat::Rgb ink = screenColour(util::trim(p->textColour).empty() ? 15 : ColourIndex(p->textColour));
        plat::Rgb paper = screenColour(background);
        for (int i = 0; i < lines; ++i)
            plat::drawText(out, handle, x, y + i * lineHeight, SubstituteAll(s->text[size_t(i)]), ink,
                           hasBackground ? &paper : nullptr);
    }
    plat::fontClose(handle);
    font.handle = 0;
    return true;
}

void DrawSlide(int place, int slide, const std::string& effect) {
    con::gotoXY(1, 25);
    uint8_t attr = con::textAttr();
    plat::Picture image;
    ComposeSlide(place, slide, image);
    dumpSlide(image, place, slide);
    if (isTerminal()) {
        // The editors' preview sits on their own screen, which a terminal
        // cannot overlay: only a slide being played takes the screen.
        if (effect != "minitela") writeSlideText(place, slide);
    } else if (effect.empty()) {
        gSlide.view.pic = image;
        gSlide.view.x = gSlide.view.y = 0;
        gSlide.view.shown = true;
        present();
    } else if (effect == "minitela") {
        // The editors' preview: half size, its corner a little above and left of the middle.
        int W = image.width, H = image.height;
        plat::Picture half;
        half.width = W / 2;
        half.height = H / 2;
        half.rgb.assign(size_t(half.width) * half.height * 3, 0);
        plat::drawScaled(half, image, 0, 0, half.width, half.height);
        gSlide.view.pic = std::move(half);
        gSlide.view.x = W / 2 - 20;
        gSlide.view.y = H / 2 - 20;
        gSlide.view.shown = true;
        present();
    } else {
        Reveal(effect, gSlide.view, image, image.height, image.width);
    }
    // written once the picture covers the window, so the text never shows through
    if (!isTerminal() && effect != "minitela" && plat::haveFront() && plat::front().hasWindow())
        writeSlideText(place, slide);
    gSlide.lastSlide = std::move(image);
    con::setTextAttr(attr);
}

void ClearSlide() {
    gSlide.view = SlideView();
    if (!plat::haveFront()) return;
    con::TextWindow& t = con::tw();
    plat::front().setPicture(t.pictureShown ? &t.picture : nullptr, t.pictureX, t.pictureY);
    con::repaintAll();
}

void UncoverBottomRow(bool uncover) {
    SlideView& v = gSlide.view;
    if (!v.shown || !plat::haveFront()) return;
    if (!uncover) {
        present();
        return;
    }
    // The cells of row 25 start at 24/25 of the window's height.
    plat::Picture& cropped = gSlide.cropped;
    int W, H;
    slideSize(W, H);
    int keep = std::min(v.pic.height, H * 24 / 25 - v.y);
    if (keep <= 0) {
        plat::front().setPicture(nullptr, 0, 0);
        return;
    }
    cropped.width = v.pic.width;
    cropped.height = keep;
    cropped.rgb.assign(v.pic.rgb.begin(), v.pic.rgb.begin() + ptrdiff_t(size_t(keep) * v.pic.width * 3));
    plat::front().setPicture(&cropped, v.x, v.y);
}

}  // namespace player
