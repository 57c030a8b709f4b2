#include "game/text.h"
#include "util/text.h"

#include <limits>

namespace game {

bool parseInt(std::string_view s, int32_t& out) {
    s = util::trimView(s);
    if (s.empty()) return false;
    bool negative = false;
    size_t i = 0;
    if (s[0] == '-' || s[0] == '+') {
        negative = s[0] == '-';
        i = 1;
    }
    if (i >= s.size()) return false;
    int64_t v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + (s[i] - '0');
        if (v > int64_t(std::numeric_limits<int32_t>::max()) + 1) return false;
    }
    if (negative) v = -v;
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) return false;
    out = int32_t(v);
    return true;
}

std::vector<std::string> splitBars(std::string_view s) {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        size_t bar = s.find('|', start);
        if (bar == std::string_view::npos) {
            out.emplace_back(s.substr(start));
            return out;
        }
        out.emplace_back(s.substr(start, bar - start));
        start = bar + 1;
    }
}

}  // namespace game
