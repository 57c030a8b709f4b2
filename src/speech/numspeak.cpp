// Speaking numbers, the time and the date from the word files of the letters folder.
#include <string>
#include <vector>

#include "platform/platform.h"
#include "speech/env.h"
#include "speech/synth.h"
#include "speech/wave.h"

namespace speech {

namespace {

constexpr size_t kWordBufferSamples = 30000;

// Plays word files one after the other from one buffer, so the words join
// without the gaps that separate plays would leave.
void playWordFiles(const std::vector<std::string>& names) {
    std::string buffer;
    buffer.reserve(kWordBufferSamples);
    bool cut = false;
    auto flush = [&]() {
        if (!buffer.empty()) playWaveBuffer(makeWaveHeader(buffer.size(), 11025, 1, 8) + buffer);
        buffer.clear();
        // A key stops the words still to come.
        if (shouldStop()) cut = true;
    };
    for (const std::string& name : names) {
        if (cut) return;
        plat::trace("play", name);
        std::string samples;
        int rate = 0;
        if (!readWave8(letterFilePath(name), samples, rate)) continue;  // a missing word leaves a gap
        samples = resampleTo11025(samples, rate);
        if (samples.size() > kWordBufferSamples) samples.resize(kWordBufferSamples);
        if (buffer.size() + samples.size() > kWordBufferSamples) flush();
        if (cut) return;
        buffer += samples;
    }
    flush();
}

}  // namespace

void speakNumberWords(const std::string& words, bool feminine) {
    std::vector<std::string> names;
    appendWordNames(names, words, feminine);
    playWordFiles(names);
}

void speakTime() {
    plat::Time t = plat::currentTime();
    playWordFiles(timeWordFiles(t.hour, t.minute));
}

void speakDate() {
    plat::Date d = plat::currentDate();
    playWordFiles(dateWordFiles(d.day, d.month, d.year, d.weekday));
}

}  // namespace speech
