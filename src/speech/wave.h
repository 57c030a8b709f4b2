// Wave playback: 8- or 16-bit PCM through the platform's audio queue, a ring of
// four buffers, and the two speed-ups (fast rate, period cutting).
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace speech {

int playFile(const std::string& linuxPath);          // 0, -1 or a device error
void playWaveBuffer(const std::string& image);       // in-memory WAV, waits while speaking
int playSamples(const uint8_t* data, size_t len, int rate, int channels, int bits);
bool isPlaying();
void stopPlayback();
void setFastRate(bool on);
void setCutPeriods(bool on);
bool cutPeriodsOn();
void setKeyInterrupts(bool on);
std::string makeWaveHeader(size_t dataLen, int rate, int channels, int bits);
// The period cutter on one piece; returns the new samples (8-bit).
std::vector<uint8_t> cutPeriods(const uint8_t* data, size_t len, int bits, int rate);

// ---- module state --------------------------------------------------------
constexpr size_t kWaveBufferSize = 65534;
constexpr int kRingSize = 4;

struct WaveState {
    bool deviceOpen = false;
    int rate = 0, bits = 0, channels = 0;     // format of the open device
    int ringIndex = 0;                        // 0-based, the buffer used last
    std::array<std::vector<uint8_t>, kRingSize> buffers;  // allocated once
    int mostQueued = kRingSize;
    bool keyInterrupts = true;
    bool fastRate = false;
    bool cutPeriods = false;
    // What was last handed to the device (tests look at padding and rates).
    size_t lastQueuedLen = 0;
    int lastOpenRate = 0, lastOpenBits = 0;
    // Capture: sounds are collected as 8-bit mono 11025 Hz instead of played,
    // and waits of the virtual clock between them become silence.
    bool capturing = false;
    std::string captured;
    uint64_t captureClockMs = 0;
    // When set, collected samples are handed on in pieces rather than kept (a long
    // text into a file keeps its memory flat); false from it is remembered.
    std::function<bool(const std::string&)> captureSpill;
    bool captureSpillFailed = false;
};
WaveState& waveState();
void resetWave();   // closes the device and starts from the initial settings

// Size of the next piece read from a file's data chunk with `remaining` bytes left:
// at most one buffer, and never a last piece shorter than 257 bytes.
size_t wavePieceSize(uint64_t remaining);

void beginCapture();
// Capture whose samples go to `spill` in pieces as they come; endCapture gives the rest.
void beginCapture(std::function<bool(const std::string&)> spill);
std::string endCapture();   // the samples collected since beginCapture (not yet spilled)
bool capturing();
// While set, every sound goes to the sink, untouched, instead of the device or the
// capture (a voice streamed into a file at its own rate).  Empty: sounds play again.
using WaveSink = std::function<void(const uint8_t* data, size_t len, int rate, int channels, int bits)>;
void setWaveSink(WaveSink sink);

// ---- WAV parsing ------------------------------------------------------------
// Little-endian fields and chunk tags (compared without regard to case).
uint32_t waveLe32(const uint8_t* p);
uint16_t waveLe16(const uint8_t* p);
bool waveTagIs(const uint8_t* p, const char* tag);
struct WaveFormat {
    int rate = 0, bits = 0, channels = 0;
};
// Finds format and samples of a WAV image in memory: "RIFF" at 0, "fmt " at 12,
// then chunks up to "data".  Samples are cut to what the image really holds.
bool parseWaveImage(const std::string& image, WaveFormat& fmt, size_t& dataStart, size_t& dataLen);
// Reads a WAV file and gives its samples as 8-bit mono at the file's rate
// (16-bit samples keep their high byte, other channels are dropped).
bool readWave8(const std::string& linuxPath, std::string& samples, int& rate);
// 8-bit samples at `rate` brought to 11025 Hz (nearest sample).
std::string resampleTo11025(const std::string& samples, int rate);

}  // namespace speech
