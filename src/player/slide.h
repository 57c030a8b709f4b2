// Presenting a place: slides composed off-screen (colours, pictures, text),
// revealed on the window with a transition effect, their media played through
// the MCI layer, and the answer read on the last slide.
#pragma once
#include <cstdint>
#include <string>

#include "game/model.h"
#include "platform/platform.h"

namespace player {

// What the window shows of slides: one picture handed to the front, at (x, y).
struct SlideView {
    plat::Picture pic;
    int x = 0, y = 0;
    bool shown = false;
};

struct SlideState {
    SlideView view;
    plat::Picture cropped;       // the view less the bottom row, while the answer is typed
    plat::Picture lastSlide;     // the last slide composed, before any effect
    std::string dumpDir;         // --slides: every composed slide as a PNG
    int dumpCount = 0;
    bool slideMediaPlaying = false;
    int width = 0, height = 0;   // fixed size for tests; 0 = from the window settings
};
SlideState& slideState();
void resetSlideState();

// `ludivar --headless --slides DIR`: writes each composed slide as DIR/NNNN-P-S.png
// (a running number, the place and the slide).
void setSlideDumpDir(const std::string& dir);
// The slide image's size: the program window's size in pixels.
void slideSize(int& width, int& height);
void setSlideSize(int width, int height);  // tests; 0, 0 goes back to the window's

// 0..15 from a colour name ("vermelho", "RED") or a decimal index; anything else 0.
int ColourIndex(const std::string& colour);
// How a terminal shows a slide's picture: by the slide's title ("[Figura: Um gato]"),
// or "[Figura]" when it has none; never by the picture's file name.
std::string TerminalPictureLine(const game::TSlide& s);
// The left and top of an item of w x h placed by a position name ("cima direita",
// "baixo esquerda", "centro") in an area of W x H.
void PlacePosition(const std::string& name, int W, int H, int w, int h, int& left, int& top);

// Composes slide s of place p (p may have no slide s: then only the background)
// into an image of the slide size.  Fills the game font's drawing fields.
bool ComposeSlide(int place, int slide, plat::Picture& out);
// Composes and shows the slide: at once (empty effect), at half size ("minitela",
// the editors' preview) or through Reveal.
void DrawSlide(int place, int slide, const std::string& effect);
// The transition effects: steps copy parts of `image` onto the window's view,
// each followed by its wait.
void Reveal(const std::string& effect, SlideView& window, const plat::Picture& image, int H, int W);
// Takes the slide off the window (the text shows again); the text window's own
// picture, when it has one, comes back.
void ClearSlide();
// While the answer is typed on the bottom row the slide leaves that row to the text.
void UncoverBottomRow(bool uncover);

// The place's background media and the slide's media.
void PlayPlaceMedia(const std::string& name);
void StopPlaceMedia();
void PlaySlideMedia(const std::string& name);
void StopSlideMedia();
bool SlideMediaPlaying();

// Presents place p and reads the answer on its last slide.  `lastKey` is 27 for
// Escape, 13 for Enter, or the key that ended the answer.
void PresentPlace(int place, uint8_t& lastKey, std::string& answer);

}  // namespace player
