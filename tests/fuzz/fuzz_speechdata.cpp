// libFuzzer target for the speech data readers: the rules file, the exception
// file, WAV images and ECOLAR.INI texts.  Whatever they hold, reading them and then
// transcribing a text with the rules read must not crash.
#include <cstdint>
#include <string>

#include "console/config.h"
#include "speech/phonetics.h"
#include "speech/wave.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    speech::WaveFormat fmt;
    size_t start = 0, len = 0;
    if (speech::parseWaveImage(bytes, fmt, start, len) && (start > bytes.size() || len > bytes.size() - start))
        __builtin_trap();
    con::iniReadText(bytes, "SINTETIZADOR", "DIFONES3");
    con::iniTextHasKey(bytes, "VIDEO", "TABCORES");

    // The first half is taken as rules, the rest as exceptions and as a text to say.
    size_t half = size / 2;
    speech::resetPhonetics();
    speech::parseLetterRules(bytes.substr(0, half));
    speech::parseExceptionWords(bytes.substr(half));
    speech::transcribeText(bytes.substr(half, 200));
    speech::transcribeText("casa da minha escola, aqui e ali");
    return 0;
}
