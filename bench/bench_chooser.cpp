// The file chooser's listing of a large folder (what J, a folder and Down wait
// for): folders of 10,000 and 20,000 files with long names alike, so every file
// needs a made-up short name.  Prints each time and the growth from one size to
// its double, which is 2 for a linear cost (4 for a quadratic one); then the
// short names alone (no disk) for as many names.  Exits 1 when the 20,000
// files take 0.2 s or more, or when the listing or the short names grow by more
// than 3 on doubling.  The folder is read without a stat per entry, as Python's
// os.listdir reads it.
//   bench_chooser [folder]   (default: a temporary folder)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include <sys/stat.h>

#include "game/folders.h"
#include "platform/files.h"

namespace {

double listOnce(const std::string& folder) {
    auto t0 = std::chrono::steady_clock::now();
    size_t n = game::dirList(folder + "/*.*", game::kAttrArchive).size();
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    game::dirFree();
    return n ? s : -1;
}

// Best of three: the machine's other work only ever adds time.
double timeFolder(const std::string& root, int files) {
    std::string folder = root + "/f" + std::to_string(files);
    mkdir(folder.c_str(), 0777);
    for (int i = 0; i < files; ++i) {
        char name[80];
        std::snprintf(name, sizeof name, "/Jogo de teste numero %05d.lud", i);
        FILE* f = std::fopen((folder + name).c_str(), "w");
        if (f) std::fclose(f);
    }
    double best = 1e9;
    for (int k = 0; k < 3; ++k) best = std::min(best, listOnce(folder));
    return best;
}

// The made-up short names alone, best of three.
double timeShortNames(int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        char name[80];
        std::snprintf(name, sizeof name, "Jogo de teste numero %05d.lud", i);
        names.push_back(name);
    }
    double best = 1e9;
    for (int k = 0; k < 3; ++k) {
        auto t0 = std::chrono::steady_clock::now();
        std::vector<std::string> s = game::shortNames(names);
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        if (s.size() != names.size()) return -1;
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    char tmpl[] = "/tmp/bench_chooser_XXXXXX";
    std::string root = argc > 1 ? argv[1] : (mkdtemp(tmpl) ? tmpl : "/tmp");
    mkdir(root.c_str(), 0777);
    double t10 = timeFolder(root, 10000);
    double t20 = timeFolder(root, 20000);
    std::printf("chooser listing: 10,000 files %.3f s, 20,000 files %.3f s, growth on doubling %.2f (linear: 2)\n",
                t10, t20, t20 / t10);
    if (argc <= 1) std::system(("rm -rf '" + root + "'").c_str());
    std::printf("20,000 files in under 0.2 s: %s\n", t20 > 0 && t20 < 0.2 ? "yes" : "no");
    double s10 = timeShortNames(10000), s20 = timeShortNames(20000);
    std::printf("short names: 10,000 %.4f s, 20,000 %.4f s, growth on doubling %.2f (linear: 2)\n", s10, s20,
                s20 / s10);
    bool ok = t10 > 0 && t20 > 0 && s10 > 0 && s20 > 0 && s20 / s10 < 3 && t20 / t10 < 3 && t20 < 0.2;
    if (!ok) std::printf("FAILED: the listing must take under 0.2 s and grow in proportion to the folder\n");
    return ok ? 0 : 1;
}
