// The diphone synthesizer's core: index and data images, tokens, words,
// syllable units and the fall-backs for missing units, writing into the output
// buffer.  It knows nothing of devices or configuration: synth.cpp opens it
// and hands it a player; the voice builder and the benchmark drive it directly.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "speech/synth.h"

namespace speech {

constexpr size_t kIndexRecordSize = 15;
constexpr size_t kOutputSize = 64000;
constexpr size_t kHeaderSize = 44;
constexpr size_t kMaxToken = 40;

struct IndexRecord {
    std::string name;     // upper case, at most 8
    uint16_t length = 0;  // samples
    uint32_t offset = 0;  // into the data file
};

struct SynthStats {
    long lookups = 0;          // units asked for by the word algorithm
    long found = 0;            // ... and found at once (index or recording)
    long fallbacks = 0;        // look-ups that missed and were rebuilt
    long noise = 0;            // noise fall-backs
    long recordedMissing = 0;  // "_" units whose file is missing or bad
    long pauseSamples = 0;     // silence put between words and at punctuation
};

struct SynthState {
    bool open = false;
    SynthSettings settings;
    std::string lettersDir, diphoneDir;   // Linux paths
    std::vector<IndexRecord> index;       // sorted by name
    std::string dataImage;                // the .DIF file
    std::string out;                      // 64000-byte buffer, header in 0..43
    size_t writePos = kHeaderSize;
    int stress = 1;
    bool aborted = false;                 // a key cut the speech
    uint32_t noiseSeed = 12345;
    // Where full buffers go: the player (synth.cpp), or a sink string that
    // collects the samples (benchmark, tests, builder).
    void (*player)(const std::string& image) = nullptr;
    std::string* sink = nullptr;
    // Filled while speaking: names asked for at the top level (builder), counts.
    std::vector<std::string>* requested = nullptr;
    SynthStats stats;
    bool noiseInWord = false;
    // Where one database unit follows another with nothing between (offsets
    // into everything written so far), for measuring the joins; and whether
    // the last thing written was such a unit.
    struct Join {
        size_t at;
        std::string before, after;  // unit names
    };
    std::vector<Join>* joins = nullptr;
    // The middle of every database unit written (same offsets): the points a join
    // is compared with.
    std::vector<size_t>* middles = nullptr;
    bool afterUnit = false;
    std::string lastUnit;
    // The last sample written: the next sound starts from it, silence ends on it.
    int lastSample = 128;
    // Off: units go out exactly as stored, without the easing at joins and
    // silences (the unit tests count the samples of each unit).
    bool easeJoins = true;
};
SynthState& synthState();
void resetSynth();

// Reads a whole unit file (index or data) into memory; false when it cannot be opened.
bool readUnitFile(const std::string& linuxPath, std::string& image);
// Index image -> sorted records.  A trailing partial record is ignored, names
// are cut to 8 characters, and a record reaching past the data is shortened to
// what the data holds.
std::vector<IndexRecord> parseIndex(const std::string& image, size_t dataSize);
// Index image from records (sorted on the way): the voice builder writes it.
std::string buildIndex(std::vector<IndexRecord> records);

const IndexRecord* findUnit(const std::string& upperName);
// Algorithm of the whole transcription; full buffers go to the player or sink.
void speakTranscription(const std::string& transcription);
// Pieces, exposed for tests.
bool readToken(const std::string& t, size_t& pos, std::string& token, char& ender);
void speakWord(const std::string& token, double factor);
void speakSyllable(const std::string& syllable, double factor);
void playUnit(std::string name, int stress, double factor, bool topLevel);

// How the joins of some speech sound (8-bit samples at 11025 Hz, the offsets
// collected in SynthState::joins and ::middles).
struct JoinReport {
    long joins = 0, middles = 0;
    long cutsAtJoins = 0;     // steps of a tenth of full scale to or from silence at a join
    long cutsElsewhere = 0;   // ... anywhere else
    // 10 ms around the point 12 dB below both sides (not before a stop's closure)
    long joinDips = 0, middleDips = 0;
    double worstJoinDip = 0, worstMiddleDip = 0;  // dB
    size_t worstJoinAt = 0;
};
JoinReport measureJoins(const std::string& samples, const std::vector<SynthState::Join>& joins,
                        const std::vector<size_t>& middles);

}  // namespace speech
