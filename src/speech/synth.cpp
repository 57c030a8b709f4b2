// The own diphone synthesizer.
#include "speech/synth.h"

#include "console/config.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "speech/wave.h"

namespace speech {

namespace {
struct SynthState {
    bool open = false;
    SynthSettings settings;
};
SynthState gSynth;
}  // namespace

std::string letterFilePath(const std::string& name) {
    std::string dir = con::readWindowsIni("TRADUTOR", "dirLetras");
    if (dir.empty()) dir = "c:\\sonare\\som\\letras";
    if (dir.back() != '\\' && dir.back() != '/') dir += '\\';
    return plat::mapPath(dir + name + ".wav");
}

int synthOpen(const SynthSettings& s) {
    gSynth.settings = s;
    gSynth.open = true;
    return 0;
}

void synthClose() { gSynth.open = false; }
bool synthIsOpen() { return gSynth.open; }

void synthSpeak(const std::string& transcription) { plat::trace("synth", transcription); }

std::string transcribeText(const std::string& text) { return text; }

int speakToWav(const std::string& textCp1252, const std::string& wavPath) {
    (void)textCp1252;
    (void)wavPath;
    return 1;
}

}  // namespace speech
