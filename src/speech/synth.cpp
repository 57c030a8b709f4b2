// The own diphone synthesizer: a transcription is cut into tokens, words and
// syllable units; each unit is found in the sorted index and its samples are
// read from the data file into a 64000-byte WAV buffer that is played piece by
// piece.  Units missing from the database are rebuilt from smaller ones.
#include "speech/synth.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/files.h"
#include "platform/platform.h"
#include "speech/brisa/brisa.h"
#include "speech/env.h"
#include "speech/phonetics.h"
#include "speech/settings.h"
#include "speech/speak.h"
#include "speech/synthcore.h"
#include "speech/wave.h"
#include "util/log.h"

namespace speech {

namespace {

std::string orDefault(const std::string& dir, const char* fallback) { return dir.empty() ? fallback : dir; }

void playBuffer(const std::string& image) {
    playWaveBuffer(image);
    // A key cut the sound: what follows is not wanted either.
    if (shouldStop()) synthState().aborted = true;
}

}  // namespace

std::string letterFilePath(const std::string& name) {
    std::string dir = orDefault(speechSettings().synthLetters, "c:\\sonare\\som\\letras");
    if (dir.back() != '\\' && dir.back() != '/') dir += '\\';
    // Number words recorded at the pace of the open database, when there are.
    const std::string& db = synthState().settings.dbName;
    if (synthState().open && !db.empty() && plat::fileExists(dir + db + "\\" + name + ".wav"))
        return plat::mapPath(dir + db + "\\" + name + ".wav");
    return plat::mapPath(dir + name + ".wav");
}

int synthOpen(const SynthSettings& settings) {
    synthClose();
    SynthState& s = synthState();
    s.settings = settings;
    const std::string letters = orDefault(settings.letters, "c:\\sonare\\som\\letras");
    const std::string diphones = orDefault(settings.diphones, "c:\\sonare\\som\\difones");
    s.lettersDir = plat::mapPath(letters);
    s.diphoneDir = plat::mapPath(diphones);
    if (!plat::dirExists(letters) || !plat::dirExists(diphones)) return 1;
    // An absent DIFONESs key falls back to the name used before any settings.
    std::string db = settings.dbName.empty() ? std::string("DIFONES2") : settings.dbName;
    if (db.size() > 8) db.resize(8);
    s.settings.dbName = db;
    std::string indexImage;
    if (!readUnitFile(plat::mapPath(diphones + "\\" + db + ".IND"), indexImage) ||
        !readUnitFile(plat::mapPath(diphones + "\\" + db + ".DIF"), s.dataImage)) {
        s.dataImage.clear();
        return 1;
    }
    s.index = parseIndex(indexImage, s.dataImage.size());
    if (!loadLetterRules(plat::mapPath(diphones + "\\regras.rgr")) ||
        !loadExceptionWords(plat::mapPath(diphones + "\\portug.exc"))) {
        freeLetterRules();
        s.index.clear();
        s.dataImage.clear();
        return 2;
    }
    s.out.assign(kOutputSize, char(128));
    s.writePos = kHeaderSize;
    s.player = playBuffer;
    s.open = true;
    return 0;
}

void synthClose() {
    SynthState& s = synthState();
    if (s.open) freeLetterRules();
    s.open = false;
    s.index.clear();
    s.dataImage.clear();
    s.dataImage.shrink_to_fit();
    s.out.clear();
}

bool synthIsOpen() { return synthState().open; }

void synthSpeak(const std::string& transcription) {
    plat::trace("synth", transcription);
    if (!synthState().open) return;
    speakTranscription(transcription);
}

const char* const kServerWritesNoFile =
    "o speech-dispatcher não grava a fala em arquivo; para gravar, use TIPOSAPI=5 (espeak-ng) ou SAPI=NAO "
    "em [TRADUTOR]";

namespace {

// espeak-ng's samples go into the file as they are made, at the voice's own rate and
// width; the file takes its name only once it is whole.
bool streamVoiceToWav(const std::string& textCp1252, const std::string& wavPath, std::string& problem) {
    const std::string part = wavPath + ".part";
    FILE* f = std::fopen(part.c_str(), "wb");
    if (!f) {
        problem = "não foi possível gravar " + wavPath;
        return false;
    }
    size_t dataLen = 0;
    int rate = 0, channels = 0, bits = 0;
    const size_t headerLen = makeWaveHeader(0, 22050, 1, 16).size();
    bool ok = std::fwrite(std::string(headerLen, '\0').data(), 1, headerLen, f) == headerLen;
    setWaveSink([&](const uint8_t* data, size_t len, int r, int c, int b) {
        if (rate == 0) rate = r, channels = c, bits = b;
        if (r != rate || c != channels || b != bits) ok = false;  // one format per file
        if (!ok) return;
        ok = std::fwrite(data, 1, len, f) == len;
        dataLen += len;
    });
    speak(textCp1252);
    waitSpeech();
    setWaveSink(nullptr);
    if (rate == 0) rate = 22050, channels = 1, bits = 16;  // nothing was said: an empty file
    const std::string header = makeWaveHeader(dataLen, rate, channels, bits);
    ok = ok && header.size() == headerLen && std::fseek(f, 0, SEEK_SET) == 0 &&
         std::fwrite(header.data(), 1, header.size(), f) == header.size();
    ok = std::fclose(f) == 0 && ok;
    if (ok && std::rename(part.c_str(), wavPath.c_str()) == 0) return true;
    std::remove(part.c_str());
    problem = "não foi possível gravar " + wavPath;
    return false;
}

}  // namespace

bool renderToWav(const std::string& textCp1252, const std::string& wavPath, std::string& problem) {
    const SpeechSettings& ss = speechSettings();
    if (systemVoiceActive() && ss.voiceKind == VoiceKind::Embedded) {
        // The embedded engine writes its own 16-bit 16 kHz file.
        if (brisa::brisaSpeakToWav(textCp1252, wavPath, ss.voiceRate, ss.voicePitch) != 0) {
            problem = "o motor embutido não gravou " + wavPath;
            return false;
        }
        return true;
    }
    if (systemVoiceActive() && inProcessEspeak(ss.voiceKind)) return streamVoiceToWav(textCp1252, wavPath, problem);
    if (systemVoiceActive()) {
        // speech-dispatcher speaks on its own device: there is nothing to capture.
        problem = kServerWritesNoFile;
        return false;
    }
    // The own voice's samples go to the file as they are made; it takes its name once whole.
    const std::string part = wavPath + ".part";
    FILE* f = std::fopen(part.c_str(), "wb");
    if (f) {
        size_t dataLen = 0;
        auto put = [&](const std::string& piece) {
            dataLen += piece.size();
            return std::fwrite(piece.data(), 1, piece.size(), f) == piece.size();
        };
        bool ok = put(makeWaveHeader(0, 11025, 1, 8));
        dataLen = 0;
        beginCapture(put);
        speak(textCp1252);
        ok = !waveState().captureSpillFailed && ok;
        ok = put(endCapture()) && ok;
        const std::string header = makeWaveHeader(dataLen, 11025, 1, 8);
        ok = ok && std::fseek(f, 0, SEEK_SET) == 0 && std::fwrite(header.data(), 1, header.size(), f) == header.size();
        ok = std::fclose(f) == 0 && ok;
        if (ok && std::rename(part.c_str(), wavPath.c_str()) == 0) return true;
        std::remove(part.c_str());
    }
    problem = "não foi possível gravar " + wavPath;
    return false;
}

}  // namespace speech
