// The largest game the model holds (1000 places, 50 slides each, 10 text lines per
// slide): time to save it, time to load it, and the memory the loaded game takes
// against the size of its file; then `--check` of that game in a folder of 10,000
// files whose pictures and media are named in other case than the game writes
// them, and the same names resolved one by one as play does.  Exits 1 when a
// limit is passed.
//   bench_game [folder]     (default: a temporary folder)
#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/stat.h>

#include "game/checker.h"
#include "game/gamefile.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "game/model.h"
#include "util/atomic.h"
#include "util/result.h"

using namespace game;
using Clock = std::chrono::steady_clock;

namespace {

std::unique_ptr<TJogo> largestGame() {
    auto g = std::make_unique<TJogo>();
    ResetGeneralData(*g);
    ResetModel(*g);
    g->general.name = "Jogo maior";
    for (int n = 1; n <= kMaxPlaces; ++n) {
        TLugar* p = CreatePlace(*g, n);
        p->name = "Lugar " + std::to_string(n);
        p->description = "Um lugar do jogo maior";
        p->category = n % 7 ? "" : "PERGUNTAS";
        p->expectedAnswer = "SIM|NAO";
        p->placeIfRight = "Lugar " + std::to_string(n + 1) + "|Lugar " + std::to_string(n + 2);
        p->placeIfWrong = "Lugar " + std::to_string(n);
        p->points = n;
        p->media = "fundo" + std::to_string(n % 10) + ".mp3";
        p->slideCount = kMaxSlides;
        for (int s = 1; s <= kMaxSlides; ++s) {
            TSlide* sl = CreateSlide(*p, s);
            sl->title = "Slide " + std::to_string(s);
            sl->picture = "figura" + std::to_string(s) + ".jpg";
            sl->media = "som" + std::to_string(s) + ".wav";
            for (int t = 0; t < 10; ++t)
                sl->text.push_back("Linha " + std::to_string(t) + " do slide " + std::to_string(s) + " do lugar " +
                                   std::to_string(n) + ", texto lido.");
        }
    }
    g->placeCount = kMaxPlaces;
    return g;
}

// Bytes in use on the heap, small blocks and mapped ones alike.
size_t heapInUse() {
    struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

double msSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
    std::string dir;
    if (argc > 1) {
        dir = argv[1];
    } else {
        char tmpl[] = "/tmp/bench-game-XXXXXX";
        if (!mkdtemp(tmpl)) return 2;
        dir = tmpl;
    }
    std::string path = dir + "/maior.lud";

    std::unique_ptr<TJogo> big = largestGame();
    // Saving: the text of the game, then the safe write (temporary file, flush, rename).
    auto t0 = Clock::now();
    std::string text = GameText(*big);
    if (util::Result saved = util::writeFileAtomically(path, text); !saved) {
        std::fprintf(stderr, "gravação falhou: %s\n", saved.reason().c_str());
        return 2;
    }
    double saveMs = msSince(t0);
    size_t fileSize = text.size();
    text = std::string();
    big.reset();

    malloc_trim(0);
    size_t before = heapInUse();
    t0 = Clock::now();
    auto loaded = std::make_unique<TJogo>();
    ReadResult r = ReadGameFile(path, *loaded);
    double loadMs = msSince(t0);
    size_t after = heapInUse();
    if (!r.ok) {
        std::fprintf(stderr, "leitura falhou na linha %ld\n", r.line);
        return 2;
    }
    size_t memory = after - before;
    double ratio = double(memory) / double(fileSize);

    loaded.reset();

    // A folder of 10,000 files, the game's pictures and media among them in capitals.
    std::string folder = dir + "/pasta";
    mkdir(folder.c_str(), 0755);
    int made = 0;
    auto touch = [&](const std::string& name) {
        if (FILE* f = std::fopen((folder + "/" + name).c_str(), "wb")) {
            std::fclose(f);
            ++made;
        }
    };
    for (int k = 1; k <= kMaxSlides; ++k) {
        touch("FIGURA" + std::to_string(k) + ".JPG");
        touch("SOM" + std::to_string(k) + ".WAV");
    }
    for (int k = 0; k < 10; ++k) touch("Fundo" + std::to_string(k) + ".MP3");
    for (int k = 0; made < 9999 && k < 20000; ++k) touch("outro" + std::to_string(k) + ".dat");
    std::string game = folder + "/maior.lud";
    if (std::rename(path.c_str(), game.c_str()) != 0) return 2;
    ++made;
    plat::forgetFolders();
    t0 = Clock::now();
    CheckReport check = CheckGame(game);
    double checkMs = msSince(t0);
    size_t missing = 0;
    for (const std::string& w : check.warnings) missing += w.find(plat::cp("não existe na pasta")) != std::string::npos;
    // Play resolves each name as it shows a slide: 100,000 look-ups, no memo.
    std::string before2 = plat::currentDir();
    if (chdir(folder.c_str()) != 0) return 2;
    plat::forgetFolders();
    t0 = Clock::now();
    size_t found = 0;
    for (int n = 1; n <= kMaxPlaces; ++n)
        for (int k = 1; k <= kMaxSlides; ++k) {
            found += plat::fileExists("figura" + std::to_string(k) + ".jpg");
            found += plat::fileExists("som" + std::to_string(k) + ".wav");
        }
    double resolveMs = msSince(t0);
    if (chdir(before2.c_str()) != 0) return 2;

    std::printf("arquivo:  %.1f MB (%zu bytes)\n", fileSize / 1048576.0, fileSize);
    std::printf("--check:  %.0f ms num pasta de %d arquivos (limite 500), %zu avisos de arquivo ausente\n", checkMs,
                made, missing);
    std::printf("nomes:    %.0f ms para 100000 nomes em outra caixa (%zu achados)\n", resolveMs, found);
    std::printf("gravar:   %.0f ms (limite 500)\n", saveMs);
    std::printf("ler:      %.0f ms (limite 500)\n", loadMs);
    std::printf("memória:  %.1f MB, %.2f vezes o arquivo (limite 3)\n", memory / 1048576.0, ratio);
    std::string rm = "rm -rf '" + folder + "'";
    if (std::system(rm.c_str()) != 0) return 2;
    if (argc <= 1) rmdir(dir.c_str());
    bool namesOk = check.loaded && missing == 0 && found == 100000u;
    return saveMs < 500 && loadMs < 500 && ratio < 3 && checkMs < 500 && namesOk ? 0 : 1;
}
