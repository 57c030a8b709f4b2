// The user's folders, making folders, the atomic writer and the log.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>

#include "util/atomic.h"
#include "util/folders.h"
#include "util/log.h"
#include "util/result.h"

namespace fs = std::filesystem;

namespace {

std::string freshDir() {
    std::string t = (fs::temp_directory_path() / "ludivar-util-XXXXXX").string();
    EXPECT_NE(::mkdtemp(t.data()), nullptr);
    return t;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void put(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// A file as a run that died an hour ago would have left it.
void makeOld(const std::string& path) {
    struct timeval times[2] = {{std::time(nullptr) - 3600, 0}, {std::time(nullptr) - 3600, 0}};
    ASSERT_EQ(::utimes(path.c_str(), times), 0);
}

std::set<std::string> namesIn(const std::string& dir) {
    std::set<std::string> out;
    for (const auto& e : fs::directory_iterator(dir)) out.insert(e.path().filename().string());
    return out;
}

// Sets (or, with nullopt, removes) a variable for the life of the guard.
class Env {
public:
    Env(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* v = std::getenv(name)) old_ = v;
        if (value) ::setenv(name, value->c_str(), 1);
        else ::unsetenv(name);
    }
    ~Env() {
        if (old_) ::setenv(name_, old_->c_str(), 1);
        else ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(UtilFolders, UserFoldersFollowTheEnvironment) {
    struct Case {
        std::optional<std::string> xdg, ecolar;
        std::string data, settings, state;
    };
    const Case cases[] = {
        {std::nullopt, std::nullopt, "/casa/.local/share/ludivar", "/casa/.config/ecolar/", "/casa/.local/state/ludivar"},
        {"/x", std::nullopt, "/x/ludivar", "/x/ecolar/", "/x/ludivar"},
        {"relativo", std::nullopt, "/casa/.local/share/ludivar", "/casa/.config/ecolar/", "/casa/.local/state/ludivar"},
        {"", std::nullopt, "/casa/.local/share/ludivar", "/casa/.config/ecolar/", "/casa/.local/state/ludivar"},
        {"/x", "/conf", "/x/ludivar", "/conf/", "/x/ludivar"},
        {"/x", "/conf/", "/x/ludivar", "/conf/", "/x/ludivar"},
        {"/x", "", "/x/ludivar", "/x/ecolar/", "/x/ludivar"},
    };
    Env home("HOME", "/casa");
    for (const Case& c : cases) {
        Env data("XDG_DATA_HOME", c.xdg), config("XDG_CONFIG_HOME", c.xdg), state("XDG_STATE_HOME", c.xdg),
            ecolar("ECOLAR_CONFIG_DIR", c.ecolar);
        EXPECT_EQ(util::userDataDir(), c.data);
        EXPECT_EQ(util::settingsDir(), c.settings);
        EXPECT_EQ(util::userStateDir(), c.state);
    }
}

TEST(UtilFolders, MakeFoldersMakesEveryMissingParent) {
    const std::string d = freshDir();
    struct Case {
        std::string path;
        bool made;
    };
    put(d + "/arquivo", "x");
    const Case cases[] = {
        {d + "/a/b/c", true},
        {d + "/a/b/c", true},  // already there
        {d + "/a/b/d/", true},
        {d + "/a//e", true},
        {d + "/arquivo", false},
        {d + "/arquivo/dentro", false},
        {"", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(util::makeFolders(c.path), c.made) << c.path;
        if (c.made) {
            EXPECT_TRUE(fs::is_directory(c.path)) << c.path;
        }
    }
    ASSERT_TRUE(util::makeFolders(d + "/privada/mais", 0700));
    struct stat st;
    ASSERT_EQ(::stat((d + "/privada").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(UtilAtomic, WritesReplacesAndKeepsPermissions) {
    const std::string d = freshDir();
    const std::string path = d + "/jogo.lud";
    ASSERT_TRUE(util::writeFileAtomically(path, "velho"));
    EXPECT_EQ(slurp(path), "velho");
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(util::writeFileAtomically(path, std::string("novo\0bin\xE1rio", 12)));
    EXPECT_EQ(slurp(path), std::string("novo\0bin\xE1rio", 12));
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    ASSERT_TRUE(util::writeFileAtomically(path, ""));
    EXPECT_EQ(slurp(path), "");
    EXPECT_EQ(namesIn(d), std::set<std::string>{"jogo.lud"});
}

TEST(UtilAtomic, ALinkIsFollowedOrReplacedAsAsked) {
    const std::string d = freshDir();
    const std::string real = d + "/real.txt", link = d + "/atalho.txt";
    put(real, "antes");
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    ASSERT_TRUE(util::writeFileAtomically(link, "pelo atalho"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(slurp(real), "pelo atalho");
    ASSERT_TRUE(util::writeFileAtomically(link, "no lugar", util::AtLink::Replace));
    EXPECT_FALSE(fs::is_symlink(link));
    EXPECT_EQ(slurp(link), "no lugar");
    EXPECT_EQ(slurp(real), "pelo atalho");
}

TEST(UtilAtomic, AFailureLeavesTheOldFileAndNoTemporary) {
    const std::string d = freshDir();
    const std::string path = d + "/notas.txt";
    put(path, "antigo e inteiro");

    struct Case {
        const char* what;
        std::function<util::Result()> write;
    };
    const Case cases[] = {
        {"the file size limit",
         [&] {
             struct rlimit old;
             ::getrlimit(RLIMIT_FSIZE, &old);
             std::signal(SIGXFSZ, SIG_IGN);
             struct rlimit small = old;
             small.rlim_cur = 1000;
             ::setrlimit(RLIMIT_FSIZE, &small);
             util::Result r = util::writeFileAtomically(path, std::string(100000, 'n'));
             ::setrlimit(RLIMIT_FSIZE, &old);
             std::signal(SIGXFSZ, SIG_DFL);
             return r;
         }},
        {"a filler that gives up",
         [&] {
             return util::writeFileAtomically(path, [](int fd) {
                 (void)util::writeAll(fd, "metade");
                 return util::Result::failure("parou");
             });
         }},
    };
    for (const Case& c : cases) {
        const util::Result r = c.write();
        EXPECT_FALSE(r.ok()) << c.what;
        EXPECT_FALSE(r.reason().empty()) << c.what;
        EXPECT_EQ(slurp(path), "antigo e inteiro") << c.what;
        EXPECT_EQ(namesIn(d), std::set<std::string>{"notas.txt"}) << c.what;
    }
    const util::Result gaveUp = util::writeFileAtomically(path, [](int) { return util::Result::failure("parou"); });
    EXPECT_EQ(gaveUp.reason(), "parou");
}

TEST(UtilAtomic, NamesThatCannotBeWritten) {
    const std::string d = freshDir();
    const std::string locked = d + "/protegido.lud";
    put(locked, "do professor");
    ::chmod(locked.c_str(), 0444);
    struct Case {
        std::string path;
        std::string reason;
    };
    const Case cases[] = {
        {"", "nome vazio"},
        {d + "/", "nome vazio"},
        {d + "/nao/existe.lud", "a pasta n\xE3o existe"},
        {d, "o nome \xE9 de uma pasta"},
        {locked, "sem permiss\xE3o para gravar"},
    };
    for (const Case& c : cases) {
        const util::Result r = util::writeFileAtomically(c.path, "x");
        EXPECT_FALSE(r.ok()) << c.path;
        EXPECT_EQ(r.reason(), c.reason) << c.path;
    }
    EXPECT_EQ(slurp(locked), "do professor");
    EXPECT_EQ(namesIn(d), std::set<std::string>{"protegido.lud"});
}

TEST(UtilAtomic, OnlyItsOwnStaleTemporariesAreRemoved) {
    const std::string d = freshDir();
    const std::string others[] = {".aula.lud.backup", ".prova.lud.antiga", ".aula.lud.Xy12Ab", ".aula.lud.ludivar",
                                  ".ludivar-aula.lud.Ab12Cd", "aula.lud.ludivar-Ab12Cd", ".aula.lud.ludivar-Ab1",
                                  ".aula.lud.ludivar-Ab1_2C"};
    for (const std::string& n : others) {
        put(d + "/" + n, "de outro programa");
        makeOld(d + "/" + n);
    }
    const std::string stale = d + "/.velho.lud.ludivar-Ab12Cd";
    put(stale, "restos");
    makeOld(stale);
    const std::string fresh = d + "/.outro.lud.ludivar-Zz99Yy";  // empty and new: a writer about to lock it
    put(fresh, "");

    ASSERT_TRUE(util::writeFileAtomically(d + "/aula.lud", "jogo"));
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(fresh));
    for (const std::string& n : others) EXPECT_EQ(slurp(d + "/" + n), "de outro programa") << n;
}

TEST(UtilAtomic, TemporaryNames) {
    struct Case {
        const char* name;
        bool ours;
    };
    const Case cases[] = {
        {".aula.lud.ludivar-Ab12Cd", true}, {".x.ludivar-000000", true},     {".aula.lud.backup", false},
        {".aula.lud.Xy12Ab", false},        {".ludivar-Ab12Cd", false},      {"aula.ludivar-Ab12Cd", false},
        {".aula.ludivar-Ab12C", false},     {".aula.ludivar-Ab12C!", false}, {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(util::isAtomicTemporary(c.name), c.ours) << c.name;
}

TEST(UtilAtomic, CopyReplacesWhole) {
    const std::string d = freshDir();
    std::string big;
    for (int i = 0; i < 200000; ++i) big += char(i * 7);
    put(d + "/origem", big);
    put(d + "/destino", "velho");
    ASSERT_TRUE(util::copyFileAtomically(d + "/origem", d + "/destino"));
    EXPECT_EQ(slurp(d + "/destino"), big);
    const util::Result missing = util::copyFileAtomically(d + "/nada", d + "/destino");
    EXPECT_FALSE(missing.ok());
    EXPECT_EQ(slurp(d + "/destino"), big);
    EXPECT_EQ(namesIn(d), (std::set<std::string>{"origem", "destino"}));
}

TEST(UtilLog, LinesGoToTheLogFileWhenOneIsSet) {
    const std::string d = freshDir();
    const std::string file = d + "/ludivar.log";
    util::setLog(false, file);
    util::log("ludivar: primeira");
    util::log("segunda \xE9");
    util::setLog(true, "");
    util::log("depois");  // stderr only
    EXPECT_EQ(slurp(file), std::string("ludivar: primeira\nsegunda \xE9\n"));
}

}  // namespace
