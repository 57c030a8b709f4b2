// The embedded engine as a transcriber of the comparison tool: its letter-to-sound
// rules and exceptions (data/brisatts, or --set brisa-rules=F --set brisa-exceptions=F),
// its phonemes mapped to the common alphabet.
#include "ludivar_paths.h"
#include <map>

#include "phoncompare.h"
#include "platform/platform.h"
#include "speech/brisa/chain.h"

namespace phoncmp {

namespace {

bool openBrisa(const Options& o, std::string& error) {
    auto get = [&](const char* key, const char* dflt) {
        auto it = o.extra.find(key);
        return it != o.extra.end() ? it->second : std::string(LUDIVAR_SOURCE_DIR) + dflt;
    };
    const std::string rules = get("brisa-rules", "/data/brisatts/portug.nrl");
    const std::string exc = get("brisa-exceptions", "/data/brisatts/portug.exc");
    if (!brisa::loadBrisaRules(rules, exc)) {
        error = "cannot read " + rules + " or " + exc;
        return false;
    }
    return true;
}

// The engine's phonemes in the common alphabet.
const std::map<std::string, std::string>& common() {
    static const std::map<std::string, std::string> m = {
        {"a", "a"},   {"a2", "6"},  {"@", "a~"}, {"e", "e"},   {"ee", "E"}, {"en", "e~"}, {"i", "i"},
        {"in", "i~"}, {"o", "o"},   {"oo", "O"}, {"on", "o~"}, {"u", "u"},  {"un", "u~"}, {"w", "w"},
        {"y", "j"},   {"b", "b"},   {"d", "d"},  {"dj", "dZ"}, {"f", "f"},  {"g", "g"},   {"h", "R"},
        {"j", "Z"},   {"k", "k"},   {"l", "l"},  {"lh", "L"},  {"m", "m"},  {"m2", "m"},  {"n", "n"},
        {"nh", "J"},  {"p", "p"},   {"r", "r"},  {"r2", "r"},  {"rr", "R"}, {"s", "s"},   {"s2", "s"},
        {"t", "t"},   {"tx", "tS"}, {"v", "v"},  {"x", "S"},   {"z", "z"}};
    return m;
}

Phones transcribeBrisa(const std::string& wordUtf8) {
    const std::vector<std::string> lines = brisa::wordsToPhonemes({"555|" + plat::utf8ToCp1252(wordUtf8)});
    Phones out;
    bool stressNext = false;
    for (size_t i = 1; i < lines.size(); ++i) {
        std::string p = lines[i];
        if (p.empty() || p[0] == ';' || p[0] == '_') continue;
        if (p[0] == '>') {
            stressNext = true;
            p.erase(0, 1);
        }
        auto it = common().find(p);
        std::string c = it != common().end() ? it->second : "?" + p;
        // The mark goes on the nucleus: a stressed onset passes it on.
        if (stressNext && isNucleus(c)) {
            c = "'" + c;
            stressNext = false;
        }
        out.push_back(c);
    }
    return out;
}

}  // namespace

const Transcriber& brisaTranscriber() {
    static const Transcriber t{"brisa", "the embedded engine's rules (data/brisatts/portug.nrl, portug.exc)",
                               openBrisa, transcribeBrisa};
    return t;
}

}  // namespace phoncmp
