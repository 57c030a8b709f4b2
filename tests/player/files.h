// Media files made on the spot for the player's tests: WAV sounds of a given
// length and JPEG pictures of plain colours.
#pragma once
#include <cstdint>
#include <fstream>
#include <string>

#include "platform/image.h"
#include "platform/platform.h"

namespace testfiles {

// 8-bit mono PCM at 8000 Hz, `ms` long.
inline void writeWav(const std::string& path, int ms) {
    uint32_t n = uint32_t(ms) * 8;
    std::string s = "RIFF";
    auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) s += char((v >> (8 * i)) & 0xFF); };
    auto u16 = [&](uint16_t v) { s += char(v & 0xFF); s += char(v >> 8); };
    u32(36 + n);
    s += "WAVEfmt ";
    u32(16); u16(1); u16(1); u32(8000); u32(8000); u16(1); u16(8);
    s += "data";
    u32(n);
    s += std::string(n, char(128));
    std::ofstream(path, std::ios::binary) << s;
}

inline plat::Picture solid(int w, int h, plat::Rgb c) {
    plat::Picture p;
    p.width = w;
    p.height = h;
    p.rgb.resize(size_t(w) * h * 3);
    for (size_t i = 0; i < p.rgb.size(); i += 3) {
        p.rgb[i] = c.r;
        p.rgb[i + 1] = c.g;
        p.rgb[i + 2] = c.b;
    }
    return p;
}

inline void writeJpeg(const std::string& path, const plat::Picture& pic) {
    std::string bytes;
    plat::encodeJpeg(pic, 95, bytes);
    std::ofstream(path, std::ios::binary) << bytes;
}

inline plat::Rgb at(const plat::Picture& p, int x, int y) {
    const uint8_t* d = &p.rgb[(size_t(y) * p.width + x) * 3];
    return {d[0], d[1], d[2]};
}

// JPEG is lossy: colours are compared with some slack.
inline bool near(plat::Rgb a, plat::Rgb b, int slack = 24) {
    auto d = [](int x, int y) { return x > y ? x - y : y - x; };
    return d(a.r, b.r) <= slack && d(a.g, b.g) <= slack && d(a.b, b.b) <= slack;
}

}  // namespace testfiles
