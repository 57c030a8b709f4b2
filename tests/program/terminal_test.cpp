// The terminal front hands its terminal to the user's editor and takes it back:
// the editor reads what is typed, and the program goes on when it ends.  The
// program side runs in a fresh copy of this test program on a pseudo-terminal.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>

#include "console/config.h"
#include "console/textwin.h"
#include "editor/program.h"
#include "platform/platform.h"
#include "support/headless.h"
#include "support/pty.h"

namespace {

std::string slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

}  // namespace

// The program's side; only runs when started by the test below.
TEST(ProgramEditorTerminal, DISABLED_ChildSide) {
    const char* dir = std::getenv("LUDIVAR_TTY_CHILD");
    ASSERT_NE(dir, nullptr) << "started only by ProgramEditorTerminal.EditorOwnsTheTerminalMeanwhile";
    ASSERT_EQ(chdir(dir), 0);
    std::unique_ptr<plat::Front> front(plat::makeTtyFront());
    plat::setFront(front.get());
    con::ensureWindow();
    con::startSpeech(0, "");
    bool ok = false;
    try {
        ok = editor::runEditor("prog.pro");
        con::writeLn("de volta");
    } catch (const plat::ProgramExit&) {
    }
    front->close();
    plat::setFront(nullptr);
    EXPECT_TRUE(ok);
    EXPECT_EQ(slurp(std::string(dir) + "/prog.pro"), "linha digitada");
}

TEST(ProgramEditorTerminal, EditorOwnsTheTerminalMeanwhile) {
    const std::string dir = tempDir();
    writeText(dir + "/prog.pro", "");
    // The editor: announces itself, reads a line from the terminal into the file.
    const std::string ed = dir + "/editor.sh";
    writeText(ed, "#!/bin/sh\nprintf 'EDITOR PRONTO\\n'\nIFS= read -r line\nprintf '%s' \"$line\" > \"$1\"\n");
    chmod(ed.c_str(), 0755);
    std::string config = tempDir();

    testsupport::Pty t;
    ASSERT_TRUE(t.start({"/proc/self/exe", "--gtest_filter=ProgramEditorTerminal.DISABLED_ChildSide",
                         "--gtest_also_run_disabled_tests"},
                        {"LUDIVAR_TTY_CHILD=" + dir, "VISUAL=" + ed, "EDITOR", "ECOLAR_CONFIG_DIR=" + config,
                         "SDL_AUDIODRIVER=dummy"}));
    const bool typed = t.waitFor([&] { return t.output().find("EDITOR PRONTO") != std::string::npos; }) &&
                       t.send("linha digitada\r");
    const int code = t.waitExit();
    EXPECT_GE(code, 0) << "the program did not come back from the editor";
    EXPECT_TRUE(typed) << t.output();
    EXPECT_EQ(code, 0) << t.output();
    EXPECT_EQ(slurp(dir + "/prog.pro"), "linha digitada");
}
