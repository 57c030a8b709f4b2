// Stand-in for the `mbrola` program, for tests: `mbrola [-e] VOICE - -.raw` reads
// phoneme lines ("name ms [percent hz]...") on stdin and, at each "#" line, writes
// their sound as 16-bit 16 kHz samples on stdout: a tone at each phoneme's first
// pitch (100 Hz without one), silence for "_".  Every line read is appended to the
// file named by $MBROLA_STANDIN_LOG; a phoneme named "crash" ends the program.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "-e") args.erase(args.begin());
    if (args.size() != 3 || args[1] != "-" || args[2] != "-.raw") {
        std::fprintf(stderr, "mbrola (stand-in): usage: mbrola [-e] VOICE - -.raw\n");
        return 2;
    }
    if (FILE* v = std::fopen(args[0].c_str(), "rb")) {
        std::fclose(v);
    } else {
        std::fprintf(stderr, "mbrola (stand-in): no voice %s\n", args[0].c_str());
        return 1;
    }
    FILE* log = nullptr;
    if (const char* l = std::getenv("MBROLA_STANDIN_LOG")) log = std::fopen(l, "a");
    std::vector<short> pending;
    double phase = 0;
    std::string line;
    while (std::getline(std::cin, line)) {
        if (log) {
            std::fprintf(log, "%s\n", line.c_str());
            std::fflush(log);
        }
        std::istringstream in(line);
        std::string name;
        if (!(in >> name) || name[0] == ';') continue;
        if (name == "#") {
            if (!pending.empty()) std::fwrite(pending.data(), sizeof(short), pending.size(), stdout);
            std::fflush(stdout);
            pending.clear();
            continue;
        }
        if (name == "crash") return 3;
        double ms = 0, pct = 0, hz = 100;
        in >> ms;
        if (in >> pct) in >> hz;
        const long n = std::lround(ms * 16);
        for (long i = 0; i < n; ++i) {
            phase += 2 * M_PI * hz / 16000.0;
            pending.push_back(name == "_" ? short(0) : short(8000 * std::sin(phase)));
        }
    }
    if (log) std::fclose(log);
    return 0;
}
