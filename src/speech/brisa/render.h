// The built-in renderer of MBROLA phoneme input: a 16 kHz diphone database and
// pitch-synchronous overlap-add that honours each phoneme's duration and pitch points.
// Device-free: the database builder and the stand-in pipe program link it too.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace brisa {

constexpr int kSampleRate = 16000;
constexpr uint32_t kMarkVoiced = 0x80000000u;  // flag on a pitch mark

struct Diphone {
    std::string name;                 // "a-b"
    std::vector<int16_t> samples;     // from the middle of a to the middle of b
    uint32_t boundary = 0;            // where a ends and b begins
    std::vector<uint32_t> marks;      // analysis marks, ascending; kMarkVoiced on voiced ones
};

struct DiphoneDb {
    std::vector<Diphone> units;       // sorted by name
    const Diphone* find(const std::string& a, const std::string& b) const;
};

// "BRISADB1", count, then per unit: name, boundary, marks, samples (little-endian).
bool saveDiphoneDb(const std::string& linuxPath, const DiphoneDb& db);
// Checks every field against the file's size; `problem` says what is wrong.
bool loadDiphoneDb(const std::string& linuxPath, DiphoneDb& db, std::string& problem);

// One parsed line of phoneme input: "name ms [percent hz]...".
struct Phone {
    std::string name;
    double ms = 0;
    std::vector<std::pair<double, double>> points;  // percent, hz
};
// False for a line that is not a phone (comments, flush marks, blank lines) or malformed.
bool parsePhoneLine(const std::string& line, Phone& out, bool& malformed);

// The renderer's state for one utterance.
struct Renderer {
    const DiphoneDb* db = nullptr;
    std::vector<Phone> phones;                    // from the last rendered one on
    std::vector<double> startSample;              // of each phone, in the utterance
    std::vector<std::pair<double, double>> pitch; // sample, hz: the utterance's contour so far
    size_t rendered = 0;                          // phones turned into sound
    double nextMark = 0;                          // next synthesis mark (utterance samples)
    std::vector<float> acc;                       // overlap-add accumulator
    size_t accBase = 0;                           // utterance sample of acc[0]
    std::vector<int16_t> ready;                   // final samples not yet read
    size_t readPos = 0;
    int error = 0;                                // 0 none, 1 a malformed line
};
void rendererReset(Renderer& r);
void rendererWrite(Renderer& r, const std::string& line);  // one or more lines
void rendererFlush(Renderer& r);
size_t rendererRead(Renderer& r, int16_t* out, size_t max);
// Whole utterance at once (tests, the stand-in).
std::vector<int16_t> renderPhoneLines(const DiphoneDb& db, const std::vector<std::string>& lines);

}  // namespace brisa
