// The upper modules stand on each other in one order: a file includes only from
// its own module and the modules below it, so that nothing calls upward.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "ludivar_paths.h"

namespace fs = std::filesystem;

namespace {

// Bottom first.
const std::vector<std::string> kStack = {"util",    "platform", "speech", "console", "safety", "catalog",
                                         "game",    "script",   "player", "export",  "editor", "app"};

int rank(const std::string& module) {
    auto it = std::find(kStack.begin(), kStack.end(), module);
    return it == kStack.end() ? -1 : int(it - kStack.begin());
}

// The modules named by the project includes of a file ("game/model.h" -> game).
std::vector<std::string> includedModules(const fs::path& file) {
    static const std::regex include(R"(^\s*#\s*include\s*"([a-z_]+)/)");
    std::vector<std::string> out;
    std::ifstream in(file);
    std::string line;
    std::smatch m;
    while (std::getline(in, line))
        if (std::regex_search(line, m, include)) out.push_back(m[1]);
    return out;
}

std::vector<fs::path> sources(const fs::path& dir) {
    std::vector<fs::path> out;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file() && (e.path().extension() == ".cpp" || e.path().extension() == ".h"))
            out.push_back(e.path());
    return out;
}

}  // namespace

TEST(Layers, UpperModulesIncludeOnlyDownward) {
    const fs::path src = fs::path(LUDIVAR_SOURCE_DIR) / "src";
    for (const char* module : {"catalog", "game", "script", "player", "export", "editor", "app"}) {
        const std::vector<fs::path> files = sources(src / module);
        EXPECT_FALSE(files.empty()) << module;
        for (const fs::path& file : files)
            for (const std::string& used : includedModules(file)) {
                EXPECT_GE(rank(used), 0) << file << " includes the unknown module " << used;
                EXPECT_LE(rank(used), rank(module)) << file << " includes from " << used;
            }
    }
}

TEST(Layers, TheMediaCommandLayerStandsOnThePlatformAlone) {
    const fs::path platform = fs::path(LUDIVAR_SOURCE_DIR) / "src" / "platform";
    for (const char* name : {"mci.h", "mci.cpp"}) {
        ASSERT_TRUE(fs::exists(platform / name)) << name;
        for (const std::string& used : includedModules(platform / name))
            EXPECT_TRUE(used == "platform" || used == "util") << name << " includes from " << used;
    }
}
