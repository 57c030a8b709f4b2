// libFuzzer target for the embedded engine's language files and text chain: the
// input is read as rules, exceptions, prosody, diphone list and abbreviations, then
// spoken as text through the whole chain and the renderer's line parser.  Whatever
// the files hold, nothing may crash or run away.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "speech/brisa/chain.h"
#include "speech/brisa/render.h"

namespace {
std::string tempFile(const std::string& bytes) {
    static std::string path = [] {
        char name[] = "/tmp/fuzz_brisa_XXXXXX";
        const int fd = mkstemp(name);
        if (fd >= 0) close(fd);
        return std::string(name);
    }();
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    return path;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    brisa::resetLanguage();
    const std::string path = tempFile(bytes);
    brisa::loadBrisaRules(path, path);
    brisa::loadProsody(path);
    brisa::loadDiphoneList(path);
    brisa::loadAbbreviations(path);
    const std::string text = bytes.substr(0, 300);
    for (const std::string& l : brisa::textToPhonemeLines(text, 1.0, 1.0)) {
        brisa::Phone p;
        bool bad = false;
        brisa::parsePhoneLine(l, p, bad);
    }
    brisa::textToPhonemeLines("Quantos anos tem o Sr. Silva? 1.234,5 - 3º lugar!", 1.0, 1.0);
    brisa::stressPosition(text);
    brisa::normalizeText(text);
    return 0;
}
