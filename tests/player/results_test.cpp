// The records of plays: the demo played through the whole program, a play killed
// while it runs, a damaged results file, and the file's own rules.
#include "ludivar_paths.h"
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/platform.h"
#include "player/results.h"
#include "support/headless.h"

namespace fs = std::filesystem;
extern char** environ;

namespace {

const std::string kDemoGames = std::string(LUDIVAR_BUILD_ROOT) + "/sonare/ludivar";

// The three plays of the demo, from the main question: every answer right; one
// wrong answer on the way; left with Esc at the second shape.
const char* kRight = "{Enter}formas{Enter}bola{Enter}quadrado{Enter}triângulo{Enter}Vermelha{Enter} azul {Enter}muu{Enter}{Enter}{Enter}";
const char* kWrong = "{Enter}formas{Enter}bola{Enter}x{Enter}{Enter}quadrado{Enter}triângulo{Enter}Vermelha{Enter} azul {Enter}mu{Enter}{Enter}{Enter}";
const char* kLeft = "{Enter}formas{Enter}bola{Enter}{Esc}s{Enter}";

using Strings = std::vector<std::string>;

std::string csvIn(const std::string& dataHome) {
    const std::string dir = dataHome + "/ludivar/resultados";
    if (!fs::exists(dir)) return std::string();
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().extension() == ".csv") return e.path().string();
    return std::string();
}

Strings names(const player::PlayRecord& r) {
    Strings out;
    for (const auto& v : r.visits) out.push_back(plat::cp1252ToUtf8(v.name));
    return out;
}
Strings answers(const player::PlayRecord& r) {
    Strings out;
    for (const auto& v : r.visits) out.push_back(plat::cp1252ToUtf8(v.answer));
    return out;
}
std::vector<int> marks(const player::PlayRecord& r) {
    std::vector<int> out;
    for (const auto& v : r.visits) out.push_back(v.right);
    return out;
}

std::string systemUser() {
    struct passwd* pw = getpwuid(getuid());
    return pw ? pw->pw_name : "";
}

struct SharedData {
    std::string home = tempDir() + "/dados";
    SharedData() { setHeadlessEnv({"XDG_DATA_HOME=" + home}); }
    ~SharedData() { setHeadlessEnv({}); }
};

TEST(Results, ThreeDemoPlaysGiveThreeRecords) {
    SharedData data;
    const std::string root = tempDir();
    fs::copy(kDemoGames + "/formas-e-cores", root + "/formas-e-cores", fs::copy_options::recursive);
    struct Run {
        const char* pupilSetting;  // ALUNO
        std::string typedName;     // typed when asked
        const char* play;
    };
    const std::vector<Run> runs = {{"PERGUNTAR", "Ana Lúcia{Enter}", kRight}, {"", "", kWrong}, {"NAO", "", kLeft}};
    for (const Run& run : runs) {
        std::string ini = "[LUDIVAR]\nDIRJOGOS=" + root + "\nRETOMAR=NAO\n";
        if (*run.pupilSetting) ini += std::string("ALUNO=") + run.pupilSetting + "\n";
        HeadlessResult r = runHeadless("j{Enter}{Enter}" + run.typedName + run.play + "{Esc}", {}, ini);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.contains("speak Nome do aluno: "), std::string(run.pupilSetting) == "PERGUNTAR");
    }
    const std::string csv = csvIn(data.home);
    ASSERT_FALSE(csv.empty());
    EXPECT_EQ(fs::path(csv).parent_path().parent_path().parent_path().string(), data.home);
    const std::string text = readText(csv);
    EXPECT_EQ(text.substr(0, text.find('\n')), player::kResultsHeader);
    std::vector<player::PlayRecord> plays;
    ASSERT_TRUE(player::parseResults(text, plays)) << text;
    ASSERT_EQ(plays.size(), 3u) << text;

    struct Expect {
        std::string pupil;
        player::PlayEnd end;
        int32_t score;
        Strings places, answers;
        std::vector<int> right;
    };
    const Strings rightPath = {"Capa", "Menu", "Círculo", "Quadrado", "Triângulo", "Vermelho", "Azul", "Vaca", "Fim"};
    const std::vector<Expect> expected = {
        {"Ana Lúcia", player::PlayEnd::Finished, 60, rightPath,
         {"", "formas", "bola", "quadrado", "triângulo", "Vermelha", "azul", "muu", ""}, {-1, 1, 1, 1, 1, 1, 1, 1, -1}},
        {systemUser(), player::PlayEnd::Finished, 60,
         {"Capa", "Menu", "Círculo", "Quadrado", "Dica quadrado", "Quadrado", "Triângulo", "Vermelho", "Azul", "Vaca",
          "Fim"},
         {"", "formas", "bola", "x", "", "quadrado", "triângulo", "Vermelha", "azul", "mu", ""},
         {-1, 1, 1, 0, -1, 1, 1, 1, 1, 1, -1}},
        {"", player::PlayEnd::Left, 10, {"Capa", "Menu", "Círculo", "Quadrado"}, {"", "formas", "bola", ""},
         {-1, 1, 1, -1}},
    };
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        const player::PlayRecord& p = plays[i];
        EXPECT_EQ(plat::cp1252ToUtf8(p.pupil), expected[i].pupil);
        EXPECT_EQ(p.end, expected[i].end);
        EXPECT_EQ(p.score, expected[i].score);
        EXPECT_EQ(names(p), expected[i].places);
        EXPECT_EQ(answers(p), expected[i].answers);
        EXPECT_EQ(marks(p), expected[i].right);
        EXPECT_EQ(p.when.size(), 19u) << p.when;
    }
    EXPECT_NE(plays[0].id, plays[1].id);
    // Nothing was written into the game's folder.
    for (const auto& e : fs::recursive_directory_iterator(root))
        EXPECT_EQ(e.path().string().find(".csv"), std::string::npos) << e.path();
}

// Runs a program with its output to `log`, returning its pid.
pid_t spawn(std::vector<std::string> args, const std::vector<std::string>& extraEnv) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env;
    // getenv takes the first entry of a name: the test's own ones are left out.
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        bool replaced = false;
        for (const std::string& x : extraEnv) replaced |= entry.compare(0, x.find('=') + 1, x, 0, x.find('=') + 1) == 0;
        if (!replaced) env.push_back(entry);
    }
    for (const std::string& e : extraEnv) env.push_back(e);
    std::vector<char*> cenv;
    for (std::string& e : env) cenv.push_back(e.data());
    cenv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), cenv.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&fa);
    return pid;
}

// The demo played again and again until the program is killed: whatever moment the
// kill hits, the file holds whole records only, and the next play appends after them.
TEST(Results, AKilledPlayLeavesWholeRecords) {
    const std::string root = tempDir(), home = tempDir() + "/dados", dir = tempDir();
    fs::copy(kDemoGames + "/formas-e-cores", root + "/formas-e-cores", fs::copy_options::recursive);
    writeText(dir + "/ECOLAR.INI", "[LUDIVAR]\nDIRJOGOS=" + root + "\nRETOMAR=NAO\n");
    std::string keys;
    for (int i = 0; i < 3000; ++i) keys += std::string("j{Enter}{Enter}") + kWrong;
    writeText(dir + "/keys.txt", keys);
    const pid_t pid = spawn({LUDIVAR_BIN, "--headless", "--ini", dir + "/ECOLAR.INI", "--keys-file", dir + "/keys.txt"},
                            {"XDG_DATA_HOME=" + home, "ECOLAR_CONFIG_DIR=" + dir + "/config"});
    ASSERT_GT(pid, 0);
    // Killed once two plays are in: the program is then playing the next one.  The
    // deadline only catches a program that records nothing (a play takes seconds, more
    // on a loaded machine under the sanitizers).
    std::vector<player::PlayRecord> plays;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(240);
    std::string csv;
    while (std::chrono::steady_clock::now() < deadline) {
        csv = csvIn(home);
        if (!csv.empty() && player::parseResults(readText(csv), plays) && plays.size() >= 2) break;
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, WNOHANG), 0) << "the program ended before it was killed";
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_GE(plays.size(), 2u) << "no plays recorded in time";

    std::string text = readText(csv);
    size_t whole = 0;
    ASSERT_TRUE(player::parseResults(text, plays, &whole)) << text;
    for (const player::PlayRecord& p : plays) EXPECT_EQ(p.visits.size(), 11u);
    const size_t before = plays.size();
    // One more play goes after the whole ones.
    player::PlayRecord extra;
    extra.id = "depois";
    extra.when = "2030-01-01 00:00:00";
    ASSERT_TRUE(player::appendRecord(csv, extra));
    text = readText(csv);
    ASSERT_TRUE(player::parseResults(text, plays, &whole));
    EXPECT_EQ(whole, text.size());
    ASSERT_EQ(plays.size(), before + 1);
    EXPECT_EQ(plays.back().id, "depois");
}

player::PlayRecord sample(const std::string& id, const std::string& answer) {
    player::PlayRecord r;
    r.id = id;
    r.when = "2026-03-01 10:00:00";
    r.pupil = plat::cp("João, \"o Joca\"");
    r.end = player::PlayEnd::Finished;
    r.score = -5;
    player::Visit v;
    v.place = 3;
    v.name = plat::cp("Círculo");
    v.answer = answer;
    v.right = 0;
    v.points = -5;
    v.seconds = 12;
    r.visits = {v, v};
    r.visits[1].right = 1;
    return r;
}

// Texts that would break a row or run as a spreadsheet formula come back as typed.
TEST(Results, RecordsKeepEveryTextAsTyped) {
    for (const char* answer : {"", "bola", "a,b", "diz \"oi\"", "=1+1", "+55", "-3", "@x", "'=", "'", "linha\ne outra"}) {
        SCOPED_TRACE(answer);
        const std::string text = std::string(player::kResultsHeader) + "\n" + player::recordText(sample("1", answer));
        std::vector<player::PlayRecord> plays;
        ASSERT_TRUE(player::parseResults(text, plays)) << text;
        ASSERT_EQ(plays.size(), 1u);
        EXPECT_EQ(plays[0].visits[0].answer, answer);
        EXPECT_EQ(plays[0].pupil, plat::cp("João, \"o Joca\""));
        EXPECT_EQ(plays[0].score, -5);
        EXPECT_EQ(plays[0].visits[1].right, 1);
        // No cell begins with a formula sign.
        for (const char* sign : {",=", ",+", ",@", ",-3"}) EXPECT_EQ(text.find(sign), std::string::npos) << text;
    }
}

// A record cut short at any byte is left out; a fault anywhere else makes the file
// unreadable, never silently shorter.
TEST(Results, ACutRecordIsLeftOutAndADamagedFileIsRefused) {
    const std::string head = std::string(player::kResultsHeader) + "\n";
    const std::string first = player::recordText(sample("1", "bola")), second = player::recordText(sample("2", "x"));
    for (size_t cut = 0; cut < second.size(); ++cut) {
        std::vector<player::PlayRecord> plays;
        size_t whole = 0;
        ASSERT_TRUE(player::parseResults(head + first + second.substr(0, cut), plays, &whole)) << cut;
        EXPECT_EQ(plays.size(), 1u) << cut;
        EXPECT_EQ(whole, head.size() + first.size()) << cut;
    }
    struct Bad { const char* why; std::string text; };
    const std::vector<Bad> bad = {
        {"other header", "nome,idade\n" + first},
        {"a row of another play in the middle", head + first.substr(0, first.find('\n') + 1) + second + first},
        {"missing column", head + "1,2026-01-01 00:00:00,,fim,0,0,0,,,,,\n"},
        {"end unknown", head + "1,2026-01-01 00:00:00,,talvez,0,0,0,,,,,,\n"},
        {"score not a number", head + "1,2026-01-01 00:00:00,,fim,muito,0,0,,,,,,\n"},
        {"mark unknown", head + "1,d,,fim,0,1,1,3,A,b,talvez,0,0\n"},
        {"binary", head + std::string("\x00\x01,\xff\n", 5)},
    };
    for (const Bad& b : bad) {
        std::vector<player::PlayRecord> plays;
        EXPECT_FALSE(player::parseResults(b.text, plays)) << b.why;
    }
}

TEST(Results, ADamagedFileIsKeptAsideAndANewOneStarted) {
    const std::string dir = tempDir() + "/resultados", file = dir + "/jogo.csv";
    fs::create_directories(dir);
    const std::string damaged = "isto não é uma planilha de resultados\n\x01\x02";
    writeText(file, damaged);
    std::string aside;
    ASSERT_TRUE(player::appendRecord(file, sample("1", "bola"), &aside));
    ASSERT_FALSE(aside.empty());
    EXPECT_EQ(readText(aside), damaged);
    EXPECT_NE(aside.find("jogo.csv.danificado-"), std::string::npos);
    std::vector<player::PlayRecord> plays;
    ASSERT_TRUE(player::loadResults(file, plays));
    ASSERT_EQ(plays.size(), 1u);
    // A second damaged file does not take the first one's place.
    writeText(file, damaged + "outra vez");
    std::string aside2;
    ASSERT_TRUE(player::appendRecord(file, sample("2", "x"), &aside2));
    EXPECT_NE(aside2, aside);
    EXPECT_EQ(readText(aside), damaged);
    EXPECT_EQ(readText(aside2), damaged + "outra vez");
}

TEST(Results, FiguresCountFirstAnswersAndCommonMistakes) {
    game::TJogo g;
    game::ResetModel(g);
    for (const char* n : {"Capa", "Círculo", "Quadrado"}) {
        game::TLugar* p = game::CreatePlace(g, g.placeCount + 1);
        p->name = plat::cp(n);
    }
    g.place(2)->expectedAnswer = "BOLA|CIRCULO";
    g.place(3)->expectedAnswer = "QUADRADO";
    auto visit = [](const char* name, const char* answer, int right) {
        player::Visit v;
        v.name = plat::cp(name);
        v.answer = answer;
        v.right = right;
        return v;
    };
    auto play = [](const char* pupil, int32_t score, std::vector<player::Visit> visits) {
        player::PlayRecord r;
        r.pupil = pupil;
        r.score = score;
        r.visits = std::move(visits);
        return r;
    };
    const std::vector<player::PlayRecord> plays = {
        play("Ana", 30, {visit("Capa", "", -1), visit("círculo", "bola", 1), visit("Quadrado", "x", 0), visit("Quadrado", "quadrado", 1)}),
        play("ana", 10, {visit("Círculo", "roda", 0), visit("Círculo", "bola", 1), visit("Quadrado", "X", 0)}),
        play("Bia", 0, {visit("Círculo", "Roda", 0), visit("Quadrado", "", -1)}),
        play("", 6, {}),
    };
    const player::Figures f = player::figuresOf(g, plays);
    EXPECT_EQ(f.plays, 4);
    EXPECT_EQ(f.pupils, 2);
    EXPECT_EQ(player::decimalText(f.meanScore), "11,5");
    ASSERT_EQ(f.places.size(), 2u);
    EXPECT_EQ(f.places[0].plays, 3);
    EXPECT_EQ(f.places[0].rightFirst, 1);
    ASSERT_EQ(f.places[0].wrong.size(), 1u);
    EXPECT_EQ(f.places[0].wrong[0], (std::pair<std::string, int>{"roda", 2}));
    EXPECT_EQ(f.places[1].plays, 2);  // the play that left without answering is not counted
    EXPECT_EQ(f.places[1].rightFirst, 0);
    EXPECT_EQ(f.places[1].answers.size(), 4u);
    EXPECT_EQ(player::decimalText(50), "50");
    EXPECT_EQ(player::decimalText(-2.25), "-2,2");
}

}  // namespace
