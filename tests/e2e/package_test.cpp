// What ships beside the program: the manual, the desktop entry, the AppStream data, the
// changelog and the copyright.  Each is checked with the tool a distribution checks it with,
// and the version they state must be the one the program reports.
#include "ludivar_paths.h"
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/child.h"
#include "support/headless.h"
#include "support/require.h"

namespace {

const std::string kSource = LUDIVAR_SOURCE_DIR;
const std::string kDesktop = kSource + "/data/desktop/";

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

struct Ran {
    int code = -1;
    std::string out, err;
};

// A shell command with its output and its errors kept apart.
Ran run(const std::string& cmd) {
    const std::string errFile = tempDir() + "/stderr.txt";
    Ran r;
    FILE* p = popen((cmd + " 2>'" + errFile + "'").c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int status = pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.err = fileText(errFile);
    return r;
}

std::string firstMatch(const std::string& text, const std::string& pattern) {
    std::smatch m;
    return std::regex_search(text, m, std::regex(pattern)) ? m[1].str() : std::string();
}

std::string projectVersion() {
    return firstMatch(fileText(kSource + "/CMakeLists.txt"), R"(project\(ludivar VERSION ([0-9.]+))");
}

// The options `--help` explains, each once.
std::vector<std::string> helpOptions() {
    const Ran help = run("'" + std::string(LUDIVAR_BIN) + "' --help");
    std::vector<std::string> options;
    const std::regex option(R"((^|[\s\[|])(--[a-z][a-z-]*))");
    for (auto it = std::sregex_iterator(help.out.begin(), help.out.end(), option); it != std::sregex_iterator(); ++it)
        if (std::find(options.begin(), options.end(), (*it)[2].str()) == options.end()) options.push_back((*it)[2]);
    return options;
}

std::string renderedManual(Ran* ran) {
    *ran = run("MANWIDTH=80 man --warnings -l '" + kDesktop + "ludivar.1'");
    return ran->out;
}

// Filled and justified text: every run of blanks and line breaks as one space.
std::string oneLine(const std::string& text) { return std::regex_replace(text, std::regex(R"(\s+)"), " "); }

}  // namespace

TEST(Package, OneVersionEverywhere) {
    const std::string version = projectVersion();
    ASSERT_FALSE(version.empty());
    struct Case {
        const char* where;
        std::string stated;
    };
    const Case cases[] = {
        {"ludivar --version", firstMatch(run("'" + std::string(LUDIVAR_BIN) + "' --version").out, R"(^ludivar (\S+)\n$)")},
        {"manual", firstMatch(fileText(kDesktop + "ludivar.1"), R"re(\n\.TH LUDIVAR 1 "[^"]*" "Ludivar ([^"]+)")re")},
        {"AppStream", firstMatch(fileText(kDesktop + "org.ludivar.Ludivar.metainfo.xml"), R"re(<release version="([^"]+)")re")},
        {"changelog", firstMatch(fileText(kDesktop + "changelog"), R"(^ludivar \(([^)]+)\) )")},
    };
    for (const Case& c : cases) EXPECT_EQ(c.stated, version) << c.where;
}

TEST(Package, DesktopEntryAndAppStreamPassTheirValidators) {
    struct Case {
        const char* tool;
        std::string command;
    };
    const Case cases[] = {
        {"desktop-file-validate", "desktop-file-validate '" + kDesktop + "org.ludivar.Ludivar.desktop'"},
        {"appstreamcli", "appstreamcli validate --no-net '" + kDesktop + "org.ludivar.Ludivar.metainfo.xml'"},
    };
    for (const Case& c : cases) {
        LUDIVAR_REQUIRE(testsupport::haveProgram(c.tool), c.tool << " is not installed");
        const Ran r = run(c.command);
        EXPECT_EQ(r.code, 0) << c.tool << "\n" << r.out << r.err;
        // Hints, warnings and errors alike: a clean file says nothing of its own.
        const std::string all = r.out + r.err;
        for (const char* complaint : {"hint:", "warning:", "error:", "\nI:", "\nW:", "\nE:", "W: ", "E: "})
            EXPECT_EQ(all.find(complaint), std::string::npos) << c.tool << " complains:\n" << all;
    }
    // The component is named in reverse-DNS and launches the entry installed beside it.
    const std::string meta = fileText(kDesktop + "org.ludivar.Ludivar.metainfo.xml");
    EXPECT_EQ(firstMatch(meta, "<id>([^<]+)</id>"), "org.ludivar.Ludivar");
    EXPECT_EQ(firstMatch(meta, R"re(<launchable type="desktop-id">([^<]+)<)re"), "org.ludivar.Ludivar.desktop");
}

TEST(Package, CopyrightAndCompressedDocuments) {
    const std::string copyright = fileText(kDesktop + "copyright");
    EXPECT_EQ(copyright.rfind("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n", 0), 0u);
    EXPECT_NE(copyright.find("\nFiles: *\n"), std::string::npos);
    EXPECT_NE(copyright.find("/usr/share/common-licenses/GPL-3"), std::string::npos);
    // Installed compressed with gzip -9n: the same text back, no file name and no time stamp
    // in the header (so two builds of one source give the same package).
    for (const char* name : {"ludivar.1", "changelog"}) {
        const std::string gz = std::string(LUDIVAR_BIN).substr(0, std::string(LUDIVAR_BIN).rfind('/')) + "/doc/" +
                               name + ".gz";
        const std::string bytes = fileText(gz);
        ASSERT_GE(bytes.size(), 10u) << gz;
        EXPECT_EQ(uint8_t(bytes[0]), 0x1f) << gz;
        EXPECT_EQ(uint8_t(bytes[1]), 0x8b) << gz;
        EXPECT_EQ(uint8_t(bytes[3]) & 0x08, 0) << gz << ": the file name is stored";
        EXPECT_EQ(bytes.substr(4, 4), std::string(4, '\0')) << gz << ": a time stamp is stored";
        EXPECT_EQ(uint8_t(bytes[8]), 2) << gz << ": not compressed at the best level";
        EXPECT_EQ(run("gzip -dc '" + gz + "'").out, fileText(kDesktop + name)) << gz;
    }
}

TEST(Package, ManualRendersCleanAndCoversTheProgram) {
    LUDIVAR_REQUIRE(testsupport::haveProgram("man"), "man is not installed");
    Ran ran;
    const std::string page = renderedManual(&ran);
    EXPECT_EQ(ran.code, 0);
    EXPECT_EQ(ran.err, "") << "man --warnings";
    ASSERT_GT(page.size(), 1000u);
    // groff's hyphenation patterns are English: Portuguese words must not be broken.
    EXPECT_NE(fileText(kDesktop + "ludivar.1").find("\n.nh\n"), std::string::npos);
    std::istringstream lines(page);
    for (std::string line; std::getline(lines, line);) {
        const bool broken = (line.size() >= 3 && line.compare(line.size() - 3, 3, "\xe2\x80\x90") == 0) ||
                            std::regex_search(line, std::regex("[a-zà-ú]-$"));
        EXPECT_FALSE(broken) << "a word broken at the line's end: " << line;
    }
    // Every option of --help is in the manual and in the README.
    const std::vector<std::string> options = helpOptions();
    EXPECT_GE(options.size(), 15u);
    const std::string readme = fileText(kSource + "/README.md");
    for (const std::string& opt : options) {
        EXPECT_NE(page.find(opt), std::string::npos) << opt << " is not in the manual";
        EXPECT_NE(readme.find(opt), std::string::npos) << opt << " is not in the README";
    }
    // Files, folders, environment, keys and exit codes a user needs.
    struct Topic {
        const char* section;
        std::vector<std::string> mentions;
    };
    const Topic topics[] = {
        {"ARQUIVOS", {"ECOLAR.INI", "ludivar.ini", "permissoes.txt", "ludivar/jogos/", "ludivar/progresso/",
                      "ludivar/resultados/"}},
        {"AMBIENTE", {"ECOLAR_ROOT", "ECOLAR_CONFIG_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME",
                      "SPEECHD_ADDRESS"}},
        {"Revisão da tela", {"Ctrl+Shift+F9", "Ctrl+PgUp", "F5, Ctrl+F5", "TT"}},
        {"CÓDIGOS DE SAÍDA", {"255", "roteiro de teclas acabou"}},
        {"EXEMPLOS", {"ludivar --speak", "ludivar --headless"}},
    };
    const std::string flat = oneLine(page);
    for (const Topic& t : topics) {
        const size_t at = flat.find(t.section);
        ASSERT_NE(at, std::string::npos) << t.section;
        for (const std::string& m : t.mentions)
            EXPECT_NE(flat.find(m, at), std::string::npos) << t.section << " lacks " << m;
    }
}
