// A program on a pseudo-terminal: what it shows gathered, bytes typed to it, its end
// awaited.  Every wait is for a condition; the deadline only keeps a hang from hanging
// the test.
#pragma once
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace testsupport {

class Pty {
public:
    Pty() = default;
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;
    ~Pty();  // kills a child that has not ended

    // Starts argv (argv[0] a path) on a new terminal of rows x cols.  env: "NAME=value"
    // set, "NAME" alone removed, in the child only.
    bool start(const std::vector<std::string>& argv, const std::vector<std::string>& env, int rows = 25,
               int cols = 80);
    // Reads what the terminal shows (the child would block on a full one), waiting up to ms.
    void drain(int ms);
    bool send(const std::string& bytes);
    // Reads on until cond() holds (true), or the child ends or ms pass first (false).
    bool waitFor(const std::function<bool()>& cond, int ms = 60000);
    // Reads on until the end: the exit code (128 + signal), or -1 after ms.
    int waitExit(int ms = 60000);
    bool ended();
    const std::string& output() const { return out_; }
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int master_ = -1;
    int code_ = -1;
    std::string out_;
};

}  // namespace testsupport
