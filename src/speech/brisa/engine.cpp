// The embedded engine's start-up, speaking and shut-down: the language chain
// feeds the synthesizer line by line; its samples go to the wave output or a WAV file.
#include <cstdio>
#include <vector>

#include "platform/files.h"
#include "platform/platform.h"
#include "speech/brisa/brisa.h"
#include "speech/brisa/chain.h"
#include "speech/brisa/mbrola.h"
#include "speech/env.h"
#include "speech/wave.h"
#include "util/text.h"

namespace brisa {

namespace {

constexpr size_t kFetchSamples = 16000;   // one read from the synthesizer
constexpr size_t kPlayBytes = 16000;      // gathered before a piece goes to the wave output
constexpr size_t kShortestPiece = 256;    // shorter sounds are padded with silence

struct EngineState {
    bool open = false;
    Synth synth;
    std::string outputName;
    FILE* out = nullptr;
    bool writingFile = false;
    double pitchFactor = 1.0, durationFactor = 1.0;
    std::string errorText;
    std::vector<int16_t> fetch = std::vector<int16_t>(kFetchSamples);
    std::string play;  // bytes gathered for the wave output
};
EngineState gEng;

std::string orDefault(const std::string& s, const char* dflt) { return s.empty() ? std::string(dflt) : s; }

void writeWaveHeader(FILE* f, size_t dataBytes) {
    const std::string h = speech::makeWaveHeader(dataBytes, kSampleRate, 1, 16);
    std::fwrite(h.data(), 1, h.size(), f);
}

bool keyCut() { return speech::shouldStop(); }

void playGathered() {
    if (gEng.play.empty()) return;
    speech::playSamples(reinterpret_cast<const uint8_t*>(gEng.play.data()), gEng.play.size(), kSampleRate, 1, 16);
    gEng.play.clear();
}

// One block of samples to the file or the play buffer.  False on a write error.
bool deliver(const int16_t* s, size_t n) {
    if (gEng.writingFile) return std::fwrite(s, sizeof(int16_t), n, gEng.out) == n;
    const char* bytes = reinterpret_cast<const char*>(s);
    size_t left = n * 2;
    // The block may be larger than the play buffer: it is cut to fit, never overrun.
    while (left > 0) {
        const size_t room = kPlayBytes - gEng.play.size();
        const size_t take = std::min(room, left);
        gEng.play.append(bytes, take);
        bytes += take;
        left -= take;
        if (gEng.play.size() >= kPlayBytes) playGathered();
    }
    return true;
}

}  // namespace

void ttsSetOutputFile(const std::string& name) { gEng.outputName = name; }

std::string ttsErrorText() { return gEng.errorText; }

std::string ttsBackend() {
    if (!gEng.open) return std::string();
    return gEng.synth.backend == Backend::Pipe ? "mbrola" : "interno";
}

bool ttsOpen(const std::string& database, const std::string& rules, const std::string& exceptions,
             const std::string& definitions, const std::string& prosody, const std::string& abbreviations) {
    if (gEng.open) ttsClose();
    gEng.errorText.clear();
    const std::string db = plat::mapPath(orDefault(database, "br4"));
    // The real MBROLA when it and the voice are installed; our renderer otherwise.
    const std::string voice = findMbrolaProgram().empty() ? std::string() : findMbrolaVoice(db);
    int rc = -1;
    if (!voice.empty()) rc = synthInit(gEng.synth, Backend::Pipe, voice);
    if (rc < 0) rc = synthInit(gEng.synth, Backend::Builtin, db + ".ddb");
    if (rc < 0) return false;
    resetLanguage();
    const std::string nrl = plat::mapPath(orDefault(rules, "portug.nrl"));
    const std::string exc = plat::mapPath(orDefault(exceptions, "portug.exc"));
    const std::string dfn = plat::mapPath(orDefault(definitions, "portug.dfn"));
    const std::string pro = plat::mapPath(orDefault(prosody, "portug.pro"));
    const std::string abr = plat::mapPath(orDefault(abbreviations, "portug.abr"));
    const char* fail = nullptr;
    if (!loadBrisaRules(nrl, exc)) fail = "Erro na base de dados de português";
    else if (!loadAbbreviations(abr)) fail = "Erro no arquivo de abreviaturas";
    else if (!loadProsody(pro) || !loadDiphoneList(dfn)) fail = "Erro no arquivo de prosódia";
    if (!fail && !gEng.outputName.empty()) {
        gEng.out = std::fopen(gEng.outputName.c_str(), "wb");
        if (gEng.out) {
            writeWaveHeader(gEng.out, 0);
            if (std::ferror(gEng.out)) {
                std::fclose(gEng.out);
                gEng.out = nullptr;
            }
        }
        if (!gEng.out) fail = "Arquivo de saída não pode ser criado";
        gEng.writingFile = gEng.out != nullptr;
    }
    if (fail) {
        gEng.errorText = plat::cp(fail);
        resetLanguage();
        synthClose(gEng.synth);
        return false;
    }
    gEng.open = true;
    return true;
}

void ttsSetFactors(double pitchFactor, double durationFactor) {
    gEng.pitchFactor = pitchFactor;
    gEng.durationFactor = durationFactor;
}

bool ttsSpeak(const std::string& text) {
    if (!gEng.open || util::trimLineSpace(text).empty()) return gEng.open;
    // Phrase by phrase: the first sound comes as soon as the first phrase is made.
    PhraseTranscriber phrases(text, gEng.pitchFactor, gEng.durationFactor);
    std::vector<std::string> lines;
    speech::WaveState& w = speech::waveState();
    const bool fast = w.fastRate, cut = w.cutPeriods;
    speech::setFastRate(false);
    speech::setCutPeriods(false);
    bool ok = true, cutShort = false;
    Synth& s = gEng.synth;
    gEng.play.clear();
    synthReset(s);
    while (!cutShort && phrases.next(lines)) {
        const bool lastPhrase = phrases.done();
        for (size_t i = 0; i < lines.size() && !cutShort; ++i) {
            const bool lastLine = lastPhrase && i + 1 == lines.size();
            if (lines[i].empty() && !lastLine) continue;
            synthWrite(s, lines[i]);
            if (synthLastError(s) != 0) {
                synthReset(s);
                ok = false;
            }
            if (lastLine) synthFlush(s);
            size_t n;
            while ((n = synthRead(s, gEng.fetch.data(), kFetchSamples)) > 0) {
                if (!deliver(gEng.fetch.data(), n)) ok = false;
                // A key cuts the engine at once, like the own voice.
                if (!gEng.writingFile && keyCut()) {
                    cutShort = true;
                    break;
                }
            }
        }
    }
    if (synthLastError(s) != 0) ok = false;
    if (cutShort) {
        synthReset(s);
        gEng.play.clear();
    } else if (!gEng.writingFile && !gEng.play.empty()) {
        if (gEng.play.size() < kShortestPiece) gEng.play.resize(kShortestPiece, '\0');
        playGathered();
    }
    if (gEng.writingFile && std::fflush(gEng.out) != 0) ok = false;
    speech::setFastRate(fast);
    speech::setCutPeriods(cut);
    return ok;
}

bool ttsIsSpeaking() {
    if (!gEng.open || gEng.writingFile) return false;
    return speech::isPlaying();
}

void ttsStop() {
    if (gEng.open && !gEng.writingFile) speech::stopPlayback();
}

void ttsClose() {
    if (gEng.out) {
        std::fclose(gEng.out);
        gEng.out = nullptr;
        // The header is written again with the size the file really has.
        if (FILE* f = std::fopen(gEng.outputName.c_str(), "r+b")) {
            std::fseek(f, 0, SEEK_END);
            const long size = std::ftell(f);
            std::fseek(f, 0, SEEK_SET);
            writeWaveHeader(f, size > 44 ? size_t(size - 44) : 0);
            std::fclose(f);
        }
    }
    gEng.writingFile = false;
    resetLanguage();
    synthClose(gEng.synth);
    gEng.play.clear();
    gEng.open = false;
}

}  // namespace brisa
