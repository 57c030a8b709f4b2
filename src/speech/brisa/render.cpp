// Built-in renderer: diphones joined by pitch-synchronous overlap-add.
#include "speech/brisa/render.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace brisa {

namespace {

constexpr uint32_t kMarkPos = ~kMarkVoiced;
constexpr int kMinPeriod = 32;    // 500 Hz
constexpr int kMaxPeriod = 400;   // 40 Hz
constexpr size_t kSpill = 512;    // a grain never reaches further back than this

void put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += char((v >> (8 * i)) & 0xFF);
}

struct Reader {
    const std::string& s;
    size_t at = 0;
    bool ok = true;
    uint32_t u32() {
        if (at + 4 > s.size()) {
            ok = false;
            return 0;
        }
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= uint32_t(uint8_t(s[at + size_t(i)])) << (8 * i);
        at += 4;
        return v;
    }
};

}  // namespace

const Diphone* DiphoneDb::find(const std::string& a, const std::string& b) const {
    const std::string key = a + "-" + b;
    auto it = std::lower_bound(units.begin(), units.end(), key,
                               [](const Diphone& d, const std::string& k) { return d.name < k; });
    return it != units.end() && it->name == key ? &*it : nullptr;
}

bool saveDiphoneDb(const std::string& path, const DiphoneDb& db) {
    std::string out = "BRISADB1";
    put32(out, uint32_t(db.units.size()));
    for (const Diphone& d : db.units) {
        put32(out, uint32_t(d.name.size()));
        out += d.name;
        put32(out, d.boundary);
        put32(out, uint32_t(d.marks.size()));
        for (uint32_t m : d.marks) put32(out, m);
        put32(out, uint32_t(d.samples.size()));
        for (int16_t v : d.samples) {
            out += char(uint16_t(v) & 0xFF);
            out += char(uint16_t(v) >> 8);
        }
    }
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(out.data(), std::streamsize(out.size()));
    return bool(f.flush());
}

bool loadDiphoneDb(const std::string& path, DiphoneDb& db, std::string& problem) {
    db.units.clear();
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        problem = "cannot open " + path;
        return false;
    }
    std::ostringstream ss;
    ss << f.rdbuf();
    const std::string data = ss.str();
    if (data.compare(0, 8, "BRISADB1") != 0) {
        problem = path + ": not a diphone database";
        return false;
    }
    Reader r{data, 8};
    const uint32_t count = r.u32();
    for (uint32_t i = 0; r.ok && i < count; ++i) {
        Diphone d;
        const uint32_t nameLen = r.u32();
        if (!r.ok || nameLen == 0 || nameLen > 16 || r.at + nameLen > data.size()) break;
        d.name = data.substr(r.at, nameLen);
        r.at += nameLen;
        d.boundary = r.u32();
        const uint32_t marks = r.u32();
        if (!r.ok || marks > (data.size() - r.at) / 4) break;
        d.marks.resize(marks);
        for (uint32_t& m : d.marks) m = r.u32();
        const uint32_t n = r.u32();
        if (!r.ok || n > (data.size() - r.at) / 2 || d.boundary > n) break;
        d.samples.resize(n);
        for (uint32_t k = 0; k < n; ++k)
            d.samples[k] = int16_t(uint16_t(uint8_t(data[r.at + 2 * k])) | uint16_t(uint8_t(data[r.at + 2 * k + 1]) << 8));
        r.at += size_t(n) * 2;
        bool marksOk = true;
        for (size_t k = 0; k < d.marks.size(); ++k) {
            const uint32_t p = d.marks[k] & kMarkPos;
            if (p >= n || (k > 0 && p <= (d.marks[k - 1] & kMarkPos))) marksOk = false;
        }
        if (!marksOk) break;
        db.units.push_back(std::move(d));
    }
    if (db.units.size() != count || r.at != data.size()) {
        problem = path + ": damaged at unit " + std::to_string(db.units.size() + 1);
        db.units.clear();
        return false;
    }
    std::sort(db.units.begin(), db.units.end(), [](const Diphone& a, const Diphone& b) { return a.name < b.name; });
    return true;
}

bool parsePhoneLine(const std::string& raw, Phone& out, bool& malformed) {
    malformed = false;
    std::istringstream in(raw);
    std::string name;
    if (!(in >> name) || name[0] == ';' || name[0] == '#') return false;
    std::string tok;
    out = Phone();
    out.name = name;
    auto number = [&](const std::string& t, double& v) {
        char* end = nullptr;
        v = std::strtod(t.c_str(), &end);
        return end && *end == '\0' && std::isfinite(v) && v >= 0;
    };
    if (!(in >> tok) || !number(tok, out.ms) || out.ms > 60000) {
        malformed = true;
        return false;
    }
    std::string a, b;
    while (in >> a) {
        double pct = 0, hz = 0;
        if (!(in >> b) || !number(a, pct) || !number(b, hz)) {
            malformed = true;
            return false;
        }
        if (hz > 0) out.points.emplace_back(std::min(pct, 100.0), std::clamp(hz, 40.0, 500.0));
    }
    return true;
}

namespace {

struct Segment {
    const Diphone* d;
    double srcA, srcB, outA, outB;
};

double pitchAt(const Renderer& r, double t) {
    const auto& p = r.pitch;
    if (p.empty()) return 0;
    if (t <= p.front().first) return p.front().second;
    if (t >= p.back().first) return p.back().second;
    auto it = std::upper_bound(p.begin(), p.end(), t,
                               [](double v, const std::pair<double, double>& e) { return v < e.first; });
    const auto& b = *it;
    const auto& a = *(it - 1);
    if (b.first - a.first < 1e-9) return b.second;
    return a.second + (b.second - a.second) * (t - a.first) / (b.first - a.first);
}

void addGrain(Renderer& r, const Diphone& d, size_t pos, int left, int right, double center, float gain) {
    // Still too near an end (a unit of one period): the window narrows to the samples
    // there are, and a window too short to taper is left out.
    left = int(std::min<long>(left, long(pos)));
    right = int(std::min<long>(right, long(d.samples.size()) - long(pos)));
    if (left < kMinPeriod / 2 || right < kMinPeriod / 2) return;
    const long c = std::lround(center);
    const long need = c + right - long(r.accBase);
    if (need > long(r.acc.size())) r.acc.resize(size_t(need), 0.0f);
    for (int k = -left; k < right; ++k) {
        const long src = long(pos) + k;
        const long dst = c + k - long(r.accBase);
        if (src < 0 || src >= long(d.samples.size()) || dst < 0) continue;
        const double w = k < 0 ? 0.5 * (1 + std::cos(M_PI * k / left)) : 0.5 * (1 + std::cos(M_PI * k / right));
        r.acc[size_t(dst)] += float(w) * gain * float(d.samples[size_t(src)]);
    }
}

// Moves accumulated samples before utterance sample `upTo` to the ready output.
void finalize(Renderer& r, size_t upTo) {
    if (upTo <= r.accBase) return;
    const size_t n = upTo - r.accBase;
    if (r.acc.size() < n) r.acc.resize(n, 0.0f);
    for (size_t i = 0; i < n; ++i)
        r.ready.push_back(int16_t(std::clamp(std::lround(r.acc[i]), -32768L, 32767L)));
    r.acc.erase(r.acc.begin(), r.acc.begin() + long(n));
    r.accBase = upTo;
}

const std::string& nameAt(const Renderer& r, size_t i) {
    static const std::string pause = "_";
    return i < r.phones.size() ? r.phones[i].name : pause;
}

// Drops what rendering can no longer look at, so that a long utterance keeps a
// bounded state: the phones before the last rendered one (it names the next
// diphone's left half) and the pitch points before the next synthesis mark.
void forgetRendered(Renderer& r) {
    if (r.rendered > 1) {
        const long drop = long(r.rendered - 1);
        r.phones.erase(r.phones.begin(), r.phones.begin() + drop);
        r.startSample.erase(r.startSample.begin(), r.startSample.begin() + drop);
        r.rendered = 1;
    }
    auto& p = r.pitch;
    auto it = std::upper_bound(p.begin(), p.end(), r.nextMark,
                               [](double v, const std::pair<double, double>& e) { return v < e.first; });
    // The point just before the mark still sets the pitch there.
    if (it - p.begin() > 1) p.erase(p.begin(), it - 1);
}

// Renders phones [i0, i1); the phone after i1 - 1 must be known (or the end).
void renderRange(Renderer& r, size_t i0, size_t i1) {
    std::vector<Segment> segs;
    for (size_t i = i0; i < i1; ++i) {
        const std::string& cur = r.phones[i].name;
        const std::string& prev = i > 0 ? r.phones[i - 1].name : nameAt(r, SIZE_MAX);
        const std::string& next = nameAt(r, i + 1);
        const Diphone* dl = r.db->find(prev, cur);
        if (!dl) dl = r.db->find("_", cur);
        const Diphone* dr = r.db->find(cur, next);
        if (!dr) dr = r.db->find(cur, "_");
        const double start = r.startSample[i];
        const double len = r.phones[i].ms * kSampleRate / 1000.0;
        const double lenL = dl ? double(dl->samples.size() - dl->boundary) : 0;
        const double lenR = dr ? double(dr->boundary) : 0;
        const double split = lenL + lenR > 0 ? len * lenL / (lenL + lenR) : len;
        segs.push_back({dl, dl ? double(dl->boundary) : 0, dl ? double(dl->samples.size()) : 0, start, start + split});
        segs.push_back({dr, 0, lenR, start + split, start + len});
    }
    const double end = r.startSample[i1 - 1] + r.phones[i1 - 1].ms * kSampleRate / 1000.0;
    size_t s = 0;
    double t = r.nextMark;
    while (t < end) {
        while (s + 1 < segs.size() && t >= segs[s].outB) ++s;
        const Segment& g = segs[s];
        if (!g.d || g.d->marks.empty() || g.outB - g.outA < 1e-9 || t < g.outA) {
            t += 80;
            continue;
        }
        const double src = g.srcA + (t - g.outA) * (g.srcB - g.srcA) / (g.outB - g.outA);
        const auto& m = g.d->marks;
        auto it = std::lower_bound(m.begin(), m.end(), uint32_t(std::max(0.0, src)),
                                   [](uint32_t a, uint32_t v) { return (a & kMarkPos) < v; });
        size_t j = size_t(it - m.begin());
        if (j == m.size() || (j > 0 && std::fabs(double(m[j - 1] & kMarkPos) - src) < std::fabs(double(m[j] & kMarkPos) - src)))
            j = j == 0 ? 0 : j - 1;
        int left = 0, right = 0;
        auto widths = [&] {
            const long at = long(m[j] & kMarkPos);
            left = j > 0 ? int(at - long(m[j - 1] & kMarkPos)) : 0;
            right = j + 1 < m.size() ? int(long(m[j + 1] & kMarkPos) - at) : 0;
            if (left <= 0) left = right > 0 ? right : 80;
            if (right <= 0) right = left;
            left = std::clamp(left, kMinPeriod / 2, kMaxPeriod);
            right = std::clamp(right, kMinPeriod / 2, kMaxPeriod);
        };
        widths();
        // A mark too near an end of the unit has no room for its window: the
        // neighbouring period stands in, rather than a grain cut off at full level.
        const long unitLen = long(g.d->samples.size());
        if (long(m[j] & kMarkPos) + right > unitLen && j > 0) {
            --j;
            widths();
        } else if (long(m[j] & kMarkPos) < left && j + 1 < m.size()) {
            ++j;
            widths();
        }
        const long pos = long(m[j] & kMarkPos);
        const bool voiced = (m[j] & kMarkVoiced) != 0;
        const double own = (left + right) / 2.0;
        double hop = own;
        const float gain = 1.0f;
        const double hz = pitchAt(r, t);
        if (voiced && hz > 0) {
            hop = std::clamp(kSampleRate / hz, double(kMinPeriod), double(kMaxPeriod));
            // Raised pitch: grains no wider than the new period, so the old one does not show through.
            const int cap = int(std::lround(hop));
            left = std::min(left, cap);
            right = std::min(right, cap);
        }
        addGrain(r, *g.d, size_t(pos), left, right, t, gain);
        t += hop;
    }
    r.nextMark = t;
    r.rendered = i1;
    finalize(r, size_t(std::max(0.0, end - double(kSpill))));
    forgetRendered(r);
}

}  // namespace

void rendererReset(Renderer& r) {
    const DiphoneDb* db = r.db;
    r = Renderer();
    r.db = db;
}

void rendererWrite(Renderer& r, const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t a = 0;
        while (a < line.size() && (line[a] == ' ' || line[a] == '\t')) ++a;
        if (a < line.size() && line[a] == '#') {
            rendererFlush(r);
            continue;
        }
        Phone p;
        bool bad = false;
        if (!parsePhoneLine(line, p, bad)) {
            if (bad) r.error = 1;
            continue;
        }
        const double start = r.startSample.empty()
                                 ? 0
                                 : r.startSample.back() + r.phones.back().ms * kSampleRate / 1000.0;
        const double len = p.ms * kSampleRate / 1000.0;
        // A phone's points all lie at or after every earlier phone's (percentages are
        // 0..100), so sorting the new ones keeps the whole contour sorted.
        const long before = long(r.pitch.size());
        for (const auto& pt : p.points) r.pitch.emplace_back(start + len * pt.first / 100.0, pt.second);
        std::stable_sort(r.pitch.begin() + before, r.pitch.end(),
                         [](const auto& x, const auto& y) { return x.first < y.first; });
        r.phones.push_back(p);
        r.startSample.push_back(start);
        // A pause is a safe place to cut: render everything up to the phone just written.
        const size_t k = r.phones.size() - 1;
        if (r.db && k >= 1 && r.phones[k - 1].name == "_" && k > r.rendered) renderRange(r, r.rendered, k);
    }
}

void rendererFlush(Renderer& r) {
    if (!r.db || r.phones.empty()) return;
    const size_t n = r.phones.size();
    if (r.rendered < n) renderRange(r, r.rendered, n);
    const double end = r.startSample.back() + r.phones.back().ms * kSampleRate / 1000.0;
    finalize(r, size_t(std::lround(end)));
    // The next utterance starts on a clean timeline.
    std::vector<int16_t> ready;
    ready.swap(r.ready);
    const size_t readPos = r.readPos;
    rendererReset(r);
    r.ready.swap(ready);
    r.readPos = readPos;
}

size_t rendererRead(Renderer& r, int16_t* out, size_t max) {
    const size_t n = std::min(max, r.ready.size() - r.readPos);
    if (n) std::memcpy(out, r.ready.data() + r.readPos, n * sizeof(int16_t));
    r.readPos += n;
    if (r.readPos == r.ready.size()) {
        r.ready.clear();
        r.readPos = 0;
    }
    return n;
}

std::vector<int16_t> renderPhoneLines(const DiphoneDb& db, const std::vector<std::string>& lines) {
    Renderer r;
    r.db = &db;
    std::vector<int16_t> out;
    int16_t buf[4096];
    auto drain = [&] {
        size_t n;
        while ((n = rendererRead(r, buf, 4096)) > 0) out.insert(out.end(), buf, buf + n);
    };
    for (const std::string& l : lines) {
        rendererWrite(r, l);
        drain();
    }
    rendererFlush(r);
    drain();
    return out;
}

}  // namespace brisa
