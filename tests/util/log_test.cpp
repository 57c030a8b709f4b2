// The log: reasons land in the user's state folder as well as on stderr, and the file
// never grows past its limit (one older copy kept beside it).
#include "ludivar_paths.h"
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/child.h"
#include "support/headless.h"
#include "util/log.h"

namespace {

std::string slurpFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

}  // namespace

TEST(UserLog, RotatesAtItsLimitKeepingWholeLinesInOrder) {
    const std::string file = tempDir() + "/ludivar.log";
    util::setLog(false, file);
    util::setLogLimit(100);
    std::string all;
    for (int i = 0; i < 12; ++i) {
        const std::string line = "ludivar: motivo número " + std::to_string(i);
        util::log(line);
        all += line + "\n";
    }
    util::setLogLimit(0);
    util::setLog(true, "");
    const std::string now = slurpFile(file), older = slurpFile(file + ".1");
    EXPECT_LE(now.size(), 100u);
    EXPECT_LE(older.size(), 100u);
    EXPECT_FALSE(older.empty());
    // what is kept is the newest part of what was written, cut only between lines
    ASSERT_GE(all.size(), (older + now).size());
    EXPECT_EQ(all.substr(all.size() - (older + now).size()), older + now);
    EXPECT_EQ(now.back(), '\n');
    EXPECT_EQ(older.back(), '\n');
}

TEST(UserLog, OpensInTheStateFolderMakingIt) {
    const std::string state = tempDir() + "/estado";
    const char* was = std::getenv("XDG_STATE_HOME");
    const std::string saved = was ? was : "";
    setenv("XDG_STATE_HOME", state.c_str(), 1);
    const std::string file = util::openUserLog();
    util::logToFileOnly("ludivar: só no arquivo");
    util::setLog(true, "");
    if (was) setenv("XDG_STATE_HOME", saved.c_str(), 1);
    else unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(file, state + "/ludivar/ludivar.log");
    EXPECT_EQ(slurpFile(file), "ludivar: só no arquivo\n");
}

// The program itself: a reason it gives on stderr is in the user's log too.
TEST(UserLog, TheProgramsReasonsReachTheLog) {
    const std::string dir = tempDir(), err = dir + "/err.txt", state = dir + "/estado";
    testsupport::Child child;
    testsupport::SpawnOptions o;
    o.errFile = err;
    o.env = {"XDG_STATE_HOME=" + state, "ECOLAR_CONFIG_DIR=" + dir + "/config"};
    ASSERT_TRUE(testsupport::spawn(child, {LUDIVAR_BIN, "--headless", "--keys", "{Nenhuma}"}, o));
    EXPECT_EQ(child.waitExit(60000), 2);
    const std::string said = slurpFile(err);
    EXPECT_NE(said.find("ludivar: roteiro de teclas ilegível"), std::string::npos) << said;
    EXPECT_EQ(slurpFile(state + "/ludivar/ludivar.log"), said);
    EXPECT_FALSE(exists(state + "/ludivar/ludivar.log.1"));
}
