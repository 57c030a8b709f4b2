// WAV images: the 44-byte header of in-memory sounds and the chunk walk that
// finds the samples of a file.  No device here, so the voice builder and the
// synthesizer core can use it on their own.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "speech/wave.h"

namespace speech {

uint32_t waveLe32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
uint16_t waveLe16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

bool waveTagIs(const uint8_t* p, const char* tag) {
    for (int i = 0; i < 4; ++i)
        if (std::toupper(p[i]) != std::toupper(static_cast<unsigned char>(tag[i]))) return false;
    return true;
}

std::string makeWaveHeader(size_t dataLen, int rate, int channels, int bits) {
    std::string h(44, '\0');
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) h[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    auto put16 = [&](size_t at, uint16_t v) {
        h[at] = char(v & 0xFF);
        h[at + 1] = char(v >> 8);
    };
    std::memcpy(&h[0], "RIFF", 4);
    put32(4, uint32_t(dataLen + 36));
    std::memcpy(&h[8], "WAVE", 4);
    std::memcpy(&h[12], "fmt ", 4);
    put32(16, 16);
    put16(20, 1);
    put16(22, uint16_t(channels));
    put32(24, uint32_t(rate));
    put32(28, uint32_t(rate * channels * (bits / 8)));
    put16(32, 1);
    put16(34, uint16_t(bits));
    std::memcpy(&h[36], "data", 4);
    put32(40, uint32_t(dataLen));
    return h;
}

bool parseWaveImage(const std::string& image, WaveFormat& fmt, size_t& dataStart, size_t& dataLen) {
    const auto* p = reinterpret_cast<const uint8_t*>(image.data());
    const size_t n = image.size();
    if (n < 36 || !waveTagIs(p, "RIFF") || !waveTagIs(p + 12, "fmt ")) return false;
    uint32_t fmtLen = waveLe32(p + 16);
    if (fmtLen < 16 || fmtLen > n - 20) return false;
    fmt.channels = waveLe16(p + 22);
    fmt.rate = int(waveLe32(p + 24));
    fmt.bits = waveLe16(p + 34);
    size_t at = 20 + size_t(fmtLen);
    while (at + 8 <= n) {
        uint32_t len = waveLe32(p + at + 4);
        if (waveTagIs(p + at, "data")) {
            dataStart = at + 8;
            dataLen = std::min<size_t>(len, n - dataStart);
            return true;
        }
        at += 8 + size_t(len) + (len & 1);
    }
    return false;
}

bool readWave8(const std::string& linuxPath, std::string& samples, int& rate) {
    samples.clear();
    FILE* f = std::fopen(linuxPath.c_str(), "rb");
    if (!f) return false;
    std::string image;
    char chunk[65536];
    size_t got;
    // Recordings are short; a bound keeps a damaged or huge file from eating memory.
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0 && image.size() < (64u << 20)) image.append(chunk, got);
    std::fclose(f);
    WaveFormat fmt;
    size_t start = 0, len = 0;
    if (!parseWaveImage(image, fmt, start, len)) return false;
    if ((fmt.bits != 8 && fmt.bits != 16) || fmt.channels < 1 || fmt.rate <= 0) return false;
    const size_t frame = size_t(fmt.channels) * (fmt.bits / 8);
    const size_t frames = len / frame;
    samples.resize(frames);
    const auto* p = reinterpret_cast<const uint8_t*>(image.data()) + start;
    for (size_t i = 0; i < frames; ++i) {
        const uint8_t* s = p + i * frame;
        samples[i] = char(fmt.bits == 8 ? s[0] : uint8_t(s[1] ^ 0x80));
    }
    rate = fmt.rate;
    return true;
}

std::string resampleTo11025(const std::string& samples, int rate) {
    if (rate == 11025 || rate <= 0 || samples.empty()) return samples;
    const size_t outN = size_t(uint64_t(samples.size()) * 11025 / uint64_t(rate));
    std::string out(outN, char(128));
    for (size_t i = 0; i < outN; ++i) out[i] = samples[std::min(samples.size() - 1, size_t(uint64_t(i) * uint64_t(rate) / 11025))];
    return out;
}

}  // namespace speech
