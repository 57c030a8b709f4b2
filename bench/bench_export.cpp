// Web export of games of 250, 500 and 1000 places whose slides name media,
// most of them missing (as a game copied without its media folder is): the time
// of each page and the growth from one size to its double, which is 2 for a
// linear cost (4 for a quadratic one).  Exits 1 when a doubling costs more than
// 3 times, 2 when a page cannot be made.
//   bench_export [folder]   (default: a temporary folder)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/stat.h>

#include "export/webpage.h"
#include "game/model.h"

using namespace game;

namespace {

constexpr int kSlides = 10;

std::unique_ptr<TJogo> gameOf(int places) {
    auto g = std::make_unique<TJogo>();
    ResetGeneralData(*g);
    ResetModel(*g);
    g->general.name = "Jogo sem as figuras";
    for (int n = 1; n <= places; ++n) {
        TLugar* p = CreatePlace(*g, n);
        p->name = "Lugar " + std::to_string(n);
        p->media = "fundo" + std::to_string(n % 10) + ".wav";  // ten that exist, named again and again
        p->slideCount = kSlides;
        for (int s = 1; s <= kSlides; ++s) {
            TSlide* sl = CreateSlide(*p, s);
            // Each slide its own missing picture, and one missing sound shared by all.
            sl->picture = "figuras\\lugar" + std::to_string(n) + "_" + std::to_string(s) + ".jpg";
            sl->media = "sons\\narracao.wav";
            sl->text.push_back("Texto do slide " + std::to_string(s));
        }
    }
    g->placeCount = places;
    return g;
}

// Best of three: the machine's other work only ever adds time.
double timePage(const TJogo& g, const std::string& folder, size_t& leftOut) {
    double best = 1e9;
    for (int k = 0; k < 3; ++k) {
        web::ExportReport report;
        auto t0 = std::chrono::steady_clock::now();
        std::string page = web::GamePage(g, folder, report);
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        if (page.empty()) return -1;
        leftOut = report.leftOut.size();
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    char tmpl[] = "/tmp/bench_export_XXXXXX";
    std::string folder = argc > 1 ? argv[1] : (mkdtemp(tmpl) ? tmpl : "");
    if (folder.empty()) return 2;
    mkdir(folder.c_str(), 0777);
    for (int k = 0; k < 10; ++k) {
        std::string name = folder + "/fundo" + std::to_string(k) + ".wav";
        FILE* f = std::fopen(name.c_str(), "wb");
        if (!f) return 2;
        std::fputs("RIFF-um-som-curto", f);
        std::fclose(f);
    }
    const int sizes[] = {250, 500, 1000};
    double times[3];
    bool ok = true;
    for (int i = 0; i < 3; ++i) {
        std::unique_ptr<TJogo> g = gameOf(sizes[i]);
        size_t leftOut = 0;
        times[i] = timePage(*g, folder, leftOut);
        if (times[i] <= 0 || leftOut != size_t(sizes[i] * kSlides + 1)) {
            std::printf("export of %d places: failed (%zu left out)\n", sizes[i], leftOut);
            return 2;
        }
        std::printf("export of %4d places (%5d media named, %zu missing): %.3f s", sizes[i],
                    sizes[i] * (2 * kSlides + 1), leftOut, times[i]);
        if (i > 0) {
            double growth = times[i] / times[i - 1];
            std::printf(", growth on doubling %.2f (linear: 2)", growth);
            ok = ok && growth < 3;
        }
        std::printf("\n");
    }
    if (argc <= 1) std::system(("rm -rf '" + folder + "'").c_str());
    if (!ok) std::printf("FAILED: the export must grow in proportion to the game\n");
    return ok ? 0 : 1;
}
