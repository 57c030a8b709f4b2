// Interpreter speed: a REPETE loop with a SOMA and a SE in its body, against the
// same loop in Lua 5.4 (Debian's lua5.4, when installed).
// Usage: bench_script [passes]   (default 10000000)
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

#include "platform/platform.h"
#include "script/script.h"

namespace {

const char* kProgram =
    "SEJA S 0\n"
    "SEJA T 0\n"
    "REPETE I %ld\n"
    "SOMA S 2\n"
    "SE S > I SOMA T 1\n"
    "FIM REPETE\n"
    "SEJA $S S\n"
    "SEJA $T T\n";

const char* kLua =
    "local s, t = 0, 0\n"
    "local c = os.clock()\n"
    "for i = 1, %ld do\n"
    "  s = s + 2\n"
    "  if s > i then t = t + 1 end\n"
    "end\n"
    "io.write(string.format('%%.6f %%d %%d\\n', os.clock() - c, s, t))\n";

std::string format(const char* fmt, long n) {
    char buf[1024];
    std::snprintf(buf, sizeof buf, fmt, n);
    return buf;
}

// Seconds Lua took for the loop, or a negative number when Lua is not there.
double runLua(long passes, const std::string& dir) {
    std::string file = dir + "/bench.lua";
    std::ofstream(file) << format(kLua, passes);
    FILE* p = popen(("lua5.4 " + file + " 2>/dev/null").c_str(), "r");
    if (!p) return -1;
    double secs = -1;
    long s = 0, t = 0;
    if (std::fscanf(p, "%lf %ld %ld", &secs, &s, &t) != 3 || t != passes) secs = -1;
    pclose(p);
    return secs;
}

}  // namespace

int main(int argc, char** argv) {
    long passes = argc > 1 ? std::atol(argv[1]) : 10000000L;
    if (passes < 1) passes = 1;
    char tmpl[] = "/tmp/bench_script_XXXXXX";
    std::string dir = mkdtemp(tmpl) ? tmpl : "/tmp";
    std::string file = dir + "/bench.pro";
    std::ofstream(file) << format(kProgram, passes);

    plat::headlessOptions().keys = "";
    plat::Front* front = plat::makeHeadlessFront();
    plat::setFront(front);
    script::scriptReset();

    auto t0 = std::chrono::steady_clock::now();
    std::clock_t c0 = std::clock();
    script::RunResult r = script::scriptRun(file);
    std::clock_t c1 = std::clock();
    auto t1 = std::chrono::steady_clock::now();
    double secs = std::chrono::duration<double>(t1 - t0).count();
    double cpu = double(c1 - c0) / CLOCKS_PER_SEC;

    // Lines run: the two SEJA before and after the loop, the first REPETE, and
    // SOMA, SE and FIM REPETE on each pass.
    double lines = 5.0 + 3.0 * double(passes);
    bool right = r.code == 0 && script::scriptGetVariable("S") == std::to_string(2 * passes) &&
                 script::scriptGetVariable("T") == std::to_string(passes);
    std::printf("passes: %ld  result: %d  values %s\n", passes, r.code, right ? "right" : "WRONG");
    std::printf("script: %.3f s (%.3f s of processor time), %.2f million lines per second (%.2f by processor time)\n",
                secs, cpu, lines / secs / 1e6, lines / cpu / 1e6);
    // Lua measures its own processor time (os.clock), so the ratio is taken on processor time.
    double lua = runLua(passes, dir);
    if (lua > 0)
        std::printf("lua5.4: %.3f s of processor time for the same loop; script / lua ratio: %.1f\n", lua, cpu / lua);
    else
        std::printf("lua5.4: not available\n");
    std::remove(file.c_str());
    std::remove((dir + "/bench.lua").c_str());
    rmdir(dir.c_str());
    plat::setFront(nullptr);
    delete front;
    return right ? 0 : 1;
}
