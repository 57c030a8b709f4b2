// An X display for the window tests: the one in DISPLAY, else an Xvfb started for the
// test program and stopped after it.  Screenshots are BMP files read back with SDL.
#pragma once
#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

// True when a display is there (started now if needed); the tests skip otherwise.
bool haveDisplay();

struct Shot {
    int w = 0, h = 0;
    std::vector<uint32_t> px;  // 0x00RRGGBB, row by row
    uint32_t at(int x, int y) const { return px[size_t(y) * size_t(w) + size_t(x)]; }
};
bool loadShot(const std::string& file, Shot& out);

constexpr uint32_t rgb(int r, int g, int b) { return uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b); }

// Pixels of one cell (cw x ch) equal to `colour`.
int countInCell(const Shot& s, int cw, int ch, int col, int row, uint32_t colour);
// The cell holds that colour and nothing else.
bool cellAll(const Shot& s, int cw, int ch, int col, int row, uint32_t colour);

std::string makeTempDir();
