// Literary braille through liblouis: a line of CP1252 text becomes cells of dots,
// with the maps between its characters and its cells (cursor and routing keys
// work in characters, the display in cells).
#include "platform/braille.h"

#include "platform/louis_lib.h"

namespace brl {

namespace {

// CP1252's 0x80-0x9F block; the rest of the code page is Latin-1.
const uint16_t kCp1252High[32] = {
    0x20AC, 0x81, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D, 0x017D, 0x8F,
    0x90, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D, 0x017E, 0x0178};

widechar unicodeOf(uint8_t c) {
    if (c < 32) return ' ';  // a control byte from a file is a blank on the display, as on the screen
    if (c >= 0x80 && c < 0xA0) return kCp1252High[c - 0x80];
    return c;
}

}  // namespace

bool translate(const std::string& table, const std::string& text, Translation& out) {
    out = Translation();
    // Without liblouis every table is unusable: brltty's computer braille stands in.
    const plat::louislib::Api* lou = plat::louislib::api();
    if (!lou) return false;
    const int length = int(text.size());
    if (length == 0) {
        out.inToOut.push_back(0);
        return !table.empty() && lou->getTable(table.c_str()) != nullptr;
    }
    std::vector<widechar> in(static_cast<size_t>(length));
    for (int i = 0; i < length; ++i) in[size_t(i)] = unicodeOf(uint8_t(text[size_t(i)]));
    // Contractions shorten and signs (capitals, numbers) lengthen; grow until it fits.
    for (int room = length * 2 + 16; room <= length * 16 + 64; room *= 2) {
        std::vector<widechar> cells(static_cast<size_t>(room));
        std::vector<int> outputPos(static_cast<size_t>(length)), inputPos(static_cast<size_t>(room));
        int inLen = length, outLen = room;
        if (!lou->translate(table.c_str(), in.data(), &inLen, cells.data(), &outLen, nullptr, nullptr,
                           outputPos.data(), inputPos.data(), nullptr, dotsIO))
            return false;
        if (inLen < length) continue;  // the output was full
        out.dots.resize(size_t(outLen));
        for (int j = 0; j < outLen; ++j) out.dots[size_t(j)] = uint8_t(cells[size_t(j)] & 0xFF);
        out.outToIn.assign(inputPos.begin(), inputPos.begin() + outLen);
        out.inToOut.assign(outputPos.begin(), outputPos.end());
        out.inToOut.push_back(outLen);  // just past the end: where typing goes on
        return true;
    }
    return false;
}

}  // namespace brl
