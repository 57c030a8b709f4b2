// Presenting a place: the slide loop, the place's and the slides' media, the
// narration of the slide texts and the answer on the last slide.
#include <cstring>
#include <string>
#include <vector>

#include "console/console.h"
#include "console/review.h"
#include "speech/lexicon.h"
#include "console/textwin.h"
#include "game/model.h"
#include "platform/braille.h"
#include "platform/files.h"
#include "platform/mci.h"
#include "platform/platform.h"
#include "player/play.h"
#include "player/slide.h"
#include "util/text.h"
#include "safety/safety.h"

namespace player {

namespace {

constexpr uint8_t kEnter = 13, kEsc = 27, kBackspace = 8, kSpace = 32;
constexpr uint8_t kHome = 71, kPgUp = 73, kLeft = 75, kRight = 77, kEnd = 79, kPgDn = 81, kCtrlF9 = 102;

bool hasSeparator(const std::string& name) {
    // Games come from Windows ("\"), but a name written on Linux may use "/".
    return name.find('\\') != std::string::npos || name.find('/') != std::string::npos;
}

std::string inCurrentDir(const std::string& name) {
    if (hasSeparator(name)) return name;
    return plat::utf8ToCp1252(plat::currentDir()) + "\\" + name;
}

std::string upperExtension(const std::string& name) {
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : util::upperLatin(name.substr(dot + 1));
}

// The key that starts the answer goes back in front of the keys typed after it:
// appended behind them, "casa" typed quickly would be read as "asac".
void putKeyBack(uint8_t key) { con::unreadKey(key); }

void slideMediaEnded(const std::string&) { slideState().slideMediaPlaying = false; }

std::vector<std::string> splitBars(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        size_t bar = text.find('|', start);
        out.push_back(text.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos) return out;
        start = bar + 1;
    }
}

// Waits for the slide's media to end or for a key, whichever comes first.
void waitSlideMedia() {
    while (SlideMediaPlaying() && !con::keyPressed()) con::delayMs(100);
}

void playSlideMediaText(const game::TSlide& s) {
    std::vector<std::string> pieces = splitBars(SubstituteFirst(s.media));
    for (size_t i = 0; i + 1 < pieces.size(); ++i) {
        std::string piece = util::trim(pieces[i]);
        if (piece.empty()) continue;
        PlaySlideMedia(piece);
        waitSlideMedia();
        StopSlideMedia();
    }
    std::string last = util::trim(pieces.back());
    if (last.empty()) return;
    PlaySlideMedia(last);
    if (s.waitMedia) {
        // The slide stays on the window while its media plays.
        con::setTextPaintingOff(true);
        waitSlideMedia();
        con::setTextPaintingOff(false);
        StopSlideMedia();
    }
}

// The display shows the slide's lines as they are written, one at a time.
void showSlideOnDisplay(const game::TSlide& s) {
    std::vector<std::string> lines;
    for (const std::string& line : s.text)
        if (!util::trim(line).empty()) lines.push_back(SubstituteAll(line));
    brl::showLines(brl::Content::Slide, lines);
}

// The slide's lines, phrase by phrase: an empty line ends a phrase.
void speakSlideText(const game::TSlide& s) {
    std::string phrase;
    auto flush = [&]() {
        if (!phrase.empty()) {
            speech::GameTexts own;
            con::speak(phrase);
        }
        phrase.clear();
    };
    for (const std::string& line : s.text) {
        if (line.empty()) {
            flush();
            continue;
        }
        if (!phrase.empty()) phrase += ' ';
        phrase += SubstituteAll(line);
    }
    flush();
    con::waitSpeech();
}

}  // namespace

void PlayPlaceMedia(const std::string& name) {
    // A place without media has nothing to open (the bare folder name is not a medium).
    if (util::trim(name).empty() || !safety::mayRead(util::trim(name))) return;
    std::string n = "\"" + inCurrentDir(util::trim(name)) + "\"";
    media::mciSend("open " + n + " alias midiaLugar");
    media::mciSend("play midiaLugar");
}

void StopPlaceMedia() {
    media::mciSend("stop midiaLugar");
    media::mciSend("close midiaLugar");
}

void PlaySlideMedia(const std::string& name) {
    std::string n = util::trim(name);
    std::string ext = upperExtension(n);
    SlideState& st = slideState();
    if (!safety::mayRead(n)) {
        st.slideMediaPlaying = false;
        return;
    }
    n = inCurrentDir(n);
    if (n.find(' ') != std::string::npos) n = "\"" + n + "\"";
    if (media::mciSend("open " + n + " alias midiaSlide") != media::kOk) {
        st.slideMediaPlaying = false;
        return;
    }
    st.slideMediaPlaying = true;
    media::setNotify("midiaSlide", slideMediaEnded);
    if (ext == "MPG" || ext == "MPEG" || ext == "MP4" || ext == "AVI" || ext == "WMV") {
        uint64_t handle = plat::haveFront() ? uint64_t(uintptr_t(plat::front().nativeWindowId())) : 0;
        media::mciSend("window midiaSlide handle " + std::to_string(handle));
        media::mciSend("put midiaSlide destination");
    }
    if (media::mciSend("play midiaSlide notify") != media::kOk) st.slideMediaPlaying = false;
}

void StopSlideMedia() {
    slideState().slideMediaPlaying = false;
    media::setNotify("midiaSlide", nullptr);
    media::mciSend("stop midiaSlide");
    media::mciSend("close midiaSlide");
}

bool SlideMediaPlaying() {
    // The end-of-play notice is taken here, as the window would take it while
    // the waits pump its messages.
    media::pollMedia();
    return slideState().slideMediaPlaying;
}

void PresentPlace(int place, uint8_t& lastKey, std::string& answer) {
    game::TJogo& g = game::current();
    const game::TLugar* p = g.place(place);
    if (!p || place > g.placeCount) {
        // Nothing to present: the caller goes on as after an empty answer.
        con::errorBeep();
        lastKey = kEnter;
        answer.clear();
        return;
    }
    con::setWindow(1, 1, 80, 25);
    lastKey = kEsc;
    answer.clear();
    PlayPlaceMedia(SubstituteFirst(p->media));

    int last = p->slideCount;
    int a = 1;
    bool redraw = true;
    for (bool done = false; !done;) {
        uint8_t key;
        const game::TSlide* s = nullptr;
        if (a < 1 || a > last) {
            con::errorBeep();
            key = con::readKey();
        } else if (!redraw) {
            // back from screen review: the slide is still there, as it was
            redraw = true;
            key = con::readKey();
        } else {
            s = p->slide(a);
            DrawSlide(place, a, s ? s->effect : std::string());
            if (s) showSlideOnDisplay(*s);
            else brl::show(brl::Content::Slide, std::string());
            con::stopSpeech();
            if (s && !s->media.empty()) playSlideMediaText(*s);
            con::flushKeys();
            if (s && s->speakText && g.narration) speakSlideText(*s);
            if (con::keyPressed()) key = con::readKey();
            else if (s && s->autoAdvance && a != last) key = kSpace;
            else key = con::readKey();
        }

        if (key == 0) {
            uint8_t ext = con::readKey();
            switch (ext) {
            case kHome: a = 1; break;
            case kPgUp:
            case kLeft:
                if (a <= 1) con::errorBeep();
                else --a;
                break;
            case kRight:
            case kPgDn:
                if (a >= last) con::errorBeep();
                else ++a;
                break;
            case kEnd: a = last; break;
            case kCtrlF9:
                // Ctrl+Shift+F9 (read as Ctrl+Alt+F9): the slide's text is in the cells
                if (con::lastKeyMods() & plat::ModAlt) {
                    con::screenReview();
                    redraw = false;
                }
                break;
            default: break;
            }
        } else if (last >= 1 && a == last) {
            putKeyBack(key);
            answer.clear();
            UncoverBottomRow(true);
            lastKey = uint8_t(con::editFieldToEdge(answer, 1, 25, 80, true));
            UncoverBottomRow(false);
            if (lastKey == kEnter || lastKey == kEsc) done = true;
        } else if (key == kBackspace) {
            if (a <= 1) con::errorBeep();
            else --a;
        } else if (key == kEnter || key == kSpace) {
            ++a;
        } else if (key == kEsc) {
            lastKey = kEsc;
            done = true;
        }
        StopSlideMedia();
    }
    StopPlaceMedia();
}

}  // namespace player
