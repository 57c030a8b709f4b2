// The synthesizer core: tokens, words, syllable units and their fall-backs.
#include "speech/synthcore.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "speech/wave.h"

namespace speech {

namespace {

SynthState gSynth;

// ---- output buffer ----------------------------------------------------------

void flushOutput() {
    SynthState& s = gSynth;
    if (s.writePos > kHeaderSize) {
        const size_t n = s.writePos - kHeaderSize;
        std::memcpy(&s.out[0], makeWaveHeader(n, 11025, 1, 8).data(), kHeaderSize);
        if (s.sink) s.sink->append(s.out, kHeaderSize, n);
        else if (s.player) s.player(s.out.substr(0, s.writePos));
    }
    s.writePos = kHeaderSize;
}

void appendSamples(const uint8_t* data, size_t n) {
    SynthState& s = gSynth;
    while (n > 0 && !s.aborted) {
        if (s.writePos + n >= kOutputSize) {
            // Fill what fits, play it, go on with the rest.
            const size_t room = kOutputSize - 1 - s.writePos;
            const size_t take = std::min(room, n);
            std::memcpy(&s.out[s.writePos], data, take);
            s.writePos += take;
            data += take;
            n -= take;
            flushOutput();
            continue;
        }
        std::memcpy(&s.out[s.writePos], data, n);
        s.writePos += n;
        n = 0;
    }
}

// Sound that starts away from where the last one stopped is eased onto it: its
// offset from the last sample fades out over 3 ms, so a unit cut short in the
// middle of a wave meets the next one (or a silence) without a step.
constexpr int kEase = 33;

void appendEased(const uint8_t* data, size_t n) {
    SynthState& s = gSynth;
    if (n == 0) return;
    const int gap = s.lastSample - int(data[0]);
    if (std::abs(gap) > 2 && s.easeJoins) {
        uint8_t head[kEase];
        const size_t m = std::min<size_t>(n, kEase);
        for (size_t i = 0; i < m; ++i) {
            const double w = 0.5 + 0.5 * std::cos(M_PI * double(i) / kEase);
            head[i] = uint8_t(std::clamp(int(std::lround(data[i] + gap * w)), 0, 255));
        }
        appendSamples(head, m);
        s.lastSample = head[m - 1];
        data += m;
        n -= m;
    }
    if (n > 0) {
        appendSamples(data, n);
        s.lastSample = data[n - 1];
    }
}

// Ends a sound that stopped away from the middle value on a 3 ms slope to it.
void easeToSilence() {
    SynthState& s = gSynth;
    if (std::abs(s.lastSample - 128) <= 2 || !s.easeJoins) return;
    uint8_t tail[kEase];
    for (int i = 0; i < kEase; ++i) {
        const double w = 0.5 + 0.5 * std::cos(M_PI * double(i + 1) / kEase);
        tail[i] = uint8_t(std::lround(128 + (s.lastSample - 128) * w));
    }
    appendSamples(tail, kEase);
    s.lastSample = 128;
}

void appendSilence(int samples) {
    if (samples >= 100) gSynth.afterUnit = false;
    easeToSilence();
    static const std::array<uint8_t, 100> block = [] {
        std::array<uint8_t, 100> b;
        b.fill(128);
        return b;
    }();
    for (int k = 0; k < samples / 100; ++k) appendSamples(block.data(), block.size());
    gSynth.stats.pauseSamples += samples / 100 * 100;
}

// ---- units ----------------------------------------------------------------

bool playRecordedUnit(const std::string& name) {
    std::string samples;
    int rate = 0;
    if (gSynth.lettersDir.empty()) return false;
    std::string dir = gSynth.lettersDir;
    if (dir.back() != '/') dir += '/';
    // Letters spelled inside a text, at the pace of the database when recorded so.
    const std::string& db = gSynth.settings.dbName;
    if ((db.empty() || !readWave8(dir + db + "/" + name + ".wav", samples, rate)) &&
        !readWave8(dir + name + ".wav", samples, rate))
        return false;
    samples = resampleTo11025(samples, rate);
    appendEased(reinterpret_cast<const uint8_t*>(samples.data()), samples.size());
    gSynth.afterUnit = false;
    return true;
}

void appendNoise(size_t n) {
    std::vector<uint8_t> noise(n);
    for (uint8_t& v : noise) {
        gSynth.noiseSeed = gSynth.noiseSeed * 1103515245u + 12345u;
        v = uint8_t(88 + (gSynth.noiseSeed >> 16) % 80);
    }
    appendEased(noise.data(), noise.size());
    gSynth.afterUnit = false;
}

// A unit cut short ends where its wave rises through zero (or has gone quiet)
// within the last pitch period, as whole units do, so the next one follows
// without a click.  One quiet sample inside a steep swing is no end: the step
// before it would be the click.  A wave that never gets there keeps the length
// asked for (the next sound is eased onto it).
size_t quietEnd(const uint8_t* data, size_t len) {
    const size_t reach = 150;
    size_t best = len;
    long bestScore = 1L << 30;
    for (size_t k = len; k >= 4 && k + reach >= len; --k) {
        const int before = int(data[k - 1]) - 128, here = int(data[k]) - 128;
        const bool rising = before < 0 && here >= 0;
        bool quiet = true;
        for (size_t q = k - 3; q < k && quiet; ++q) quiet = std::abs(int(data[q]) - 128) <= 3;
        if (!rising && !quiet) continue;
        // The gentlest place, a near one before a far one.
        const long score = std::abs(before) + (rising ? here : 0) + long(len - k) / 8;
        if (score < bestScore) {
            bestScore = score;
            best = k;
        }
    }
    return best;
}

bool playIndexedUnit(const IndexRecord& r, int stress, double factor, size_t nameLen) {
    SynthState& s = gSynth;
    size_t len = r.length;
    if (stress < 2 && nameLen > 2) {
        const long cut = std::max(0, s.settings.corteFon);
        const long keep = std::max(0, s.settings.sobraFon);
        long left = long(len) - cut;
        if (left < keep) left = std::min<long>(keep, long(len));
        len = size_t(std::max(0L, left));
    }
    len = size_t(std::lround(double(len) * factor));
    len = std::min<size_t>(len, r.length);
    if (len == 0) return true;
    if (s.dataImage.size() >= size_t(r.offset) + len) {
        const auto* data = reinterpret_cast<const uint8_t*>(s.dataImage.data()) + r.offset;
        if (len < r.length) len = quietEnd(data, len);
        const size_t at = (s.sink ? s.sink->size() : 0) + s.writePos - kHeaderSize;
        if (s.joins && s.afterUnit) s.joins->push_back({at, s.lastUnit, r.name});
        if (s.middles) s.middles->push_back(at + len / 2);
        if (s.easeJoins && len >= size_t(kEase) && std::abs(int(data[len - 1]) - int(data[len - 2])) >= 16) {
            // The unit ends on a steep slope (a fall into its last sample): its last
            // 3 ms fade out, or that step would meet a following silence.
            std::vector<uint8_t> faded(data, data + len);
            for (int i = 0; i < kEase; ++i) {
                const double w = 0.5 + 0.5 * std::cos(M_PI * double(i + 1) / kEase);
                uint8_t& v = faded[len - size_t(kEase) + size_t(i)];
                v = uint8_t(std::lround(128 + (int(v) - 128) * w));
            }
            appendEased(faded.data(), len);
        } else {
            appendEased(data, len);
        }
        s.afterUnit = true;
        if (s.joins) s.lastUnit = r.name;
    }
    return true;
}

}  // namespace

SynthState& synthState() { return gSynth; }

void resetSynth() {
    gSynth = SynthState();
}

bool readUnitFile(const std::string& linuxPath, std::string& image) {
    image.clear();
    struct stat st;
    // A FIFO would block the start-up for good.
    if (stat(linuxPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    FILE* f = std::fopen(linuxPath.c_str(), "rb");
    if (!f) return false;
    char buf[65536];
    size_t got;
    // A database is a few megabytes; a bound keeps a wrong file from eating memory.
    while ((got = std::fread(buf, 1, sizeof buf, f)) > 0 && image.size() < (256u << 20)) image.append(buf, got);
    std::fclose(f);
    return true;
}

std::vector<IndexRecord> parseIndex(const std::string& image, size_t dataSize) {
    std::vector<IndexRecord> out;
    const size_t count = image.size() / kIndexRecordSize;
    out.reserve(count);
    const auto* p = reinterpret_cast<const uint8_t*>(image.data());
    for (size_t i = 0; i < count; ++i, p += kIndexRecordSize) {
        IndexRecord r;
        const size_t nameLen = std::min<size_t>(p[0], 8);
        r.name.assign(reinterpret_cast<const char*>(p + 1), nameLen);
        for (char& c : r.name)
            if (c >= 'a' && c <= 'z') c = char(c - 32);
        r.length = uint16_t(p[9] | (p[10] << 8));
        r.offset = uint32_t(p[11] | (p[12] << 8) | (p[13] << 16) | (uint32_t(p[14]) << 24));
        if (r.offset >= dataSize) r.length = 0;
        else if (size_t(r.offset) + r.length > dataSize) r.length = uint16_t(dataSize - r.offset);
        out.push_back(std::move(r));
    }
    // The search halves the table: a file out of order must not hide units.
    std::stable_sort(out.begin(), out.end(), [](const IndexRecord& a, const IndexRecord& b) { return a.name < b.name; });
    return out;
}

std::string buildIndex(std::vector<IndexRecord> records) {
    std::stable_sort(records.begin(), records.end(),
                     [](const IndexRecord& a, const IndexRecord& b) { return a.name < b.name; });
    std::string image;
    image.reserve(records.size() * kIndexRecordSize);
    for (const IndexRecord& r : records) {
        char rec[kIndexRecordSize] = {};
        const size_t n = std::min<size_t>(r.name.size(), 8);
        rec[0] = char(n);
        std::memcpy(rec + 1, r.name.data(), n);
        rec[9] = char(r.length & 0xFF);
        rec[10] = char(r.length >> 8);
        for (int k = 0; k < 4; ++k) rec[11 + k] = char((r.offset >> (8 * k)) & 0xFF);
        image.append(rec, kIndexRecordSize);
    }
    return image;
}

const IndexRecord* findUnit(const std::string& name) {
    const auto& idx = gSynth.index;
    auto it = std::lower_bound(idx.begin(), idx.end(), name,
                               [](const IndexRecord& r, const std::string& n) { return r.name < n; });
    if (it != idx.end() && it->name == name) return &*it;
    return nullptr;
}

void playUnit(std::string name, int stress, double factor, bool topLevel) {
    SynthState& s = gSynth;
    if (s.aborted) return;
    for (char& c : name)
        if (c >= 'a' && c <= 'z') c = char(c - 32);
    if (name.size() > 12) name.resize(12);
    if (topLevel) {
        ++s.stats.lookups;
        if (s.requested) s.requested->push_back(name);
    }
    if (!name.empty() && name[0] == '_') {
        const bool ok = playRecordedUnit(name);
        if (topLevel && ok) ++s.stats.found;
        if (!ok) ++s.stats.recordedMissing;
        return;
    }
    if (const IndexRecord* r = findUnit(name)) {
        if (topLevel) ++s.stats.found;
        playIndexedUnit(*r, stress, factor, name.size());
        return;
    }
    ++s.stats.fallbacks;
    const size_t n = name.size();
    auto endsWith = [&](const char* tail) {
        const size_t t = std::strlen(tail);
        return n >= t && name.compare(n - t, t, tail) == 0;
    };
    if (n <= 2) {
        ++s.stats.noise;
        s.noiseInWord = true;
        appendNoise(300);
        return;
    }
    const char last = name[n - 1];
    if (std::strchr("AEIOUWY", last)) {
        playUnit(name.substr(0, n - 1), stress, 0.9 * factor, false);
        playUnit(std::string("$") + last, stress, factor, false);
        return;
    }
    if (endsWith("CIRC") && n >= 7) {
        playUnit(name.substr(0, n - 5), stress, 0.9 * factor, false);
        playUnit("$" + name.substr(n - 5), stress, factor, false);
        return;
    }
    if (endsWith("TIL")) {
        std::string base = name.substr(0, n - 3);
        const char b = base.empty() ? 0 : base.back();
        if (b == 'I' || b == 'U') {
            playUnit(base, stress, 0.9 * factor, false);
        } else {
            playUnit(base + "CIRC", 2, 0.9 * factor, false);
        }
        playUnit("$NN", 1, 0.9, false);
        return;
    }
    // Nothing close enough in the database: silence.
}

void speakSyllable(const std::string& syl, double factor) {
    SynthState& s = gSynth;
    if (syl.empty()) return;
    if (syl[0] == '_') {
        std::string name = "_";
        if (syl.size() > 1) name += std::to_string(static_cast<unsigned char>(syl[1]));
        playUnit(name, s.stress, factor, true);
        return;
    }
    std::string name = "$";
    bool stressed = false;
    auto play = [&]() {
        playUnit(name, stressed ? 2 : s.stress, factor, true);
        if (stressed) s.stress = 0;
        stressed = false;
        name = "$";
    };
    for (char c : syl) {
        if (c == 'A' || c == 'E' || c == 'I' || c == 'O' || c == 'U') stressed = true;
        if (c == '^') {
            name += "CIRC";
            play();
        } else if (c == '~') {
            name += "TIL";
            play();
        } else {
            name += c;
        }
    }
    if (name.size() > 1) play();
}

namespace {
inline bool isSynthConsonant(char c) { return c && std::strchr("bcdfgjklmnpqrstvxz", c) != nullptr; }
inline bool isSynthVowel(char c) { return c && std::strchr("AEIOUaeiouwy", c) != nullptr; }
inline bool isSemivowel(char c) { return c == 'w' || c == 'y'; }
inline bool isNasalMark(char c) { return c == '^' || c == '~'; }
}  // namespace

void speakWord(const std::string& q, double x) {
    const size_t n = q.size();
    if (n == 0 || gSynth.aborted) return;
    if (n == 1) {
        speakSyllable(q, x);
        return;
    }
    if (n > 2 && isSynthConsonant(q[0]) && isSynthConsonant(q[1])) {
        const std::string two = q.substr(0, 2);
        if (two != "dj" && two != "nh" && two != "rr" && two != "ks" && q.compare(0, 3, "tch") != 0) {
            speakSyllable(q.substr(0, 1), 1.0);
            speakWord(q.substr(1), x);
            return;
        }
    }
    if (n > 2 && q.compare(n - 2, 2, "rr") == 0) {
        speakWord(q.substr(0, n - 2), x);
        speakSyllable("rr", x);
        return;
    }
    if (n > 2 && isSynthConsonant(q[n - 1])) {
        speakWord(q.substr(0, n - 1), x);
        speakWord(q.substr(n - 1), x);
        return;
    }
    if (isSemivowel(q[n - 1])) {
        if (isSynthVowel(q[n - 2]) && n > 2) {
            speakWord(q.substr(0, n - 1), 0.6);
            speakSyllable(q.substr(n - 2), x);
            return;
        }
        if (isNasalMark(q[n - 2]) && n >= 3) {
            if (n > 3) {
                std::string head = q.substr(0, n - 1);
                if (head.back() == '~') head.back() = '^';
                speakWord(head, 0.6);
            }
            speakSyllable(std::string{q[n - 3], q[n - 1], q[n - 2]}, x);
            return;
        }
    }
    if (q != "_s" && q[n - 1] == 's') {
        speakWord(q.substr(0, n - 1), 0.7);
        speakSyllable("s", x);
        return;
    }
    speakSyllable(q, x);
}

int punctuationPause(const std::string& token) {
    if (token.size() != 2 || token[0] != '_') return -1;
    switch (token[1]) {
    case ',': return 4000;
    case '.': return 8000;
    case ':': return 8000;
    case ';': return 6000;
    default: return -1;
    }
}

bool readToken(const std::string& t, size_t& pos, std::string& token, char& ender) {
    SynthState& s = gSynth;
    token.clear();
    ender = 0;
    if (pos >= t.size()) return false;
    if (t[pos] == '[') {
        s.stress = 1;
        ++pos;
    }
    while (pos < t.size()) {
        const char c = t[pos++];
        if (c == ' ' || c == ']') {
            ender = c;
            break;
        }
        if (c == '/') {
            if (token.size() <= 8) continue;
            ender = c;
            break;
        }
        if (c == '_') {
            if (token.size() + 2 <= kMaxToken) {
                token += '_';
                if (pos < t.size()) token += t[pos];
            }
            if (pos < t.size()) ++pos;
            continue;
        }
        if (c == '|') {
            token = "_TRACO";
            continue;
        }
        if (token.size() < kMaxToken) token += c;
    }
    return true;
}

void speakTranscription(const std::string& t) {
    SynthState& s = gSynth;
    if (s.out.size() != kOutputSize) s.out.assign(kOutputSize, char(128));
    s.writePos = kHeaderSize;
    s.stress = 1;
    s.aborted = false;
    s.afterUnit = false;
    s.lastSample = 128;
    size_t pos = 0;
    std::string token;
    char ender = 0;
    while (!s.aborted && readToken(t, pos, token, ender)) {
        const int pause = punctuationPause(token);
        if (pause >= 0) {
            appendSilence(pause);
        } else {
            speakWord(token, 1.0);
        }
        if (ender != 0 && ender != ' ' && pos < t.size()) appendSilence(s.settings.interPal);
    }
    if (!s.aborted) {
        easeToSilence();
        flushOutput();
    }
    s.writePos = kHeaderSize;
}


namespace {

double windowRms(const std::string& s, long from, long to) {
    from = std::max(0L, from);
    to = std::min(long(s.size()), to);
    if (to <= from) return 0;
    double sum = 0;
    for (long i = from; i < to; ++i) {
        const double v = static_cast<unsigned char>(s[size_t(i)]) - 128.0;
        sum += v * v;
    }
    return std::sqrt(sum / double(to - from));
}

// How far (dB) the 10 ms around `at` lie below the quieter of the 10 ms on either
// side: a pitch period or more, so that the quiet between glottal pulses does not
// count.  0 where the sides are too quiet to dip.
double dipAt(const std::string& s, long at) {
    const long ms = 11;
    const double around = windowRms(s, at - 5 * ms, at + 5 * ms);
    const double sides = std::min(windowRms(s, at - 15 * ms, at - 5 * ms), windowRms(s, at + 5 * ms, at + 15 * ms));
    if (sides < 4.0) return 0;
    return std::max(0.0, 20.0 * std::log10(sides / std::max(around, 0.5)));
}

inline int sampleAt(const std::string& s, size_t i) { return static_cast<unsigned char>(s[i]); }

// A unit that starts with a stop or a tap starts with its closure: that
// silence is the consonant itself, no dip.
bool startsWithClosure(const std::string& unit) {
    if (unit.size() < 2) return false;
    if (unit[1] == 'R') return unit.size() < 3 || unit[2] != 'R';  // RR is the strong r, a fricative
    return std::strchr("PBTDKGCQ", unit[1]) != nullptr;
}

// A step of a tenth of full scale between i-1 and i with eight silent samples
// on one side of it.
bool cutToSilence(const std::string& s, size_t i) {
    if (i < 9 || i + 8 > s.size()) return false;
    if (std::abs(sampleAt(s, i) - sampleAt(s, i - 1)) < 26) return false;
    auto silent = [&](size_t from) {
        for (size_t k = from; k < from + 8; ++k)
            if (std::abs(sampleAt(s, k) - 128) > 2) return false;
        return true;
    };
    return silent(i) || silent(i - 9 + 1);
}

}  // namespace

JoinReport measureJoins(const std::string& samples, const std::vector<SynthState::Join>& joins,
                        const std::vector<size_t>& middles) {
    JoinReport r;
    std::vector<char> nearJoin(samples.size() + 1, 0);
    const long edge = 15 * 11;
    for (const SynthState::Join& jn : joins) {
        if (jn.at < size_t(edge) || jn.at + size_t(edge) > samples.size()) continue;
        ++r.joins;
        bool cut = false;
        for (size_t i = jn.at - 3; i <= jn.at + 3; ++i) {
            nearJoin[i] = 1;
            cut = cut || cutToSilence(samples, i);
        }
        if (cut) ++r.cutsAtJoins;
        const double d = startsWithClosure(jn.after) ? 0 : dipAt(samples, long(jn.at));
        if (d > 12.0) ++r.joinDips;
        if (d > r.worstJoinDip) {
            r.worstJoinDip = d;
            r.worstJoinAt = jn.at;
        }
    }
    for (size_t i = 1; i < samples.size(); ++i)
        if (!nearJoin[i] && cutToSilence(samples, i)) ++r.cutsElsewhere;
    for (size_t m : middles) {
        if (m < size_t(edge) || m + size_t(edge) > samples.size()) continue;
        ++r.middles;
        const double d = dipAt(samples, long(m));
        if (d > 12.0) ++r.middleDips;
        r.worstMiddleDip = std::max(r.worstMiddleDip, d);
    }
    return r;
}

}  // namespace speech
