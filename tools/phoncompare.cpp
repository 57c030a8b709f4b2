// Compares a transcriber's readings of a word list with espeak-ng's (pt-br) and
// prints, per category, the share of words on which both agree.  espeak-ng's
// readings are cached, since a whole list costs it minutes.
//
// Usage: ludivar_phoncompare [--with NAME] [--words FILE] [--cache FILE] [--known FILE]
//                            [--rules FILE] [--exceptions FILE] [--set KEY=VALUE]...
//                            [--every N] [--limit N] [--diffs FILE] [--show WORD]... [--cached-only]
#include "ludivar_paths.h"
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <unordered_map>

#include "phoncompare.h"
#include "platform/platform.h"
#include "speech/phonetics.h"
#include "util/text.h"

namespace phoncmp {

namespace {

bool readFile(const std::string& path, std::string& out) { return readWholeFile(path, out); }

// The transcribers --with can choose; another engine adds its line here.
const Transcriber* const kTranscribers[] = {&ownTranscriber(), &brisaTranscriber()};

// ---- espeak-ng and its cache ------------------------------------------------------

std::string commandOutput(const std::string& cmd) {
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return out;
    char buf[65536];
    size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, got);
    pclose(p);
    return out;
}

struct EspeakCache {
    std::string path, version;
    std::unordered_map<std::string, std::string> readings;  // word -> mnemonics

    void load() {
        version = util::trimLineSpace(commandOutput("espeak-ng --version 2>/dev/null"));
        std::string text;
        if (!readFile(path, text)) return;
        auto ls = lines(text);
        // Readings of another espeak-ng release are not trusted.
        if (ls.empty() || ls[0] != "# " + version) return;
        for (size_t k = 1; k < ls.size(); ++k) {
            size_t tab = ls[k].find('\t');
            if (tab != std::string::npos) readings[ls[k].substr(0, tab)] = ls[k].substr(tab + 1);
        }
    }

    void append(const std::vector<std::pair<std::string, std::string>>& fresh) {
        struct stat st;
        const bool exists = stat(path.c_str(), &st) == 0 && st.st_size > 0 && readings.size() > fresh.size();
        FILE* f = std::fopen(path.c_str(), exists ? "ab" : "wb");
        if (!f) return;
        if (!exists) {
            std::fprintf(f, "# %s\n", version.c_str());
            for (const auto& [w, r] : readings) std::fprintf(f, "%s\t%s\n", w.c_str(), r.c_str());
        } else {
            for (const auto& [w, r] : fresh) std::fprintf(f, "%s\t%s\n", w.c_str(), r.c_str());
        }
        std::fclose(f);
    }

    // Each word alone as a sentence of its own, one output line each.
    bool runBatch(const std::vector<std::string>& words, std::vector<std::string>& out) {
        char tmpl[] = "/tmp/phoncompareXXXXXX";
        int fd = mkstemp(tmpl);
        if (fd < 0) return false;
        std::string text;
        for (const std::string& w : words) text += w + ".\n";
        bool ok = write(fd, text.data(), text.size()) == ssize_t(text.size());
        close(fd);
        if (ok) {
            out = lines(commandOutput(std::string("espeak-ng -v pt-br -q -x -f ") + tmpl + " 2>/dev/null"));
            while (!out.empty() && util::trimLineSpace(out.back()).empty()) out.pop_back();
            for (std::string& o : out) o = util::trimLineSpace(o);
        }
        std::remove(tmpl);
        return ok && out.size() == words.size();
    }

    void fill(const std::vector<std::string>& words) {
        std::vector<std::string> missing;
        for (const std::string& w : words)
            if (!readings.count(w)) missing.push_back(w);
        const size_t batchSize = 3000;
        for (size_t from = 0; from < missing.size(); from += batchSize) {
            std::vector<std::string> batch(missing.begin() + long(from),
                                           missing.begin() + long(std::min(missing.size(), from + batchSize)));
            std::vector<std::string> got;
            std::vector<std::pair<std::string, std::string>> fresh;
            if (runBatch(batch, got)) {
                for (size_t k = 0; k < batch.size(); ++k) fresh.emplace_back(batch[k], got[k]);
            } else {
                // Lines out of step: one word a run.
                for (const std::string& w : batch) {
                    std::vector<std::string> one;
                    if (runBatch({w}, one)) fresh.emplace_back(w, one[0]);
                }
            }
            for (const auto& [w, r] : fresh) readings[w] = r;
            append(fresh);
            std::fprintf(stderr, "espeak-ng: %zu of %zu new words read\n", std::min(missing.size(), from + batchSize),
                         missing.size());
        }
    }
};

int usage() {
    std::fprintf(stderr,
                 "usage: ludivar_phoncompare [--with NAME] [--words FILE] [--cache FILE] [--known FILE]\n"
                 "         [--rules FILE] [--exceptions FILE] [--set KEY=VALUE]... [--every N] [--limit N]\n"
                 "         [--diffs FILE] [--show WORD]... [--cached-only]\n"
                 "transcribers:\n");
    for (const Transcriber* t : kTranscribers) std::fprintf(stderr, "  %-8s %s\n", t->name, t->about);
    return 2;
}

}  // namespace

int run(int argc, char** argv) {
    Options opt;
    opt.rules = LUDIVAR_SOURCE_DIR "/data/voice/regras.rgr";
    opt.exceptions = LUDIVAR_SOURCE_DIR "/data/voice/portug.exc";
    std::string with = "own", wordsPath = "/usr/share/dict/brazilian";
    std::string cachePath = PHONCOMPARE_CACHE_DIR "/espeak-pt-br.txt";
    std::string knownPath = LUDIVAR_SOURCE_DIR "/tools/phoncompare-known.txt";
    std::string diffsPath;
    std::vector<std::string> show;
    long every = 1, limit = 0;
    bool cachedOnly = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--cached-only") {  // no espeak-ng run: the words already cached
            cachedOnly = true;
            continue;
        }
        if (i + 1 >= argc) return usage();
        const std::string v = argv[++i];
        if (a == "--with") with = v;
        else if (a == "--words") wordsPath = v;
        else if (a == "--cache") cachePath = v;
        else if (a == "--known") knownPath = v;
        else if (a == "--rules") opt.rules = v;
        else if (a == "--exceptions") opt.exceptions = v;
        else if (a == "--diffs") diffsPath = v;
        else if (a == "--show") show.push_back(v);
        else if (a == "--every") every = std::max(1L, std::atol(v.c_str()));
        else if (a == "--limit") limit = std::max(0L, std::atol(v.c_str()));
        else if (a == "--set" && v.find('=') != std::string::npos)
            opt.extra[v.substr(0, v.find('='))] = v.substr(v.find('=') + 1);
        else return usage();
    }
    const Transcriber* tr = nullptr;
    for (const Transcriber* t : kTranscribers)
        if (with == t->name) tr = t;
    if (!tr) return usage();
    std::string error;
    if (!tr->open(opt, error)) {
        std::fprintf(stderr, "phoncompare: %s\n", error.c_str());
        return 1;
    }

    std::vector<std::string> words = show;
    if (show.empty()) {
        std::string text;
        if (!readFile(wordsPath, text)) {
            std::fprintf(stderr, "phoncompare: cannot read the word list %s\n", wordsPath.c_str());
            return 1;
        }
        words = listWords(text, every, limit);
    }
    KnownList known;
    {
        std::string text;
        if (readFile(knownPath, text)) known.parse(text);
    }

    const std::string dir = cachePath.substr(0, cachePath.rfind('/'));
    if (!dir.empty()) mkdir(dir.c_str(), 0755);
    EspeakCache cache;
    cache.path = cachePath;
    cache.load();
    if (!cachedOnly) cache.fill(words);

    Tally tally;
    long knownCount = 0;
    FILE* diffs = diffsPath.empty() ? nullptr : std::fopen(diffsPath.c_str(), "w");
    for (const std::string& w : words) {
        auto it = cache.readings.find(w);
        if (it == cache.readings.end()) continue;
        const Phones theirs = fromEspeak(it->second);
        const Phones ours = tr->transcribe(w);
        if (!show.empty()) {
            std::printf("%s\n  %-8s %s\n  espeak   %s   (%s)\n", w.c_str(), tr->name, join(ours).c_str(),
                        join(theirs).c_str(), it->second.c_str());
            continue;
        }
        if (known.contains(w)) {
            ++knownCount;
            continue;
        }
        tally.add(w, ours, theirs, diffs);
    }
    if (diffs) std::fclose(diffs);
    if (!show.empty()) return 0;
    std::printf("transcriber %s, %ld words of %s compared, %ld known differences left out\n", tr->name, tally.whole.total,
                wordsPath.c_str(), knownCount);
    for (const Category* c : tally.all())
        std::printf("%-22s %7.2f%%  (%ld of %ld)\n", c->name, 100.0 * c->share(), c->agree, c->total);
    return 0;
}

}  // namespace phoncmp

int main(int argc, char** argv) { return phoncmp::run(argc, argv); }
