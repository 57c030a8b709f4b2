// The synthesizer behind the engine: the calls the engine makes, in its order
// (init, reset per utterance, write per line, read until 0, flush at the end),
// served by the `mbrola` program through pipes or by the built-in renderer.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

#include "speech/brisa/render.h"

namespace brisa {

enum class Backend { None, Pipe, Builtin };

struct PipeState {
    pid_t pid = -1;
    int toChild = -1, fromChild = -1;
    std::string dbPath;
    double expected = 0;        // samples the lines written so far should give
    size_t received = 0;        // samples read since the last reset
    bool flushed = false;
    bool oddByte = false;       // half a sample pending
    uint8_t odd = 0;
    int error = 0;
};

struct Synth {
    Backend backend = Backend::None;
    PipeState pipe;
    DiphoneDb db;
    Renderer renderer;
};

// Finds the `mbrola` program on PATH ("" when absent).
std::string findMbrolaProgram();
// An MBROLA voice for `name` (a path or a name): the file itself, then
// <dir>/<name>/<name> and the usual system folders.  "" when none.
std::string findMbrolaVoice(const std::string& linuxPathOrName);

// Negative on failure, like the library's init.
int synthInit(Synth& s, Backend backend, const std::string& path);
void synthReset(Synth& s);
void synthWrite(Synth& s, const std::string& line);
void synthFlush(Synth& s);
size_t synthRead(Synth& s, int16_t* buf, size_t max);
int synthLastError(Synth& s);
void synthClose(Synth& s);

}  // namespace brisa
