// The kernel's wall: with the program's own confinement switched off, Landlock alone
// keeps a hostile game's reads and writes inside what it may reach, while the game's
// folder, its speech, pictures and sound still work.  The wall cannot be lifted, so
// every case runs in a child process of its own.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>

#include "console/config.h"
#include "platform/image.h"
#include "platform/media.h"
#include "platform/process.h"
#include "platform/sdl_audio.h"
#include "safety/landlock.h"
#include "safety/safety.h"
#include "speech/sysvoice.h"
#include "support/headless.h"
#include "support/require.h"
#include "support/speechd_server.h"
#include "util/atomic.h"
#include "util/log.h"

namespace {

void makeDirs(const std::string& d) { ASSERT_EQ(std::system(("mkdir -p '" + d + "'").c_str()), 0); }

bool exists(const std::string& p) {
    struct stat st;
    return lstat(p.c_str(), &st) == 0;
}

// Polls for a condition for up to ten seconds.
template <class F>
bool untilTrue(F done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        struct timespec ts{0, 1000000};
        nanosleep(&ts, nullptr);
    }
    return true;
}

// Runs `body` in a child process and gives what it reported ("" when all went well).
std::string inChild(const std::function<std::string()>& body) {
    int out[2];
    if (pipe(out) != 0) return "pipe";
    const pid_t pid = fork();
    if (pid == 0) {
        close(out[0]);
        const std::string report = body();
        if (!report.empty() && write(out[1], report.data(), report.size()) < 0) _exit(2);
        _exit(0);
    }
    close(out[1]);
    std::string got;
    char buf[4096];
    ssize_t n;
    while ((n = read(out[0], buf, sizeof buf)) > 0) got.append(buf, size_t(n));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) got += " (the child ended abnormally)";
    return got;
}

// A games folder with the hostile game and its sibling, a secret beside them, and the
// user's folders of its own so that nothing of the real user's is reached.
struct Tree {
    std::string top = tempDir(), games = top + "/jogos", game = games + "/hostil", sibling = games + "/irmao",
                secret = top + "/casa/.ssh/id_rsa", outside = top + "/fora";
    Tree() {
        makeDirs(game);
        makeDirs(sibling);
        makeDirs(top + "/casa/.ssh");
        makeDirs(outside);
        makeDirs(top + "/tmp");
        writeText(secret, "chave");
        writeText(sibling + "/placar.txt", "10");
        writeText(game + "/meu.txt", "meu");
    }
    // In the child: the user's folders inside the tree, the game entered with the first
    // wall off and (when asked) the kernel's wall raised as the program raises it.
    std::string enter(bool kernel) const {
        setenv("HOME", (top + "/casa").c_str(), 1);
        setenv("TMPDIR", (top + "/tmp").c_str(), 1);
        for (const char* v : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"})
            setenv(v, (top + "/casa/" + v).c_str(), 1);
        // A desktop session's runtime folder, where the sound server's client keeps its own.
        mkdir((top + "/run").c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", (top + "/run").c_str(), 1);
        if (chdir(game.c_str()) != 0) return "chdir";
        safety::testing::setFirstWall(false);
        if (kernel) safety::armKernelWall();
        safety::Scope scope{"hostil", game, games, "", ""};
        if (!safety::enterGame(scope)) return "enterGame";
        if (kernel && !safety::kernelWallUp()) return "the wall is not up";
        return "";
    }
};

struct Reach {
    const char* name;       // as the game writes it
    safety::Access access;
    bool create;            // a new name (resolveNew)
    bool hostile;           // refused by the kernel
};
const Reach kReaches[] = {
    {"../../casa/.ssh/id_rsa", safety::Access::Read, false, true},
    {"..\\irmao\\placar.txt", safety::Access::Write, false, true},
    {"..\\irmao\\novo.txt", safety::Access::Write, true, true},
    {"../../fora/novo.txt", safety::Access::Write, true, true},
    {"..\\irmao\\placar.txt", safety::Access::Read, false, false},  // collections share their media
    {"meu.txt", safety::Access::Write, false, false},
    {"novo.txt", safety::Access::Write, true, false},
};

// What happened to each reach: "aberto" or "recusado", one per line.
std::string tryReaches() {
    std::string got;
    for (const Reach& r : kReaches) {
        const std::string path = r.create ? safety::resolveNew(r.name) : safety::resolve(r.name, r.access);
        if (path.empty()) {
            got += std::string(r.name) + ": the first wall answered\n";
            continue;
        }
        bool refused = false;
        const int fd = safety::openFile(path, r.access, refused);
        got += std::string(r.name) + (fd >= 0 ? ": aberto\n" : ": recusado\n");
        if (fd >= 0) {
            if (r.access == safety::Access::Write && write(fd, "x", 1) != 1) got += "write failed\n";
            close(fd);
        }
    }
    return got;
}

std::string expected(bool kernel) {
    std::string want;
    for (const Reach& r : kReaches)
        want += std::string(r.name) + (kernel && r.hostile ? ": recusado\n" : ": aberto\n");
    return want;
}

TEST(KernelWall, RefusesWhatTheFirstWallWouldHave) {
    LUDIVAR_REQUIRE(safety::landlockAbi() > 0, "this kernel offers no Landlock");
    // Without the kernel's wall the hostile reaches go through: the switch really turns the
    // first wall off, and what refuses them below is the kernel.
    {
        Tree t;
        std::string got = inChild([&] {
            std::string e = t.enter(false);
            return e.empty() ? tryReaches() : e;
        });
        EXPECT_EQ(got, expected(false));
        EXPECT_EQ(readText(t.sibling + "/placar.txt"), "10x");
        EXPECT_TRUE(exists(t.outside + "/novo.txt"));
    }
    Tree t;
    std::string got = inChild([&] {
        std::string e = t.enter(true);
        if (!e.empty()) return e;
        std::string r = tryReaches();
        // Removing and renaming a sibling's file, or replacing it, are refused as well.
        if (unlink((t.sibling + "/placar.txt").c_str()) == 0) r += "unlinked a sibling's file\n";
        if (rename((t.sibling + "/placar.txt").c_str(), (t.game + "/roubado.txt").c_str()) == 0) r += "renamed\n";
        if (truncate((t.sibling + "/placar.txt").c_str(), 0) == 0) r += "truncated\n";
        if (util::writeFileAtomically(t.sibling + "/placar.txt", "0").ok()) r += "replaced\n";
        // The game's own folder keeps working in full: replaced, truncated, folders made and removed.
        if (!util::writeFileAtomically(t.game + "/meu.txt", "novo").ok()) r += "own file not replaced\n";
        if (truncate((t.game + "/novo.txt").c_str(), 0) != 0) r += "own file not truncated\n";
        if (mkdir((t.game + "/dados").c_str(), 0700) != 0 || rmdir((t.game + "/dados").c_str()) != 0)
            r += "own folder not made\n";
        return r;
    });
    EXPECT_EQ(got, expected(true) + "");
    EXPECT_EQ(readText(t.sibling + "/placar.txt"), "10");
    EXPECT_FALSE(exists(t.sibling + "/novo.txt"));
    EXPECT_FALSE(exists(t.outside + "/novo.txt"));
    EXPECT_EQ(readText(t.game + "/meu.txt"), "novo");
}

// Program started by a game with the pupil's consent go through the launcher, forked
// before the wall: they reach what the pupil could, not only the game's folder.
TEST(KernelWall, ProgramsThePupilAllowedRunUnconfined) {
    LUDIVAR_REQUIRE(safety::landlockAbi() > 0, "this kernel offers no Landlock");
    Tree t;
    std::string got = inChild([&] {
        std::string e = t.enter(true);
        if (!e.empty()) return e;
        const std::string copy = t.outside + "/copia";
        const int pid = plat::spawnProgram("cp", {t.secret, copy});
        if (pid <= 0) return std::string("not started");
        // The launcher reaps it: its end shows as the process gone.
        return untilTrue([&] { return !plat::processRunning(pid); }) ? std::string() : "still running";
    });
    EXPECT_EQ(got, "");
    EXPECT_EQ(readText(t.outside + "/copia"), "chave");
}

// A short tone as a Sun audio file: not a WAV, so the media layer hands it to libmpv.
std::string toneAu() {
    const uint32_t rate = 8000, samples = 800;
    std::string au = ".snd";
    auto be32 = [&](uint32_t v) {
        for (int s = 24; s >= 0; s -= 8) au.push_back(char((v >> s) & 0xff));
    };
    be32(24);
    be32(samples * 2);
    be32(3);  // 16-bit linear
    be32(rate);
    be32(1);
    for (uint32_t i = 0; i < samples; ++i) {
        const int16_t v = (i / 10) % 2 ? 8000 : -8000;
        au.push_back(char((v >> 8) & 0xff));
        au.push_back(char(v & 0xff));
    }
    return au;
}

bool wavHasSound(const std::string& path) {
    const std::string w = readText(path);
    if (w.size() < 1000 || w.compare(0, 4, "RIFF") != 0) return false;
    for (size_t i = 44; i < w.size(); ++i)
        if (w[i] != 0) return true;
    return false;
}

// Every library the game uses after the wall is up loads and reads what it needs: the
// voices in the process, the picture decoders, fonts, libmpv and the speech server.
TEST(KernelWall, LibrariesLoadedBehindItStillWork) {
    LUDIVAR_REQUIRE(safety::landlockAbi() > 0, "this kernel offers no Landlock");
    SpeechServer server;
    std::string why;
    LUDIVAR_REQUIRE(server.start(why), "speech-dispatcher: " << why);
    Tree t;
    plat::Picture pic;
    pic.width = pic.height = 16;
    pic.rgb.assign(16 * 16 * 3, 200);
    std::string jpeg;
    ASSERT_TRUE(plat::encodeJpeg(pic, 80, jpeg));
    writeText(t.game + "/foto.jpg", jpeg);
    ASSERT_TRUE(plat::writePng(t.game + "/foto.png", pic));
    writeText(t.game + "/som.au", toneAu());
    struct Voice {
        const char* ini;
        const char* name;
    } voices[] = {
        {"", "own voice"},
        {"[TRADUTOR]\nSAPI=SIM\n[SERVFALA]\nTIPOSAPI=5\n", "espeak-ng"},
    };
    for (const Voice& v : voices) {
        std::string got = inChild([&] {
            // Settings are read before the wall, as at the program's start.
            writeText(t.top + "/ECOLAR.INI", v.ini);
            con::setIniOverride(t.top + "/ECOLAR.INI");
            con::loadSettings();
            std::string e = t.enter(true);
            if (!e.empty()) return e;
            safety::testing::setFirstWall(true);
            std::string r;
            if (con::speakToWav("Olá, turma.", t.game + "/fala.wav") != 0 || !wavHasSound(t.game + "/fala.wav"))
                r += "no speech\n";
            return r;
        });
        EXPECT_EQ(got, "") << v.name;
    }
    std::string got = inChild([&] {
        setenv("SPEECHD_ADDRESS", server.address().c_str(), 1);
        setenv("PULSE_SERVER", server.pulseServer().c_str(), 1);
        std::string e = t.enter(true);
        if (!e.empty()) return e;
        safety::testing::setFirstWall(true);
        std::string r;
        plat::Picture jpg, png;
        if (!plat::loadJpeg("foto.jpg", jpg) || jpg.width != 16) r += "no jpeg\n";
        if (!plat::readPng(t.game + "/foto.png", png) || png.width != 16) r += "no png\n";
        // The window's letters: fontconfig finds a face, the rasteriser draws it.
        if (plat::fontFileFor("Arial", false).empty()) r += "fontconfig found no face for Arial\n";
        const int font = plat::fontOpen("", 24, false);
        if (font <= 0) {
            r += "no font\n";
        } else {
            plat::Picture canvas;
            canvas.width = 64;
            canvas.height = 32;
            canvas.rgb.assign(64 * 32 * 3, 0);
            plat::drawText(canvas, font, 2, 2, "Aa", plat::Rgb{255, 255, 255});
            bool drawn = false;
            for (uint8_t c : canvas.rgb) drawn = drawn || c != 0;
            if (!drawn) r += "no letters drawn\n";
            plat::fontClose(font);
        }
        // Sound through the sound server, and speech through the speech server.
        if (!plat::audio::start() || !plat::audio::openSource(8000, 16, 1)) {
            r += "no sound device\n";
        } else {
            const std::string au = toneAu();
            std::string pcm;
            for (size_t i = 24; i + 1 < au.size(); i += 2) pcm += std::string{au[i + 1], au[i]};
            plat::audio::queue(reinterpret_cast<const uint8_t*>(pcm.data()), pcm.size());
            if (!untilTrue([] { return plat::audio::pending() == 0; })) r += "the sound did not play\n";
            plat::audio::closeSource();
            plat::audio::shutdown();
        }
        if (!speech::sysvoiceOpen(speech::VoiceKind::Server, 0, 0, 0)) {
            r += "no speech server: " + speech::sysvoiceError() + "\n";
        } else {
            speech::sysvoiceSpeak("Olá, turma.");
            if (!untilTrue([] { return speech::sysvoiceBusy(); }) || !untilTrue([] { return !speech::sysvoiceBusy(); }))
                r += "the speech server did not speak\n";
            speech::sysvoiceClose();
        }
        plat::MediaInfo info;
        if (!plat::mediaProbe(t.game + "/som.au", info) || info.durationMs < 50) r += "libmpv did not read the sound\n";
        return r;
    });
    EXPECT_EQ(got, "");
}

// A kernel that refuses Landlock (as some containers do): a filter answers its calls
// with ENOSYS.  The game still runs behind the first wall alone, and the log says so once.
bool refuseLandlock() {
    sock_filter code[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_landlock_create_ruleset, 3, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_landlock_add_rule, 2, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_landlock_restrict_self, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | ENOSYS),
    };
    sock_fprog prog{static_cast<unsigned short>(sizeof code / sizeof code[0]), code};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &prog) == 0;
}

TEST(KernelWall, WithoutLandlockTheFirstWallHoldsAlone) {
    Tree t;
    const std::string log = t.top + "/log.txt";
    std::string got = inChild([&] {
        if (!refuseLandlock()) return std::string("no filter");
        if (safety::landlockAbi() != 0) return std::string("the filter let Landlock through");
        util::setLog(false, log);
        safety::armKernelWall();  // asked again: said once all the same
        std::string e = t.enter(true);
        if (e != "the wall is not up") return "entered: " + e;
        safety::leaveGame();
        safety::testing::setFirstWall(true);
        safety::Scope scope{"hostil", t.game, t.games, "", ""};
        if (!safety::enterGame(scope)) return std::string("second game not entered");
        std::string r;
        for (const Reach& reach : kReaches) {
            const std::string path = reach.create ? safety::resolveNew(reach.name) : safety::resolve(reach.name, reach.access);
            if (path.empty() != reach.hostile) r += std::string(reach.name) + ": wrong answer\n";
        }
        bool refused = false;
        const int fd = safety::openFile(safety::resolve("meu.txt", safety::Access::Write), safety::Access::Write, refused);
        if (fd < 0) r += "own file not opened\n";
        else close(fd);
        return r;
    });
    EXPECT_EQ(got, "");
    const std::string said = readText(log);
    EXPECT_NE(said.find("Landlock"), std::string::npos) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << said;  // one line for the two games
}

// The pupil mode: the session ends with the game played, for the wall stays up after it.
TEST(KernelWall, PupilModeEndsWithTheGame) {
    LUDIVAR_REQUIRE(safety::landlockAbi() > 0, "this kernel offers no Landlock");
    Tree t;
    writeText(t.game + "/Hostil.lud",
              "[DADOS GERAIS]\r\nNOME DO JOGO=Hostil\r\nSCRIPT=p.pro\r\n\r\n[MODELO]\r\nLUGARES=1\r\n\r\n"
              "[LUGAR 1]\r\nNOME=Capa\r\nTERMINADOR=SIM\r\nN\xDAMERO DE SLIDES=0\r\n");
    writeText(t.game + "/p.pro", "ESCREVE \"oi\"\r\n");
    // One game in the games folder: Enter at the list chooses it.
    ASSERT_EQ(std::remove((t.sibling + "/placar.txt").c_str()), 0);
    ASSERT_EQ(rmdir(t.sibling.c_str()), 0);
    struct Case {
        const char* mode;
        const char* keys;
        int exitCode;   // 3: the keys ran out at the main question again
        bool played;
    } cases[] = {
        {"SIM", "j{Enter}{Enter}", 0, true},
        {"NAO", "j{Enter}{Enter}", 3, true},
        {"", "j{Enter}{Enter}", 3, true},
        {"SIM", "j{Esc}", 3, false},  // no game chosen: the question comes back
    };
    for (const Case& c : cases) {
        HeadlessResult r = runHeadless(c.keys, {}, "[LUDIVAR]\nDIRJOGOS=" + t.games + "\n[SEGURANCA]\nMODOALUNO=" +
                                                        c.mode + "\n");
        EXPECT_EQ(r.exitCode, c.exitCode) << c.mode << c.keys << r.err;
        EXPECT_EQ(r.contains("speak oi"), c.played) << c.mode << c.keys;
        EXPECT_EQ(r.contains("speak Fim do Ludivar"), c.exitCode == 0) << c.mode << c.keys;
    }
}

}  // namespace

namespace {

// The settings say which folders are trusted and what the pupil allowed: behind the
// wall a hostile game cannot write them, while the program's own answers and kept
// settings still reach them through the launcher.
TEST(KernelWall, SettingsAreWrittenOnlyByTheProgram) {
    LUDIVAR_REQUIRE(safety::landlockAbi() > 0, "this kernel offers no Landlock");
    Tree t;
    const std::string settings = t.top + "/casa/XDG_CONFIG_HOME/ecolar";
    makeDirs(settings);
    writeText(settings + "/ECOLAR.INI", "[LUDIVAR]\r\n");
    std::string got = inChild([&] {
        unsetenv("ECOLAR_CONFIG_DIR");
        std::string e = t.enter(true);
        if (!e.empty()) return e;
        std::string r;
        const std::string ini = safety::resolve("../../casa/XDG_CONFIG_HOME/ecolar/ECOLAR.INI",
                                                safety::Access::Write);
        bool refused = false;
        const int fd = ini.empty() ? -1 : safety::openFile(ini, safety::Access::Write, refused);
        if (fd >= 0) {
            r += "opened the settings for writing\n";
            close(fd);
        }
        if (rename((t.game + "/meu.txt").c_str(), (settings + "/ECOLAR.INI").c_str()) == 0)
            r += "renamed over the settings\n";
        if (truncate((settings + "/ECOLAR.INI").c_str(), 0) == 0) r += "truncated the settings\n";
        // The program's own writes: a kept speed, a new file, a large one, a refused name.
        if (!con::keepSpeed(4)) r += "speed not kept\n";
        if (!util::writeFileAtomically(settings + "//permissoes.txt", std::string(100000, 'x')).ok())
            r += "answers not written\n";
        if (safety::writeThroughHelper("../fora.txt", 0).ok()) r += "wrote outside the settings\n";
        return r;
    });
    EXPECT_EQ(got, "");
    EXPECT_EQ(readText(settings + "/ECOLAR.INI"), "[LUDIVAR]\r\n");
    EXPECT_NE(readText(settings + "/ludivar.ini").find("VELOCIDADE=4"), std::string::npos);
    EXPECT_EQ(readText(settings + "/permissoes.txt").size(), 100000u);
    EXPECT_FALSE(exists(t.top + "/casa/XDG_CONFIG_HOME/fora.txt"));
}

}  // namespace
