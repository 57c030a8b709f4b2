// Running small programs in-process for the interpreter's tests.
#pragma once
#include <string>

#include "console/textwin.h"
#include "platform/platform.h"
#include "script/interp.h"
#include "support/headless.h"
#include "support/inproc.h"

namespace scripttest {

// Writes `text` (UTF-8 source; converted to CP1252 like a real program file) to
// a fresh file and returns its name.  A program's folder is the only one it may
// write in: `dir` puts it beside the files a test gives it.
inline std::string writeProgram(const std::string& text, const std::string& name = "prog.pro",
                                std::string dir = std::string()) {
    static int serial = 0;
    if (dir.empty()) dir = tempDir();
    std::string path = dir + "/" + std::to_string(++serial) + "_" + name;
    writeText(path, plat::utf8ToCp1252(text));
    return path;
}

inline script::RunResult run(const std::string& text, const std::string& label = std::string(),
                             const std::string& dir = std::string()) {
    return script::scriptRun(writeProgram(text, "prog.pro", dir), label);
}

// Value of a variable written as in a program: "A" or "$NAME"; UTF-8.
inline std::string var(const std::string& ref) {
    script::State& s = script::state();
    if (ref.size() == 1) return plat::cp1252ToUtf8(s.letters[size_t(ref[0] - 'A')]);
    return plat::cp1252ToUtf8(script::scriptGetVariable(ref.substr(1)));
}

}  // namespace scripttest
