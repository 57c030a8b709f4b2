// Interpreter speed: ten loops, each run beside the same loop in Lua 5.4
// (Debian's lua5.4) and Python 3 (/usr/bin/python3) at module level, when they
// are installed.  Every side measures its own processor time around the loop
// alone, so start-up is left out and the ratios compare like with like.
// Exits 2 when a result is wrong, 1 when a loop takes more processor time
// than Python's or more than five times Lua's.
// Usage: bench_script [passes]   (default 5000000)
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

struct Loop {
    const char* name;
    const char* program;  // %ld: the passes
    const char* lua;      // prints "seconds check"
    const char* python;   // prints "seconds check"
    double linesPerPass;  // lines of the program run on each pass
    double linesOutside;  // lines run once
    const char* checkVar; // named variable the program leaves its check value in
    long (*expected)(long passes);
};

long same(long n) { return n; }
long twice(long n) { return 2 * n; }
long fixedTwelve(long) { return 12; }
long lastOfThreeIPlusSeven(long n) { return 3 * (n - 1) + 7; }
long onePast(long n) { return n + 1; }

const Loop kLoops[] = {
    {"SOMA + one-line SE",
     "SEJA S 0\nSEJA T 0\nREPETE I %ld\nSOMA S 2\nSE S > I SOMA T 1\nFIM REPETE\nSEJA $C T\n",
     "local s, t = 0, 0\nlocal c = os.clock()\nfor i = 1, %ld do\n  s = s + 2\n  if s > i then t = t + 1 end\nend\n"
     "io.write(string.format('%%.6f %%d\\n', os.clock() - c, t))\n",
     "import time\ns = 0\nt = 0\nc = time.process_time()\nfor i in range(1, %ld + 1):\n    s += 2\n"
     "    if s > i: t += 1\nprint('%%.6f %%d' %% (time.process_time() - c, t))\n",
     3, 4, "C", same},
    {"ENQUANTO counter",
     "SEJA I 0\nENQUANTO I < %ld\nSOMA I 1\nFIM ENQUANTO\nSEJA $C I\n",
     "local i = 0\nlocal c = os.clock()\nwhile i < %ld do\n  i = i + 1\nend\n"
     "io.write(string.format('%%.6f %%d\\n', os.clock() - c, i))\n",
     "import time\ni = 0\nc = time.process_time()\nwhile i < %ld:\n    i += 1\n"
     "print('%%.6f %%d' %% (time.process_time() - c, i))\n",
     3, 3, "C", same},
    {"three one-line comparisons",
     "SEJA A 0\nSEJA B 0\nREPETE I %ld\nSE I > 0 SOMA A 1\nSE I = 0 SOMA B 1\nSE I < 0 SOMA B 1\nFIM REPETE\n"
     "SOMA A B\nSEJA $C A\n",
     "local a, b = 0, 0\nlocal c = os.clock()\nfor i = 1, %ld do\n  if i > 0 then a = a + 1 end\n"
     "  if i == 0 then b = b + 1 end\n  if i < 0 then b = b + 1 end\nend\n"
     "io.write(string.format('%%.6f %%d\\n', os.clock() - c, a + b))\n",
     "import time\na = 0\nb = 0\nc = time.process_time()\nfor i in range(1, %ld + 1):\n    if i > 0: a += 1\n"
     "    if i == 0: b += 1\n    if i < 0: b += 1\nprint('%%.6f %%d' %% (time.process_time() - c, a + b))\n",
     4, 5, "C", same},
    {"TAMANHO / POS / MAIUSC",
     "SEJA W \"Ludivar joga\"\nREPETE I %ld\nSEJA L TAMANHO W\nSEJA P POS \"joga\" W\nSEJA U MAIUSC W\nFIM REPETE\n"
     "SEJA $C L\n",
     "local w = 'Ludivar joga'\nlocal l, p, u\nlocal c = os.clock()\nfor i = 1, %ld do\n  l = #w\n"
     "  p = string.find(w, 'joga', 1, true)\n  u = string.upper(w)\nend\n"
     "io.write(string.format('%%.6f %%d\\n', os.clock() - c, l))\n",
     "import time\nw = 'Ludivar joga'\nc = time.process_time()\nfor i in range(1, %ld + 1):\n    l = len(w)\n"
     "    p = w.find('joga') + 1\n    u = w.upper()\nprint('%%.6f %%d' %% (time.process_time() - c, l))\n",
     4, 3, "C", fixedTwelve},
    {"CONCATENA of a short text",
     "REPETE I %ld\nSEJA A \"Lu\"\nCONCATENA A \"divar\"\nSOMA $N 2\nFIM REPETE\nSEJA $C $N\n",
     "local a, n\nn = 0\nlocal c = os.clock()\nfor i = 1, %ld do\n  a = 'Lu'\n  a = a .. 'divar'\n  n = n + 2\nend\n"
     "io.write(string.format('%%.6f %%d\\n', os.clock() - c, n))\n",
     "import time\nn = 0\nc = time.process_time()\nfor i in range(1, %ld + 1):\n    a = 'Lu'\n    a += 'divar'\n"
     "    n += 2\nprint('%%.6f %%d' %% (time.process_time() - c, n))\n",
     4, 2, "C", twice},
    {"ENQUANTO with an expression of named variables",
     "SEJA $I 0\nENQUANTO $I < %ld\nSEJA $X ($I*3+7)\nSOMA $I 1\nFIM ENQUANTO\nSEJA $C $X\n",
     "local i, x = 0, 0\nlocal c = os.clock()\nwhile i < %ld do\n  x = i * 3 + 7\n  i = i + 1\nend\n"
     "io.write(string.format('%%.6f %%d\\n', os.clock() - c, x))\n",
     "import time\ni = 0\nx = 0\nc = time.process_time()\nwhile i < %ld:\n    x = i * 3 + 7\n    i += 1\n"
     "print('%%.6f %%d' %% (time.process_time() - c, x))\n",
     4, 3, "C", lastOfThreeIPlusSeven},
    // Written lines are buffered on every side (Python's default file).
    {"ESCREVE #1 to a file",
     "ABRE #1 \"@DIR@/out.txt\" &\nREPETE I %ld\nESCREVE #1 \"linha \" I\nFIM REPETE\nFECHA #1\nSEJA $C I\n",
     "local f = io.open('@DIR@/out.lua.txt', 'w')\nlocal c = os.clock()\nlocal i = 1\nfor k = 1, %ld do\n"
     "  f:write('linha ', k, '\\r\\n')\n  i = k + 1\nend\nf:close()\n"
     "io.write(string.format('%%.6f %%d\\n', os.clock() - c, i))\n",
     "import time\nf = open('@DIR@/out.py.txt', 'w', newline='')\nc = time.process_time()\ni = 1\n"
     "for k in range(1, %ld + 1):\n    f.write('linha ' + str(k) + '\\r\\n')\n    i = k + 1\nf.close()\n"
     "print('%%.6f %%d' %% (time.process_time() - c, i))\n",
     3, 3, "C", onePast},
    // A block chain: SE, SENAO, a nested SE and their FIM SE lines.
    {"SE/SENAO block chain",
     "SEJA $A 0\nSEJA $B 0\nSEJA $D 0\nREPETE I %ld\nSEJA K (I - I / 3 * 3)\nSE K = 0\nSOMA $A 1\nSENAO\n"
     "SE K = 1\nSOMA $B 1\nSENAO\nSOMA $D 1\nFIM SE\nFIM SE\nFIM REPETE\nSEJA $C ($A + $B + $D)\n",
     "local a, b, d = 0, 0, 0\nlocal c = os.clock()\nfor i = 1, %ld do\n  local k = i - i // 3 * 3\n"
     "  if k == 0 then a = a + 1\n  elseif k == 1 then b = b + 1\n  else d = d + 1 end\nend\n"
     "io.write(string.format('%%.6f %%d\\n', os.clock() - c, a + b + d))\n",
     "import time\na = 0\nb = 0\nd = 0\nc = time.process_time()\nfor i in range(1, %ld + 1):\n"
     "    k = i - i // 3 * 3\n    if k == 0:\n        a += 1\n    elif k == 1:\n        b += 1\n    else:\n"
     "        d += 1\nprint('%%.6f %%d' %% (time.process_time() - c, a + b + d))\n",
     6, 5, "C", same},
    // A table of fifty named variables reached by a name built each pass (the
    // other languages build the same name and look it up in a table).
    {"$H0..$H49 through CMD",
     "REPETE I %ld\nSEJA K (I - I / 50 * 50)\nSEJA T \"SOMA $H\"\nCONCATENA T K\nCONCATENA T \" 1\"\nCMD T\n"
     "FIM REPETE\nSEJA $C 0\nREPETE K 50\nSEJA T \"SOMA $C $H\"\nCONCATENA T (K - 1)\nCMD T\nFIM REPETE\n",
     "local h = {}\nfor k = 0, 49 do h['H' .. k] = 0 end\nlocal c = os.clock()\nfor i = 1, %ld do\n"
     "  local t = 'H' .. (i %% 50)\n  h[t] = h[t] + 1\nend\nlocal s = 0\nfor k = 0, 49 do s = s + h['H' .. k] end\n"
     "io.write(string.format('%%.6f %%d\\n', os.clock() - c, s))\n",
     "import time\nh = {'H' + str(k): 0 for k in range(50)}\nc = time.process_time()\n"
     "for i in range(1, %ld + 1):\n    t = 'H' + str(i %% 50)\n    h[t] += 1\n"
     "s = sum(h['H' + str(k)] for k in range(50))\nprint('%%.6f %%d' %% (time.process_time() - c, s))\n",
     7, 250, "C", same},
    // Reading a file of as many lines as passes, line by line to its end.
    {"LE #1 from a file",
     "ABRE #1 \"@DIR@/in.txt\"\nSEJA $N 0\nLE #1 L\nCHECA S\nENQUANTO S = 0\nSOMA $N 1\nLE #1 L\nCHECA S\n"
     "FIM ENQUANTO\nFECHA #1\nSEJA $C $N\n",
     "local f = io.open('@DIR@/in.txt', 'r')\nlocal c = os.clock()\nlocal n = 0\nwhile true do\n"
     "  local l = f:read('l')\n  if not l then break end\n  n = n + 1\nend\nf:close()\n"
     "io.write(string.format('%%.6f %%d\\n', os.clock() - c, n))\n",
     "import time\nf = open('@DIR@/in.txt', 'r', newline='')\nc = time.process_time()\nn = 0\nwhile True:\n"
     "    l = f.readline()\n    if not l:\n        break\n    n += 1\nf.close()\n"
     "print('%%.6f %%d' %% (time.process_time() - c, n))\n",
     5, 7, "C", same},
};

std::string gDir;  // the bench's temporary folder, for "@DIR@"

std::string format(const char* fmt, long n) {
    char buf[2048];
    std::snprintf(buf, sizeof buf, fmt, n);
    std::string out = buf;
    for (size_t at; (at = out.find("@DIR@")) != std::string::npos;) out.replace(at, 5, gDir);
    return out;
}

// Seconds of processor time the other language took for the loop, or a
// negative number when it is not installed or gave a wrong result.
double runOther(const std::string& command, const std::string& file, const std::string& text, long expected) {
    std::ofstream(file) << text;
    FILE* p = popen((command + " " + file + " 2>/dev/null").c_str(), "r");
    if (!p) return -1;
    double secs = -1;
    long check = 0;
    if (std::fscanf(p, "%lf %ld", &secs, &check) != 2 || check != expected) secs = -1;
    pclose(p);
    std::remove(file.c_str());
    return secs;
}

// Prints the other side's figures; false when ours took more than `limit` times its time.
bool printOther(const char* who, double secs, double lines, double ours, double limit) {
    if (secs <= 0) {
        std::printf("  %-8s not available\n", who);
        return true;
    }
    const bool met = ours / secs <= limit;
    std::printf("  %-8s %7.3f s  %7.2f M lines/s   ours / %s time: %.2f%s\n", who, secs, lines / secs / 1e6, who,
                ours / secs, met ? "" : "  (goal missed)");
    return met;
}

}  // namespace

int main(int argc, char** argv) {
    long passes = argc > 1 ? std::atol(argv[1]) : 5000000L;
    if (passes < 1) passes = 1;
    char tmpl[] = "/tmp/bench_script_XXXXXX";
    std::string dir = mkdtemp(tmpl) ? tmpl : "/tmp";
    std::string file = dir + "/bench.pro";
    gDir = dir;

    {
        // The file the reading loop reads: as many lines as passes.
        std::ofstream in(dir + "/in.txt", std::ios::binary);
        for (long k = 1; k <= passes; ++k) in << "linha " << k << "\r\n";
    }
    plat::headlessOptions().keys = "";
    plat::Front* front = plat::makeHeadlessFront();
    plat::setFront(front);
    bool allRight = true;
    bool goalsMet = true;
    std::printf("passes: %ld; lines per second counted on processor time\n", passes);
    for (const Loop& loop : kLoops) {
        std::ofstream(file) << format(loop.program, passes);
        script::scriptReset();
        auto t0 = std::chrono::steady_clock::now();
        std::clock_t c0 = std::clock();
        script::RunResult r = script::scriptRun(file);
        std::clock_t c1 = std::clock();
        auto t1 = std::chrono::steady_clock::now();
        double secs = std::chrono::duration<double>(t1 - t0).count();
        double cpu = double(c1 - c0) / CLOCKS_PER_SEC;
        long expected = loop.expected(passes);
        bool right = r.code == 0 && script::scriptGetVariable(loop.checkVar) == std::to_string(expected);
        allRight = allRight && right;
        double lines = loop.linesOutside + loop.linesPerPass * double(passes);
        double passLines = loop.linesPerPass * double(passes);
        std::printf("%s: result %d, values %s\n", loop.name, r.code, right ? "right" : "WRONG");
        std::printf("  %-8s %7.3f s  %7.2f M lines/s   (%.3f s wall)\n", "script", cpu, lines / cpu / 1e6, secs);
        // Goals: no slower than Python, within five times Lua.
        goalsMet &= printOther("lua5.4", runOther("lua5.4", dir + "/bench.lua", format(loop.lua, passes), expected),
                               passLines, cpu, 5.0);
        goalsMet &= printOther("python3",
                               runOther("/usr/bin/python3", dir + "/bench.py", format(loop.python, passes), expected),
                               passLines, cpu, 1.0);
        std::fflush(stdout);
    }
    std::remove(file.c_str());
    for (const char* out : {"/out.txt", "/out.lua.txt", "/out.py.txt", "/in.txt"}) std::remove((dir + out).c_str());
    rmdir(dir.c_str());
    plat::setFront(nullptr);
    delete front;
    // A wrong result is an error (2); a missed goal is reported (1).
    return !allRight ? 2 : goalsMet ? 0 : 1;
}
