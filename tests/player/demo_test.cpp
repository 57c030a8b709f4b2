// The demo game "Formas e Cores", played from its first place to its end in
// both copies: place by place, and driven by its game program.
#include "ludivar_paths.h"
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "console/textwin.h"
#include "game/gamefile.h"
#include "game/model.h"
#include "platform/files.h"
#include "platform/image.h"
#include "platform/mci.h"
#include "player/play.h"
#include "player/slide.h"
#include "script/script.h"
#include "support/headless.h"
#include "support/inproc.h"

namespace fs = std::filesystem;

namespace {

const std::string kDemoGames = std::string(LUDIVAR_BUILD_ROOT) + "/sonare/ludivar";

// The keys of one whole game: the opening, FORMAS at the menu, a right circle,
// a wrong square with its hint, then every answer right (the cow's call in its
// short spelling), and Enter at the end.
const char* kWholeGame =
    "{Enter}"              // Capa: slide 1 goes on by itself after its music, Enter on slide 2
    "formas{Enter}"        // Menu
    "bola{Enter}"          // Círculo
    "x{Enter}"             // Quadrado, wrong
    "{Enter}"              // Dica quadrado
    "quadrado{Enter}"      // Quadrado again
    "triângulo{Enter}"     // Triângulo
    "Vermelha{Enter}"      // Vermelho
    " azul {Enter}"        // Azul, then the ANIMAIS category leads to Vaca
    "mu{Enter}"            // Vaca: MU is the second accepted answer, FINAL leads to Fim
    "{Enter}";             // Fim

struct Demo {
    InProc ip;
    std::string games, slides;
    explicit Demo(const std::string& keys) : ip(keys, "", false) {
        script::scriptReset();
        games = ip.dir + "/jogos";
        slides = ip.dir + "/slides";
        fs::copy(kDemoGames, games, fs::copy_options::recursive);
        fs::create_directory(slides);
        player::setSlideDumpDir(slides);
        player::setSlideSize(640, 400);
    }
    ~Demo() {
        player::resetSlideState();
        media::resetMedia();
    }
    int play(const std::string& folder) {
        return ip.run([&] {
            ASSERT_TRUE(plat::changeDir(games + "/" + folder));
            ASSERT_TRUE(game::LoadGame("formas.lud"));
            player::PlayGame(true);
        });
    }
    std::vector<std::string> drawn() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(slides)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        for (std::string& n : names) n = n.substr(5, n.size() - 9);
        return names;
    }
};

using Strings = std::vector<std::string>;

const Strings kPath = {"1-1", "1-2", "2-1", "3-1", "5-1", "5-2", "6-1", "5-1", "5-2", "7-1", "9-1", "11-1", "14-1", "13-1"};

TEST(Demo, IsBuiltInTheGamesFolder) {
    for (const char* f : {"formas-e-cores/formas.lud", "formas-e-cores/casa.jpg", "formas-e-cores/abertura.wav",
                          "formas-e-cores/vaca.wav",
                          "formas-e-cores-programa/formas.lud", "formas-e-cores-programa/formas.pro"})
        EXPECT_TRUE(fs::exists(kDemoGames + "/" + f)) << f << " (build the demo_game target)";
    plat::Picture pic;
    EXPECT_TRUE(plat::loadJpeg(kDemoGames + "/formas-e-cores/fundo.jpg", pic));
    EXPECT_EQ(pic.width, 800);
}

TEST(Demo, PlayedPlaceByPlaceToTheEnd) {
    Demo d(std::string(kWholeGame) + "{Enter}");  // and Enter after "Fim do Jogo"
    EXPECT_EQ(d.play("formas-e-cores"), -1);
    EXPECT_EQ(d.drawn(), kPath);
    EXPECT_EQ(player::playState().score, 60);
    EXPECT_TRUE(d.ip.traced("speak Formas e Cores um jogo para aprender brincando") ||
                d.ip.traced("speak Formas e Cores"));
    EXPECT_TRUE(d.ip.traced("speak Você fez 60 pontos."));
    EXPECT_TRUE(d.ip.traced("speak Fim do Jogo"));
    EXPECT_EQ(d.ip.row(1), "Fim do Jogo");
    // The opening music and the hint's sound were played and waited for.
    std::string t = d.ip.traceText();
    EXPECT_NE(t.find("abertura.wav alias midiaSlide\nmedia play midiaSlide notify\n"), std::string::npos);
    EXPECT_NE(t.find("erro.wav alias midiaSlide\nmedia play midiaSlide notify\n"), std::string::npos);
    EXPECT_NE(t.find("vaca.wav alias midiaSlide\nmedia play midiaSlide notify\n"), std::string::npos);
    EXPECT_GE(d.ip.now(), 1650u);

    // The title slide: its picture at the top right of the stretched background.
    plat::Picture first;
    ASSERT_TRUE(plat::readPng(d.slides + "/0001-1-1.png", first));
    const uint8_t* sky = &first.rgb[(size_t(10) * 640 + 10) * 3];
    EXPECT_GT(sky[2], 200);  // blue sky
    const uint8_t* wall = &first.rgb[(size_t(30 + 170) * 640 + (640 - 30 - 320 + 100)) * 3];
    EXPECT_GT(wall[0], 150);  // the red wall of the house
    EXPECT_LT(wall[2], 100);
}

// Relative luminance of an sRGB colour, as contrast ratios are reckoned.
double luminance(const uint8_t* c) {
    auto lin = [](uint8_t v) {
        double x = v / 255.0;
        return x <= 0.03928 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(c[0]) + 0.7152 * lin(c[1]) + 0.0722 * lin(c[2]);
}

// The colour question has its picture for a pupil with low vision: the apple fills a
// good part of the slide, in a red that stands out from the white around it.
TEST(Demo, TheApplePictureIsBigAndHighInContrast) {
    Demo d(std::string(kWholeGame) + "{Enter}");
    d.play("formas-e-cores");
    std::string file;
    for (const auto& e : fs::directory_iterator(d.slides))
        if (e.path().filename().string().find("-9-1.png") != std::string::npos) file = e.path().string();
    plat::Picture slide;
    ASSERT_TRUE(plat::readPng(file, slide)) << file;
    size_t red = 0, white = 0;
    const uint8_t* redPixel = nullptr;
    const uint8_t* whitePixel = nullptr;
    for (size_t i = 0; i + 2 < slide.rgb.size(); i += 3) {
        const uint8_t* c = &slide.rgb[i];
        if (c[0] > 170 && c[1] < 60 && c[2] < 60) red++, redPixel = c;
        if (c[0] > 245 && c[1] > 245 && c[2] > 245) white++, whitePixel = c;
    }
    const double area = double(slide.width) * slide.height;
    EXPECT_GT(red / area, 0.12) << red << " red pixels";
    ASSERT_TRUE(redPixel && whitePixel);
    EXPECT_GE((luminance(whitePixel) + 0.05) / (luminance(redPixel) + 0.05), 4.5);
}

// The comments fill the red box's lines so that each starts its own line, in
// the column of the name above them.
TEST(Demo, TitleCardCommentsLineUpWithTheName) {
    Demo d("{Enter}");
    d.ip.run([&] {
        ASSERT_TRUE(plat::changeDir(d.games + "/formas-e-cores"));
        ASSERT_TRUE(game::LoadGame("formas.lud"));
        player::ShowTitleCard();
    });
    auto column = [&](const std::string& text) {
        for (int r = 1; r <= 25; ++r) {
            size_t at = d.ip.row(r).find(text);
            if (at != std::string::npos) return int(at);
        }
        return -1;
    };
    int name = column("Formas e Cores");
    ASSERT_GT(name, 0);
    EXPECT_EQ(column("Um jogo para aprender"), name);
    EXPECT_EQ(column("Responda escrevendo"), name);
}

TEST(Demo, EscapeAndAWrongMenuAnswer) {
    Demo d("{Enter}cores{Enter}{Esc}n{Esc}s{Enter}");
    d.play("formas-e-cores");
    EXPECT_EQ(d.drawn(), (Strings{"1-1", "1-2", "2-1", "9-1", "9-1"}));
    EXPECT_TRUE(d.ip.traced("speak Confirma fim? "));
}

TEST(Demo, DrivenByItsProgram) {
    Demo d(kWholeGame);
    EXPECT_EQ(d.play("formas-e-cores-programa"), -1);
    EXPECT_EQ(d.drawn(), kPath);
    EXPECT_EQ(script::scriptGetVariable("STATUS"), "$FIM$");
    EXPECT_EQ(script::scriptGetVariable("PONTOS"), "60");
    EXPECT_EQ(script::scriptGetVariable("DICAS"), "1");
    EXPECT_FALSE(d.ip.traced("speak Erro de execução no programa "));
    bool shown = false;
    for (int r = 1; r <= 25; ++r) shown |= d.ip.row(r).find("Você fez 60 pontos e precisou de 1 dica.") != std::string::npos;
    EXPECT_TRUE(shown) << d.ip.traceText();
    // Said once: ESCREVE speaks what it writes.
    const std::string t = d.ip.traceText(), said = "speak Você fez 60 pontos e precisou de 1 dica.\n";
    size_t at = t.find(said);
    ASSERT_NE(at, std::string::npos) << t;
    EXPECT_EQ(t.find(said, at + 1), std::string::npos) << t;
}

}  // namespace

namespace {

// The whole program: J at the question, the games folder holding the demo, the
// title card, the game, "Fim do Jogo", and Esc at the question again.
TEST(DemoProgram, JPlaysTheDemoFromTheMainQuestion) {
    for (const char* folder : {"formas-e-cores", "formas-e-cores-programa"}) {
        std::string root = tempDir(), slides = tempDir();
        fs::copy(kDemoGames + "/" + folder, root + "/" + folder, fs::copy_options::recursive);
        bool program = std::string(folder).find("programa") != std::string::npos;
        std::string keys = std::string("j{Enter}{Enter}") + kWholeGame + (program ? "" : "{Enter}") + "{Esc}";
        HeadlessResult r = runHeadless(keys, {"--slides", slides}, "[LUDIVAR]\nDIRJOGOS=" + root + "\n");
        EXPECT_EQ(r.exitCode, 0) << folder << "\n" << r.err;
        std::vector<std::string> drawn;
        for (const auto& e : fs::directory_iterator(slides)) drawn.push_back(e.path().filename().string());
        EXPECT_EQ(drawn.size(), kPath.size()) << folder;
        EXPECT_TRUE(r.contains(program ? "speak Formas e Cores (com programa)" : "speak Formas e Cores")) << folder;
        EXPECT_TRUE(r.contains("speak Você fez 60 pontos.")) << folder;
        EXPECT_EQ(r.contains("speak Fim do Jogo"), !program) << folder;
        EXPECT_TRUE(r.contains("speak Fim do Ludivar")) << folder;
        int media = 0;
        for (const std::string& t : r.trace) media += t.rfind("media open ", 0) == 0;
        EXPECT_EQ(media, 7) << folder;  // seven slide sounds; the places carry no media of their own
    }
}

}  // namespace
