// Pictures and text for slides: JPEG decoding (libjpeg-turbo), PNG and BMP
// writing, and TrueType text drawn into a plat::Picture (SDL2_ttf, with the face
// found through fontconfig, so that "Arial" gets its metric twin when Arial is
// not installed).
#pragma once
#include <string>

#include "platform/platform.h"

namespace plat {

// Pictures larger than this (in pixels) are refused before anything is allocated:
// a JPEG of a few hundred bytes may declare any size, and a 40-megapixel picture
// already takes 120 MB and a second to decode, beyond any camera a class uses.
constexpr long long kMaxPicturePixels = 40ll * 1000 * 1000;

// Decodes a whole JPEG file held in memory into RGB at full size.  False (and
// `out` untouched) when the bytes are not a JPEG or are broken.
bool decodeJpeg(const std::string& bytes, Picture& out);
// Reads a JPEG file by the program's own name (Windows-style, CP1252).
bool loadJpeg(const std::string& name, Picture& out);

// Encodes a picture as a baseline JPEG (quality 1..100); false on an empty picture.
bool encodeJpeg(const Picture& pic, int quality, std::string& out);

// A 24-bit bottom-up Windows BMP with the 40-byte info header.
std::string encodeBmp(const Picture& pic);
// Writes a picture as an 8-bit RGB PNG file (Linux path).
bool writePng(const std::string& linuxPath, const Picture& pic);
// Reads back a PNG (tests and tools); false when it is not an RGB/RGBA PNG.
bool readPng(const std::string& linuxPath, Picture& out);

// Fills a rectangle, clipped to the picture.
void fillRect(Picture& pic, int x, int y, int w, int h, Rgb colour);
// Copies `src` stretched over the rectangle (nearest pixel), clipped.
void drawScaled(Picture& dst, const Picture& src, int x, int y, int w, int h);
// Copies `src` at its own size with its top-left corner at (x, y), clipped.
void drawPicture(Picture& dst, const Picture& src, int x, int y);

// The pixel size of the program's window (the 80 x 25 cells at full size) when
// the window front has one open; false otherwise.
bool windowCanvasSize(int& width, int& height);

// A TrueType font at a cell height in pixels.  Handles are small integers;
// 0 means no font could be opened (no face at all on the system).
int fontOpen(const std::string& face, int cellHeight, bool bold);
void fontClose(int font);
// The font file fontconfig picked for a face (empty when none).
std::string fontFileFor(const std::string& face, bool bold);
// Width in pixels of a CP1252 text in the font.
int textWidth(int font, const std::string& text);
// Draws a CP1252 text with its cell's top-left corner at (x, y).  With `background`
// the text's cell (text width by cell height) is filled first (opaque text).
void drawText(Picture& pic, int font, int x, int y, const std::string& text, Rgb colour,
              const Rgb* background = nullptr);

}  // namespace plat
