// The window front: an SDL2 window showing the 80 x 25 cells in a TrueType monospace
// font.  Cells are painted into a canvas surface of the full grid (runs of equal
// attribute, glyphs from a cache made when the font is opened), the picture goes
// over the text, and the canvas is copied to the window with the caret on top.
// Keys go to the registered key sink as KeyEvents; the close box ends the program
// through the quit hook.
#include "platform/a11y_window.h"
#include "platform/platform.h"
#include "platform/sdl_audio.h"
#include "platform/ttykeys.h"
#include "util/log.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>
// Xlib's macros collide with our names (KeyId::None)
#undef None
#undef Status
#undef Bool

#include <algorithm>
#include <array>
#include <atomic>
#include <bitset>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace plat {

namespace {

// ---- fonts ------------------------------------------------------------------------

struct FontFile {
    std::string path;
    int weight = FC_WEIGHT_REGULAR;
};

bool sameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(uint8_t(a[i])) != std::tolower(uint8_t(b[i]))) return false;
    return true;
}

// The file fontconfig gives for `family` at `weight` (1-1000, as Windows counts),
// only when the match really is that family ("monospace" takes whatever it is).
bool matchFont(const std::string& family, int weight, FontFile& out) {
    FcPattern* pat = FcPatternCreate();
    if (!pat) return false;
    FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pat, FC_WEIGHT, FcWeightFromOpenType(weight));
    FcPatternAddInteger(pat, FC_SLANT, FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult result = FcResultNoMatch;
    FcPattern* m = FcFontMatch(nullptr, pat, &result);
    FcPatternDestroy(pat);
    if (!m) return false;
    bool ok = family == "monospace";
    FcChar8* fam = nullptr;
    for (int i = 0; !ok && FcPatternGetString(m, FC_FAMILY, i, &fam) == FcResultMatch; ++i)
        ok = sameName(reinterpret_cast<const char*>(fam), family);
    FcChar8* file = nullptr;
    if (ok && FcPatternGetString(m, FC_FILE, 0, &file) == FcResultMatch) {
        out.path = reinterpret_cast<const char*>(file);
        int w = FC_WEIGHT_REGULAR;
        if (FcPatternGetInteger(m, FC_WEIGHT, 0, &w) == FcResultMatch) out.weight = w;
    } else {
        ok = false;
    }
    FcPatternDestroy(m);
    return ok;
}

bool findFont(const std::string& face, int weight, FontFile& out) {
    if (!FcInit()) return false;
    // "Lucida Console" is a Windows font; these are the monospaced faces a Linux
    // desktop has instead, close to it in shape
    const std::string tries[] = {face, "DejaVu Sans Mono", "Liberation Mono", "monospace"};
    for (const std::string& f : tries)
        if (!f.empty() && matchFont(f, weight, out)) return true;
    return false;
}

// Code point drawn for a CP1252 byte; 0 for the ones that draw nothing.
uint32_t glyphCodepoint(uint8_t b) {
    if (b <= 32 || b == 0x7f) return 0;
    std::string u = cp1252ToUtf8(std::string(1, char(b)));
    uint32_t cp = 0;
    const uint8_t* p = reinterpret_cast<const uint8_t*>(u.data());
    if (u.size() == 1) cp = p[0];
    else if (u.size() == 2) cp = uint32_t(p[0] & 0x1f) << 6 | (p[1] & 0x3f);
    else if (u.size() == 3) cp = uint32_t(p[0] & 0x0f) << 12 | uint32_t(p[1] & 0x3f) << 6 | (p[2] & 0x3f);
    if (cp >= 0x80 && cp < 0xa0) return 0;  // undefined in CP1252
    return cp;
}

// ---- screenshots (tests) -------------------------------------------------------
std::atomic<bool> gShotRequested{false};
void onShotSignal(int) { gShotRequested = true; }

// ---- the front ----------------------------------------------------------------------

class WindowFront : public Front {
public:
    WindowFront() {
        if (const char* s = std::getenv("LUDIVAR_SCREENSHOT")) {
            if (*s) {
                shotPath_ = s;
                std::signal(SIGUSR1, onShotSignal);
            }
        }
    }
    ~WindowFront() override { close(); }

    const char* name() const override { return "window"; }
    bool hasWindow() const override { return true; }

    bool open(const WindowSettings& s) override {
        if (win_) return true;
        magFactor_ = s.magnifier >= 1 && s.magnifier <= 7 ? s.magnifier : 2;
        SDL_Rect usable{0, 0, 1024, 768};
        if (SDL_GetDisplayUsableBounds(0, &usable) != 0 || usable.w <= 0 || usable.h <= 0)
            usable = SDL_Rect{0, 0, 1024, 768};
        fixedCells_ = s.fontWidth > 0 || s.fontHeight > 0;
        if (!openFont(s, usable)) {
            // no font at all: the cells still show their colours
            cw_ = 8;
            ch_ = 16;
            ascent_ = 13;
        }
        int w = 80 * cw_, h = 25 * ch_;
        Uint32 flags = SDL_WINDOW_RESIZABLE | SDL_WINDOW_SHOWN;
        if (!s.normalSize) flags |= SDL_WINDOW_MAXIMIZED;
        win_ = SDL_CreateWindow(title_.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                std::min(w, usable.w), std::min(h, usable.h), flags);
        if (!win_) return false;
        // Now that the window manager framed it: the cells that fit inside the frame.
        int top = 0, left = 0, bottom = 0, right = 0;
        frameBorders(top, left, bottom, right);
        const int availW = std::max(1, usable.w - left - right), availH = std::max(1, usable.h - top - bottom);
        if (font_ && !fixedCells_) fitCells(availW, availH);
        w = 80 * cw_;
        h = 25 * ch_;
        // slides are composed at this size (the largest the window takes) and scaled to the cells shown
        designW_ = w;
        designH_ = h;
        SDL_SetWindowMinimumSize(win_, fixedCells_ ? 16 * cw_ : 80 * kMinCellW, fixedCells_ ? 4 * ch_ : 25 * kMinCellH);
        SDL_SetWindowMaximumSize(win_, w, h);
        if (s.normalSize) {
            SDL_SetWindowSize(win_, std::min(w, availW), std::min(h, availH));
            SDL_SetWindowPosition(win_, usable.x + left + std::max(0, (availW - w) / 2),
                                  usable.y + top + std::max(0, (availH - h) / 2));
        }
        canvas_ = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_RGB888);
        if (!canvas_) return false;
        SDL_FillRect(canvas_, nullptr, SDL_MapRGB(canvas_->format, 0, 0, 0));
        SDL_StartTextInput();
        if (!audio::start()) {
            addNotice(audio::noDeviceText());
            util::log("ludivar: " + cp1252ToUtf8(audio::noDeviceText()));
        }
        presentAll();
        a11y::start(title_);
        placeOnBus();
        return true;
    }

    void holdAfterEnd() override {
        if (!win_) return;
        audio::tone(0);
        // Only the close box, Alt+F4, Esc or Enter end it: keys typed ahead must not.
        // Dropped before the title changes, so a key typed once the title shows counts.
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_KEYDOWN, SDL_TEXTINPUT);
        SDL_SetWindowTitle(win_, cp1252ToUtf8(cp("Programa terminado")).c_str());
        view_.caret = false;
        presentAll();
        a11y::setTitle(cp1252ToUtf8(cp("Programa terminado")));
        SDL_Event e;
        for (;;) {
            a11y::pump();  // screen readers still read the last screen while it waits
            if (!SDL_WaitEventTimeout(&e, 50)) continue;
            if (e.type == SDL_QUIT) return;
            if (e.type == SDL_WINDOWEVENT) {
                if (e.window.event == SDL_WINDOWEVENT_CLOSE) return;
                presentAll();
            }
            if (e.type == SDL_KEYDOWN) {
                const SDL_Keycode k = e.key.keysym.sym;
                if (k == SDLK_ESCAPE || k == SDLK_RETURN || k == SDLK_KP_ENTER ||
                    (k == SDLK_F4 && (e.key.keysym.mod & KMOD_ALT)))
                    return;
            }
        }
    }

    void close() override {
        endMagnifier(false);
        dropShownPicture();
        if (pictureSurf_) SDL_FreeSurface(pictureSurf_);
        pictureSurf_ = nullptr;
        if (canvas_) SDL_FreeSurface(canvas_);
        canvas_ = nullptr;
        if (font_) TTF_CloseFont(font_);
        font_ = nullptr;
        if (win_) {
            SDL_StopTextInput();
            SDL_DestroyWindow(win_);
        }
        win_ = nullptr;
        a11y::stop();
        audio::shutdown();
        if (!videoUp_) return;
        videoUp_ = false;
        TTF_Quit();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    // ---- painting ----

    void invalidate(const ScreenView& v, int row, int col0, int col1) override {
        view_ = v;
        haveView_ = true;
        if (!canvas_ || row < 0 || row >= 25) return;
        col0 = std::max(col0, 0);
        col1 = std::min(col1, v.width);
        if (col1 <= col0) return;
        SDL_Rect r{col0 * cw_, row * ch_, (col1 - col0) * cw_, ch_};
        if (!v.textPaintingOff) paintCells(row, col0, col1);
        paintPicture(r);
        present(r);
        presentCaret();
    }

    void invalidateAll(const ScreenView& v) override {
        view_ = v;
        haveView_ = true;
        if (!canvas_) return;
        if (!v.textPaintingOff)
            for (int row = 0; row < 25 && row < v.height; ++row) paintCells(row, 0, v.width);
        paintPicture(SDL_Rect{0, 0, canvas_->w, canvas_->h});
        presentAll();
    }

    void cursorMoved(const ScreenView& v) override {
        view_ = v;
        haveView_ = true;
        presentCaret();
    }

    // ---- input ----

    void pump() override {
        if (!win_) return;
        SDL_Event e;
        while (SDL_PollEvent(&e)) handle(e);
        flushPendingKey();
        a11y::pump();
        if (gShotRequested.exchange(false)) saveScreenshot();
    }

    void waitForInput() override {
        if (!win_) return;
        if (!shotPath_.empty() && (shotDirty_ || gShotRequested.exchange(false))) saveScreenshot();
        // a short timeout: sounds finishing are noticed by polling, not by events
        SDL_WaitEventTimeout(nullptr, 20);
        pump();
    }

    uint64_t nowMs() override { return SDL_GetTicks64(); }
    void sleepMs(int ms) override {
        if (ms > 0) SDL_Delay(Uint32(ms));
    }

    void setTitle(const std::string& text) override {
        title_ = cp1252ToUtf8(text);
        if (win_) SDL_SetWindowTitle(win_, title_.c_str());
        a11y::setTitle(title_);
    }

    void systemBeep() override { audio::beep(); }

    // Transition effects call this once per step with the same window-sized
    // picture, so the surface is reused and the text under it left alone.
    void setPicture(const Picture* pic, int x, int y) override {
        const SDL_Rect old = pictureRect();
        const bool valid = pic && pic->width > 0 && pic->height > 0 &&
                           pic->rgb.size() >= size_t(pic->width) * size_t(pic->height) * 3;
        if (pictureSurf_ && (!valid || pictureSurf_->w != pic->width || pictureSurf_->h != pic->height)) {
            dropShownPicture();
            SDL_FreeSurface(pictureSurf_);
            pictureSurf_ = nullptr;
        }
        if (valid && canvas_) {
            SDL_Surface* raw = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint8_t*>(pic->rgb.data()), pic->width,
                                                                  pic->height, 24, pic->width * 3,
                                                                  SDL_PIXELFORMAT_RGB24);
            if (raw) {
                if (!pictureSurf_) pictureSurf_ = SDL_ConvertSurface(raw, canvas_->format, 0);
                else SDL_BlitSurface(raw, nullptr, pictureSurf_, nullptr);
                SDL_FreeSurface(raw);
            }
            picX_ = x;
            picY_ = y;
        }
        if (!canvas_) return;
        scalePicture();
        const SDL_Rect now = pictureRect();
        const bool moved = old.x != now.x || old.y != now.y || old.w != now.w || old.h != now.h;
        // where the old picture was and the new one is not, the text shows again
        if (moved && old.w > 0 && haveView_ && !view_.textPaintingOff) repaintRect(old);
        if (now.w > 0) {
            paintPicture(now);
            present(now);
        }
        if (moved && old.w > 0) present(old);
        presentCaret();
    }

    void setCloseAllowed(bool allowed) override { closeAllowed_ = allowed; }

    // ---- sound ----

    bool audioOpen(int rate, int bits, int channels) override { return audio::openSource(rate, bits, channels); }
    void audioQueue(const uint8_t* data, size_t len) override { audio::queue(data, len); }
    int audioPending() override { return audio::pending(); }
    void audioReset() override { audio::reset(); }
    void audioClose() override { audio::closeSource(); }
    int audioDeviceBufferFrames() override { return audio::deviceBufferFrames(); }
    void tone(int hz) override { audio::tone(hz); }

    void clipboardSet(const std::string& text) override {
        std::string u = cp1252ToUtf8(text);
        SDL_SetClipboardText(u.c_str());
    }
    std::string clipboardGet() override {
        if (!SDL_HasClipboardText()) return std::string();
        char* t = SDL_GetClipboardText();
        std::string s = t ? utf8ToCp1252(t) : std::string();
        SDL_free(t);
        return s;
    }

    void setMinimized(bool minimized) override {
        if (!win_) return;
        if (minimized) {
            endMagnifier(false);
            SDL_MinimizeWindow(win_);
        } else {
            SDL_RestoreWindow(win_);
            SDL_RaiseWindow(win_);
            presentAll();
        }
    }

    void* nativeWindowId() override {
        if (!win_) return nullptr;
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (!SDL_GetWindowWMInfo(win_, &info)) return nullptr;
#if defined(SDL_VIDEO_DRIVER_X11)
        if (info.subsystem == SDL_SYSWM_X11) return reinterpret_cast<void*>(uintptr_t(info.info.x11.window));
#endif
        return nullptr;
    }

private:
    // ---- font and glyphs ----

    bool openFont(const WindowSettings& s, const SDL_Rect& usable) {
        const int weight = s.fontWeight > 0 && s.fontWeight <= 1000 ? s.fontWeight : 400;
        FontFile ff;
        if (!findFont(cp1252ToUtf8(s.fontFace), weight, ff)) return false;
        // The original's defaults fill the work area: 13/1024 of its width per
        // column and 28/734 of its height per row.
        const bool fit = s.fontWidth <= 0 && s.fontHeight <= 0;
        int wantW = s.fontWidth > 0 ? s.fontWidth : int(usable.w * 13.0 / 1024.0 + 0.5);
        int wantH = s.fontHeight > 0 ? s.fontHeight : int(usable.h * 28.0 / 734.0 + 0.5);
        wantW = std::clamp(wantW, 4, 200);
        wantH = std::clamp(wantH, 6, 300);
        font_ = TTF_OpenFontDPI(ff.path.c_str(), wantH, 72, 72);
        if (!font_) return false;
        if (weight >= 600 && ff.weight < FC_WEIGHT_DEMIBOLD) TTF_SetFontStyle(font_, TTF_STYLE_BOLD);
        for (int round = 0; round < 4; ++round) {
            sizeFont(wantW, wantH);
            // the default size must leave the whole grid on the screen
            if (!fit || (80 * cw_ <= usable.w && 25 * ch_ <= usable.h)) break;
            wantW = std::max(4, std::min(wantW, usable.w / 80));
            wantH = std::max(6, wantH * usable.h / std::max(1, 25 * ch_));
        }
        buildGlyphs();
        return true;
    }

    // The frame the window manager puts around the window.  It is known once the
    // manager has taken the window, a moment after it is shown: waited for, briefly,
    // only when a manager runs.
    void frameBorders(int& top, int& left, int& bottom, int& right) {
        auto known = [&] {
            return SDL_GetWindowBordersSize(win_, &top, &left, &bottom, &right) == 0 && top + left + bottom + right > 0;
        };
        if (known() || !windowManagerRuns()) {
            if (top + left + bottom + right <= 0) top = left = bottom = right = 0;
            return;
        }
        for (const Uint64 until = SDL_GetTicks64() + 500; SDL_GetTicks64() < until; SDL_Delay(5)) {
            SDL_PumpEvents();
            if (known()) return;
        }
        top = left = bottom = right = 0;
    }

    bool windowManagerRuns() {
#if defined(SDL_VIDEO_DRIVER_X11)
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (!SDL_GetWindowWMInfo(win_, &info) || info.subsystem != SDL_SYSWM_X11) return false;
        Display* d = info.info.x11.display;
        const Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", 1);
        if (!check) return false;
        Atom type = 0;
        int format = 0;
        unsigned long n = 0, after = 0;
        unsigned char* data = nullptr;
        const bool has = XGetWindowProperty(d, DefaultRootWindow(d), check, 0, 1, 0, AnyPropertyType, &type, &format,
                                            &n, &after, &data) == Success && n == 1;
        if (data) XFree(data);
        return has;
#else
        return false;
#endif
    }

    // The largest whole-pixel cell whose 80 x 25 grid fits aw x ah pixels; the font is
    // made again at that size.  Letters are drawn at the cell's size, never stretched.
    void fitCells(int aw, int ah) {
        int wantW = std::clamp(aw / 80, kMinCellW, 200), wantH = std::clamp(ah / 25, kMinCellH, 300);
        for (;;) {
            sizeFont(wantW, wantH);
            const bool wide = 80 * cw_ > aw, tall = 25 * ch_ > ah;
            const bool canNarrow = wide && wantW > kMinCellW, canLower = tall && wantH > kMinCellH;
            if (!canNarrow && !canLower) break;  // fits, or is as small as letters go
            if (canNarrow) --wantW;
            if (canLower) --wantH;
        }
        buildGlyphs();
    }

    // A resized window shows all the cells again, larger or smaller: the font, the
    // canvas and the picture follow the window, and the margin left over is centred.
    void refit() {
        if (!win_ || !canvas_ || !font_ || fixedCells_) return;
        int w = 0, h = 0;
        SDL_GetWindowSize(win_, &w, &h);
        if (w <= 0 || h <= 0) return;
        const int oldW = cw_, oldH = ch_;
        fitCells(w, h);
        if (cw_ == oldW && ch_ == oldH) return;
        SDL_Surface* c = SDL_CreateRGBSurfaceWithFormat(0, 80 * cw_, 25 * ch_, 32, SDL_PIXELFORMAT_RGB888);
        if (!c) {
            sizeFont(oldW, oldH);
            buildGlyphs();
            return;
        }
        SDL_FreeSurface(canvas_);
        canvas_ = c;
        SDL_FillRect(canvas_, nullptr, SDL_MapRGB(canvas_->format, 0, 0, 0));
        scalePicture();
        if (haveView_ && !view_.textPaintingOff)
            for (int row = 0; row < 25 && row < view_.height; ++row) paintCells(row, 0, view_.width);
        paintPicture(SDL_Rect{0, 0, canvas_->w, canvas_->h});
    }

    // The picture as the canvas shows it: slides are composed for the largest canvas,
    // so a smaller one shows them scaled down with their place.
    void scalePicture() {
        if (shownPic_ && shownPic_ != pictureSurf_) SDL_FreeSurface(shownPic_);
        shownPic_ = pictureSurf_;
        shownX_ = picX_;
        shownY_ = picY_;
        if (!pictureSurf_ || !canvas_ || designW_ <= 0 || designH_ <= 0) return;
        if (canvas_->w == designW_ && canvas_->h == designH_) return;
        const int w = std::max(1, int(int64_t(pictureSurf_->w) * canvas_->w / designW_));
        const int h = std::max(1, int(int64_t(pictureSurf_->h) * canvas_->h / designH_));
        SDL_Surface* sc = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_RGB888);
        if (!sc) return;
        SDL_BlitScaled(pictureSurf_, nullptr, sc, nullptr);
        shownPic_ = sc;
        shownX_ = int(int64_t(picX_) * canvas_->w / designW_);
        shownY_ = int(int64_t(picY_) * canvas_->h / designH_);
    }

    // Where the canvas sits in the window: centred, the margin black.
    SDL_Point canvasOrigin(const SDL_Surface* ws) const {
        return SDL_Point{std::max(0, (ws->w - canvas_->w) / 2), std::max(0, (ws->h - canvas_->h) / 2)};
    }

    int advanceOf(uint32_t cp) {
        int minx, maxx, miny, maxy, adv = 0;
        if (TTF_GlyphMetrics32(font_, cp, &minx, &maxx, &miny, &maxy, &adv) != 0) return 0;
        return adv;
    }

    // Point size so that the font's height is at most wantH pixels, then a horizontal
    // resolution that brings the character width to wantW.
    void sizeFont(int wantW, int wantH) {
        int pt = wantH;
        TTF_SetFontSizeDPI(font_, pt, 72, 72);
        int h = TTF_FontHeight(font_);
        if (h > 0) pt = std::max(1, pt * wantH / h);
        TTF_SetFontSizeDPI(font_, pt, 72, 72);
        while (pt > 1 && TTF_FontHeight(font_) > wantH) TTF_SetFontSizeDPI(font_, --pt, 72, 72);
        while (TTF_FontHeight(font_) < wantH) {
            TTF_SetFontSizeDPI(font_, pt + 1, 72, 72);
            if (TTF_FontHeight(font_) > wantH) {
                TTF_SetFontSizeDPI(font_, pt, 72, 72);
                break;
            }
            ++pt;
        }
        unsigned hdpi = 72;
        int adv = advanceOf('M');
        if (adv > 0 && adv != wantW) {
            hdpi = unsigned(std::max(8, 72 * wantW / adv));
            TTF_SetFontSizeDPI(font_, pt, hdpi, 72);
            while (hdpi > 8 && advanceOf('M') > wantW) TTF_SetFontSizeDPI(font_, pt, --hdpi, 72);
            while (advanceOf('M') < wantW) {
                TTF_SetFontSizeDPI(font_, pt, hdpi + 1, 72);
                if (advanceOf('M') > wantW) {
                    TTF_SetFontSizeDPI(font_, pt, hdpi, 72);
                    break;
                }
                ++hdpi;
            }
        }
        cw_ = std::max(1, advanceOf('M'));
        ch_ = std::max(std::max(1, TTF_FontHeight(font_)), TTF_FontLineSkip(font_));
        ascent_ = std::min(TTF_FontAscent(font_), ch_ - 2);
    }

    // Coverage of a CP1252 character, one cell, rendered when first drawn: rendering all
    // 256 up front took a good part of the window's start.
    void buildGlyphs() {
        for (std::vector<uint8_t>& g : glyphs_) g.clear();
        glyphReady_.reset();
    }

    const std::vector<uint8_t>& glyph(uint8_t b) {
        std::vector<uint8_t>& g = glyphs_[b];
        if (glyphReady_[b]) return g;
        glyphReady_[b] = true;
        const uint32_t cp = glyphCodepoint(b);
        if (!cp || !font_) return g;
        SDL_Surface* s = TTF_RenderGlyph32_Shaded(font_, cp, SDL_Color{255, 255, 255, 255}, SDL_Color{0, 0, 0, 255});
        if (!s) return g;
        g.assign(size_t(cw_) * size_t(ch_), 0);
        if (s->format->BytesPerPixel == 1 && s->format->palette && SDL_LockSurface(s) == 0) {
            const int w = std::min(s->w, cw_), h = std::min(s->h, ch_);
            for (int y = 0; y < h; ++y) {
                const uint8_t* row = static_cast<const uint8_t*>(s->pixels) + size_t(y) * size_t(s->pitch);
                for (int x = 0; x < w; ++x) g[size_t(y) * size_t(cw_) + size_t(x)] = s->format->palette->colors[row[x]].r;
            }
            SDL_UnlockSurface(s);
        }
        SDL_FreeSurface(s);
        return g;
    }

    // ---- painting ----

    uint32_t colourOf(int colour, Rgb& rgb) const {
        rgb = paletteEntry(tty::paletteIndex(view_, colour));
        return SDL_MapRGB(canvas_->format, rgb.r, rgb.g, rgb.b);
    }

    void paintCells(int row, int col0, int col1) {
        if (!haveView_ || !view_.chars || !view_.attrs) return;
        const uint8_t* chars = view_.chars + size_t(row) * size_t(view_.width);
        if (SDL_MUSTLOCK(canvas_)) SDL_LockSurface(canvas_);
        for (const tty::CellRun& run : tty::cellRuns(view_, row, col0, col1)) {
            Rgb fg, bg;
            colourOf(run.attr & 15, fg);
            const uint32_t bgPixel = colourOf(run.attr >> 4, bg);
            SDL_Rect r{run.col0 * cw_, row * ch_, (run.col1 - run.col0) * cw_, ch_};
            SDL_FillRect(canvas_, &r, bgPixel);
            for (int c = run.col0; c < run.col1; ++c) drawGlyph(chars[c], c * cw_, row * ch_, fg, bg);
        }
        if (SDL_MUSTLOCK(canvas_)) SDL_UnlockSurface(canvas_);
    }

    void drawGlyph(uint8_t b, int px, int py, const Rgb& fg, const Rgb& bg) {
        const std::vector<uint8_t>& g = glyph(b);
        if (g.empty()) return;
        const SDL_PixelFormat* f = canvas_->format;
        for (int y = 0; y < ch_; ++y) {
            uint32_t* dst = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(canvas_->pixels) +
                                                        size_t(py + y) * size_t(canvas_->pitch)) + px;
            const uint8_t* cov = &g[size_t(y) * size_t(cw_)];
            for (int x = 0; x < cw_; ++x) {
                const int a = cov[x];
                if (!a) continue;
                auto mix = [a](int from, int to) { return uint8_t(from + (to - from) * a / 255); };
                dst[x] = SDL_MapRGB(f, mix(bg.r, fg.r), mix(bg.g, fg.g), mix(bg.b, fg.b));
            }
        }
    }

    SDL_Rect pictureRect() const {
        if (!shownPic_) return SDL_Rect{0, 0, 0, 0};
        return SDL_Rect{shownX_, shownY_, shownPic_->w, shownPic_->h};
    }

    // The picture over whatever part of `area` it covers.
    void paintPicture(const SDL_Rect& area) {
        if (!shownPic_ || !canvas_) return;
        SDL_Rect pr = pictureRect(), hit;
        if (!SDL_IntersectRect(&pr, &area, &hit)) return;
        SDL_Rect src{hit.x - shownX_, hit.y - shownY_, hit.w, hit.h};
        SDL_Rect dst = hit;
        SDL_BlitSurface(shownPic_, &src, canvas_, &dst);
    }

    // Repaints the cells under a pixel rectangle, then the picture.
    void repaintRect(const SDL_Rect& r) {
        if (!canvas_) return;
        SDL_Rect all{0, 0, canvas_->w, canvas_->h}, hit;
        if (!SDL_IntersectRect(&r, &all, &hit)) return;
        if (haveView_ && !view_.textPaintingOff) {
            const int row0 = hit.y / ch_, row1 = std::min(25, (hit.y + hit.h + ch_ - 1) / ch_);
            const int col0 = hit.x / cw_, col1 = std::min(80, (hit.x + hit.w + cw_ - 1) / cw_);
            for (int row = row0; row < row1; ++row) paintCells(row, col0, col1);
        }
        paintPicture(hit);
    }

    void dropShownPicture() {
        if (shownPic_ && shownPic_ != pictureSurf_) SDL_FreeSurface(shownPic_);
        shownPic_ = nullptr;
    }

    // ---- presenting ----

    SDL_Rect caretRect() const {
        return SDL_Rect{view_.cursorX * cw_, view_.cursorY * ch_ + ascent_, cw_, 2};
    }

    bool caretVisible() const { return haveView_ && view_.caret && focus_ && !view_.textPaintingOff; }

    // Copies a canvas rectangle to the window (the caret is drawn separately).
    void present(const SDL_Rect& r) {
        if (!win_ || !canvas_ || magActive_) return;
        SDL_Surface* ws = SDL_GetWindowSurface(win_);
        if (!ws) return;
        const SDL_Point o = canvasOrigin(ws);
        SDL_Rect src = r, dst{r.x + o.x, r.y + o.y, r.w, r.h};
        SDL_BlitSurface(canvas_, &src, ws, &dst);
        SDL_Rect upd{r.x + o.x, r.y + o.y, r.w, r.h}, all{0, 0, ws->w, ws->h}, hit;
        if (SDL_IntersectRect(&upd, &all, &hit)) SDL_UpdateWindowSurfaceRects(win_, &hit, 1);
        shotDirty_ = true;
    }

    void presentAll() {
        if (!win_ || !canvas_ || magActive_) return;
        SDL_Surface* ws = SDL_GetWindowSurface(win_);
        if (!ws) return;
        SDL_FillRect(ws, nullptr, SDL_MapRGB(ws->format, 0, 0, 0));
        const SDL_Point o = canvasOrigin(ws);
        SDL_Rect dst{o.x, o.y, canvas_->w, canvas_->h};
        SDL_BlitSurface(canvas_, nullptr, ws, &dst);
        caretShown_ = false;
        drawCaret(ws);
        SDL_UpdateWindowSurface(win_);
        shotDirty_ = true;
    }

    // The caret: the cursor cell's pixels inverted, a cell wide and 2 pixels high at
    // the baseline.  Moving it restores the old spot from the canvas.
    void presentCaret() {
        if (!win_ || !canvas_ || magActive_) return;
        SDL_Surface* ws = SDL_GetWindowSurface(win_);
        if (!ws) return;
        const SDL_Point o = canvasOrigin(ws);
        SDL_Rect old = shownCaret_;  // in window pixels
        bool hadCaret = caretShown_;
        if (hadCaret) {
            SDL_Rect src{old.x - o.x, old.y - o.y, old.w, old.h}, dst = old;
            SDL_BlitSurface(canvas_, &src, ws, &dst);
        }
        caretShown_ = false;
        drawCaret(ws);
        SDL_Rect rects[2];
        int n = 0;
        SDL_Rect all{0, 0, ws->w, ws->h}, hit;
        if (hadCaret && SDL_IntersectRect(&old, &all, &hit)) rects[n++] = hit;
        if (caretShown_ && SDL_IntersectRect(&shownCaret_, &all, &hit)) rects[n++] = hit;
        if (n) SDL_UpdateWindowSurfaceRects(win_, rects, n);
        if (n) shotDirty_ = true;
    }

    void drawCaret(SDL_Surface* ws) {
        if (!caretVisible()) return;
        SDL_Rect r = caretRect();
        SDL_Rect all{0, 0, canvas_->w, canvas_->h}, hit;
        if (!SDL_IntersectRect(&r, &all, &hit)) return;
        SDL_Surface* bar = SDL_CreateRGBSurfaceWithFormat(0, hit.w, hit.h, 32, SDL_PIXELFORMAT_RGB888);
        if (!bar) return;
        for (int y = 0; y < hit.h; ++y) {
            const uint32_t* src = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(canvas_->pixels) +
                                                                    size_t(hit.y + y) * size_t(canvas_->pitch)) + hit.x;
            uint32_t* dst = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(bar->pixels) + size_t(y) * size_t(bar->pitch));
            for (int x = 0; x < hit.w; ++x) dst[x] = src[x] ^ 0x00ffffffu;
        }
        const SDL_Point o = canvasOrigin(ws);
        SDL_Rect dst{hit.x + o.x, hit.y + o.y, hit.w, hit.h};
        SDL_BlitSurface(bar, nullptr, ws, &dst);
        SDL_FreeSurface(bar);
        shownCaret_ = dst;
        caretShown_ = true;
    }

    void saveScreenshot() {
        shotDirty_ = false;
        if (shotPath_.empty() || !win_) return;
        SDL_Surface* ws = SDL_GetWindowSurface(win_);
        if (!ws) return;
        // written aside and renamed, so a reader never sees half a file
        std::string tmp = shotPath_ + ".part";
        if (SDL_SaveBMP(ws, tmp.c_str()) == 0) std::rename(tmp.c_str(), shotPath_.c_str());
    }

    // ---- magnifier ----

    void startMagnifier(int x, int y) {
        SDL_Surface* ws = win_ ? SDL_GetWindowSurface(win_) : nullptr;
        if (!ws) return;
        magCopy_ = SDL_ConvertSurface(ws, ws->format, 0);
        if (!magCopy_) return;
        magActive_ = true;
        drawMagnified(x, y);
    }

    // The region around the mouse, one factor-th of the window, over the whole window;
    // the mouse point stays where it is.
    void drawMagnified(int x, int y) {
        SDL_Surface* ws = SDL_GetWindowSurface(win_);
        if (!ws || !magCopy_) return;
        const int f = magFactor_;
        SDL_Rect src{std::max(0, x - x / f), std::max(0, y - y / f), std::max(1, ws->w / f), std::max(1, ws->h / f)};
        src.w = std::min(src.w, magCopy_->w - src.x);
        src.h = std::min(src.h, magCopy_->h - src.y);
        if (src.w <= 0 || src.h <= 0) return;
        SDL_Rect dst{0, 0, ws->w, ws->h};
        SDL_BlitScaled(magCopy_, &src, ws, &dst);
        SDL_UpdateWindowSurface(win_);
    }

    void endMagnifier(bool repaint) {
        if (magCopy_) SDL_FreeSurface(magCopy_);
        magCopy_ = nullptr;
        const bool was = magActive_;
        magActive_ = false;
        if (was && repaint) presentAll();
    }

    // ---- events ----

    void handle(const SDL_Event& e) {
        switch (e.type) {
        case SDL_KEYDOWN:
            keyDown(e.key);
            break;
        case SDL_KEYUP:
            keyUp(e.key);
            break;
        case SDL_TEXTINPUT:
            textInput(e.text.text);
            break;
        case SDL_MOUSEBUTTONDOWN:
            flushPendingKey();
            if (e.button.button == SDL_BUTTON_RIGHT) startMagnifier(e.button.x, e.button.y);
            break;
        case SDL_MOUSEMOTION:
            if (magActive_ && (e.motion.state & SDL_BUTTON_RMASK)) drawMagnified(e.motion.x, e.motion.y);
            break;
        case SDL_MOUSEBUTTONUP:
            if (e.button.button == SDL_BUTTON_RIGHT) endMagnifier(true);
            break;
        case SDL_WINDOWEVENT:
            flushPendingKey();
            windowEvent(e.window);
            break;
        case SDL_QUIT:
            flushPendingKey();
            requestClose();
            break;
        default:
            break;
        }
    }

    void windowEvent(const SDL_WindowEvent& w) {
        switch (w.event) {
        case SDL_WINDOWEVENT_CLOSE:
            requestClose();
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            focus_ = true;
            a11y::setFocused(true);
            presentCaret();
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            focus_ = false;
            a11y::setFocused(false);
            endMagnifier(true);
            presentCaret();
            break;
        case SDL_WINDOWEVENT_MOVED:
            placeOnBus();
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            refit();
            if (!magActive_) presentAll();
            break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
            if (!magActive_) presentAll();
            break;
        default:
            break;
        }
    }

    // Where the cells are on the screen, for screen readers' review and magnifiers.
    void placeOnBus() {
        if (!win_) return;
        int x = 0, y = 0;
        SDL_GetWindowPosition(win_, &x, &y);
        a11y::setGeometry(x, y, cw_, ch_);
    }

    void requestClose() {
        if (!closeAllowed_) return;
        quitProgram();
    }

    static uint8_t modsOf(Uint16 m) {
        uint8_t mods = 0;
        if (m & KMOD_SHIFT) mods |= ModShift;
        if (m & KMOD_CTRL) mods |= ModCtrl;
        if (m & KMOD_ALT) mods |= ModAlt;
        return mods;
    }

    // Named keys; KeyId::Char for keys that type characters; None for the rest.
    static KeyId keyIdOf(const SDL_Keysym& k) {
        const bool numLock = k.mod & KMOD_NUM;
        switch (k.sym) {
        case SDLK_RETURN: case SDLK_KP_ENTER: case SDLK_RETURN2: return KeyId::Enter;
        case SDLK_ESCAPE: return KeyId::Esc;
        case SDLK_TAB: return KeyId::Tab;
        case SDLK_BACKSPACE: return KeyId::Backspace;
        case SDLK_SPACE: return KeyId::Space;
        case SDLK_UP: return KeyId::Up;
        case SDLK_DOWN: return KeyId::Down;
        case SDLK_LEFT: return KeyId::Left;
        case SDLK_RIGHT: return KeyId::Right;
        case SDLK_HOME: return KeyId::Home;
        case SDLK_END: return KeyId::End;
        case SDLK_PAGEUP: return KeyId::PgUp;
        case SDLK_PAGEDOWN: return KeyId::PgDn;
        case SDLK_INSERT: return KeyId::Ins;
        case SDLK_DELETE: return KeyId::Del;
        case SDLK_F1: return KeyId::F1;
        case SDLK_F2: return KeyId::F2;
        case SDLK_F3: return KeyId::F3;
        case SDLK_F4: return KeyId::F4;
        case SDLK_F5: return KeyId::F5;
        case SDLK_F6: return KeyId::F6;
        case SDLK_F7: return KeyId::F7;
        case SDLK_F8: return KeyId::F8;
        case SDLK_F9: return KeyId::F9;
        case SDLK_F10: return KeyId::F10;
        case SDLK_F11: return KeyId::F11;
        case SDLK_F12: return KeyId::F12;
        case SDLK_CANCEL: return KeyId::Break;
        case SDLK_PAUSE: return (k.mod & KMOD_CTRL) ? KeyId::Break : KeyId::None;
        // the keypad moves the cursor while Num Lock is off, as on the PC
        case SDLK_KP_8: return numLock ? KeyId::Char : KeyId::Up;
        case SDLK_KP_2: return numLock ? KeyId::Char : KeyId::Down;
        case SDLK_KP_4: return numLock ? KeyId::Char : KeyId::Left;
        case SDLK_KP_6: return numLock ? KeyId::Char : KeyId::Right;
        case SDLK_KP_7: return numLock ? KeyId::Char : KeyId::Home;
        case SDLK_KP_1: return numLock ? KeyId::Char : KeyId::End;
        case SDLK_KP_9: return numLock ? KeyId::Char : KeyId::PgUp;
        case SDLK_KP_3: return numLock ? KeyId::Char : KeyId::PgDn;
        case SDLK_KP_0: return numLock ? KeyId::Char : KeyId::Ins;
        case SDLK_KP_PERIOD: case SDLK_KP_DECIMAL: return numLock ? KeyId::Char : KeyId::Del;
        case SDLK_KP_5: return numLock ? KeyId::Char : KeyId::None;
        case SDLK_KP_DIVIDE: case SDLK_KP_MULTIPLY: case SDLK_KP_MINUS: case SDLK_KP_PLUS:
        case SDLK_KP_COMMA: case SDLK_KP_EQUALS:
            return KeyId::Char;
        default:
            break;
        }
        // keys with a printable key code type characters; modifiers, Caps Lock,
        // Print Screen and the like are no keys of the program
        if (k.sym >= 32 && k.sym < 0x7f) return KeyId::Char;
        if (k.sym >= 0xa0 && k.sym < 0x10000 && !(k.sym & SDLK_SCANCODE_MASK)) return KeyId::Char;
        return KeyId::None;
    }

    static uint8_t vkOf(const SDL_Keysym& k) {
        if (k.sym >= 'a' && k.sym <= 'z') return uint8_t(k.sym - 32);
        if (k.sym >= '0' && k.sym <= '9') return uint8_t(k.sym);
        return 0;
    }

    void dispatch(const KeyEvent& ev) { sendKey(ev); }

    void keyDown(const SDL_KeyboardEvent& k) {
        flushPendingKey();
        const KeyId id = keyIdOf(k.keysym);
        if (id == KeyId::None) return;
        KeyEvent ev;
        ev.id = id;
        ev.mods = modsOf(k.keysym.mod);
        if (id == KeyId::F4 && (ev.mods & ModAlt) && !(ev.mods & ModCtrl) && closeAllowed_) {
            requestClose();  // Alt+F4: the close box from the keyboard
            return;
        }
        if (id != KeyId::Char && id != KeyId::Space) {
            dispatch(ev);
            return;
        }
        // The character comes in the text event that follows; hold the key until then.
        ev.vk = vkOf(k.keysym);
        pending_ = ev;
        pendingPlain_ = k.keysym.sym < 0x7f ? uint8_t(k.keysym.sym) : 0;
        // Right Alt alone may be AltGr, which types characters rather than combinations
        pendingRightAltOnly_ = (k.keysym.mod & KMOD_RALT) && !(k.keysym.mod & (KMOD_LALT | KMOD_CTRL));
        havePending_ = true;
    }

    void keyUp(const SDL_KeyboardEvent& k) {
        flushPendingKey();
        const KeyId id = keyIdOf(k.keysym);
        if (id == KeyId::None || id == KeyId::Break) return;
        KeyEvent ev;
        ev.id = id;
        ev.mods = modsOf(k.keysym.mod);
        ev.vk = id == KeyId::Char ? vkOf(k.keysym) : 0;
        ev.up = true;
        dispatch(ev);
    }

    void textInput(const char* utf8) {
        const std::string text = utf8ToCp1252(utf8);
        for (size_t i = 0; i < text.size(); ++i) {
            const uint8_t c = uint8_t(text[i]);
            if (i == 0 && havePending_) {
                KeyEvent ev = pending_;
                havePending_ = false;
                const bool ctrl = ev.mods & ModCtrl, alt = ev.mods & ModAlt;
                if (alt && !ctrl && pendingRightAltOnly_ &&
                    std::tolower(c) != std::tolower(pendingPlain_)) {
                    ev.mods &= uint8_t(~ModAlt);  // AltGr made a character of its own
                    ev.ch = c;
                } else if (!ctrl && !alt) {
                    ev.ch = c;
                }
                dispatch(ev);
                continue;
            }
            KeyEvent ev;  // typed without a key of its own (input method, compose)
            ev.id = c == ' ' ? KeyId::Space : KeyId::Char;
            ev.ch = c;
            dispatch(ev);
        }
    }

    // A held key whose text did not come: it typed nothing (Ctrl or Alt held, or a
    // dead key waiting for the next one).
    void flushPendingKey() {
        if (!havePending_) return;
        havePending_ = false;
        KeyEvent ev = pending_;
        if ((ev.mods & ModCtrl) && pendingPlain_ == '\\') ev.ch = 28;  // Ctrl+Backslash has a code of its own
        dispatch(ev);
    }

    SDL_Window* win_ = nullptr;
    SDL_Surface* canvas_ = nullptr;
    TTF_Font* font_ = nullptr;
    std::array<std::vector<uint8_t>, 256> glyphs_;
    std::bitset<256> glyphReady_;
    int cw_ = 8, ch_ = 16, ascent_ = 13;
    ScreenView view_;
    bool haveView_ = false;
    std::string title_ = "ludivar";
    bool focus_ = true;
    bool closeAllowed_ = true;

    SDL_Surface* pictureSurf_ = nullptr;
    int picX_ = 0, picY_ = 0;
    SDL_Surface* shownPic_ = nullptr;  // pictureSurf_, or its copy scaled to a smaller canvas
    int shownX_ = 0, shownY_ = 0;
    bool fixedCells_ = false;  // LARGURALETRA / ALTURALETRA set: their size, whatever the window
    int designW_ = 0, designH_ = 0;
    static constexpr int kMinCellW = 4, kMinCellH = 6;

    bool caretShown_ = false;
    SDL_Rect shownCaret_{0, 0, 0, 0};

    int magFactor_ = 2;
    bool magActive_ = false;
    SDL_Surface* magCopy_ = nullptr;

    KeyEvent pending_;
    bool havePending_ = false;
    uint8_t pendingPlain_ = 0;
    bool pendingRightAltOnly_ = false;

    std::string shotPath_;
    bool shotDirty_ = false;
    bool videoUp_ = true;  // makeWindowFront brought SDL video and SDL_ttf up for us
};

}  // namespace

// A display the user can see: when DISPLAY is set but unreachable (after sudo, a
// dropped ssh -X) SDL falls back to drivers that draw nowhere.
bool visibleVideoDriver(const char* name) {
    if (!name) return false;
    if (const char* chosen = std::getenv("SDL_VIDEODRIVER"); chosen && *chosen) return true;  // the user's choice
    return std::strcmp(name, "x11") == 0 || std::strcmp(name, "wayland") == 0;
}

Front* makeWindowFront() {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) return nullptr;
    // The window shows a canvas we draw ourselves: an accelerated framebuffer would only
    // load a software OpenGL renderer (hundreds of milliseconds and ~100 MB at start).
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
    if (!visibleVideoDriver(SDL_GetCurrentVideoDriver())) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    if (SDL_GetNumVideoDisplays() < 1 || TTF_Init() != 0) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    // Without any font the window would show only colours: the terminal serves better.
    FontFile ff;
    if (!findFont("monospace", 400, ff)) {
        TTF_Quit();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    return new WindowFront();
}

}  // namespace plat
