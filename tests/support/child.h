// Child processes for the tests: started with an environment of their own, their output
// read line by line, their end awaited with a deadline, and stopped by their own id.
#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

namespace testsupport {

struct Child {
    pid_t pid = -1;
    int out = -1;         // its standard output, when captured
    std::string pending;  // read and not yet split into lines
    std::vector<std::string> lines;
    int code = -1;        // once it ended: its exit status, or 128 + the signal

    // Reads until a line equal to (or, with prefix, beginning with) `want` arrives;
    // returns it, or an empty text after kPatienceMs.
    std::string waitLine(const std::string& want, bool prefix = false);
    std::string seen() const;  // every line so far (for failure messages)
    // Waits up to `ms` for the end: the exit code (128 + signal), or -1 while it runs.
    int waitExit(int ms);
    bool running();
    void stop();  // SIGTERM, then SIGKILL if it lingers
    Child() = default;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() { stop(); }
};

struct SpawnOptions {
    bool captureOut = false;       // else its output goes to /dev/null
    std::string errFile;           // its standard error; empty: /dev/null
    // "NAME=value" set over this process's environment, "NAME" alone removed from it.
    std::vector<std::string> env;
};

// Starts argv (found on PATH when argv[0] has no slash); stdin is /dev/null.
bool spawn(Child& c, const std::vector<std::string>& argv, const SpawnOptions& options = {});

// The command line's standard output (through sh), stderr dropped.
std::string runCommand(const std::string& cmd);
// argv ran and ended with status 0 within the patience.
bool runToEnd(const std::vector<std::string>& argv);
// argv (found on PATH) run to its end with stdout and stderr in `log`: its exit code,
// 128 + signal, or 127 when it could not start.
int runLogged(std::vector<std::string> argv, const std::string& log);
// The program is on PATH.
bool haveProgram(const std::string& name);

}  // namespace testsupport
