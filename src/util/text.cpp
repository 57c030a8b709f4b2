#include "util/text.h"

namespace util {

namespace {

template <typename Blank>
std::string_view trimWith(std::string_view s, Blank blank) {
    size_t b = 0, e = s.size();
    while (b < e && blank(uint8_t(s[b]))) ++b;
    while (e > b && blank(uint8_t(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

}  // namespace

std::string upperLatin(std::string_view s) {
    std::string out(s);
    const auto& t = kCase.upper;
    for (char& c : out) c = char(t[uint8_t(c)]);
    return out;
}

std::string lowerLatin(std::string_view s) {
    std::string out(s);
    const auto& t = kCase.lower;
    for (char& c : out) c = char(t[uint8_t(c)]);
    return out;
}

std::string_view trimView(std::string_view s) {
    return trimWith(s, [](uint8_t c) { return c <= ' '; });
}

std::string trim(std::string_view s) { return std::string(trimView(s)); }

std::string trimSpaces(std::string_view s) {
    return std::string(trimWith(s, [](uint8_t c) { return c == ' ' || c == '\t'; }));
}

std::string trimLineSpace(std::string_view s) {
    return std::string(trimWith(s, [](uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }));
}

}  // namespace util
