// Optional libraries opened the first time a feature needs them, so that the
// program starts (and --version answers) without mapping the speech, Braille,
// media and accessibility stacks.  Each library has a table of the functions we
// call (one file per library, beside the code that uses it), filled once.
#pragma once
#include <initializer_list>
#include <mutex>

namespace plat::dynlib {

// One optional library: its table is filled on the first ask, from any thread.
struct Once {
    std::once_flag flag;
    bool ok = false;
};

// Opens the first of `sonames` that loads (RTLD_NOW | RTLD_LOCAL); nullptr when
// none does, and then one log line names the library and the loader's reason.
void* open(std::initializer_list<const char*> sonames);

// The address of `symbol` in `lib`; nullptr, with a log line, when it is missing
// (a library too old for us counts as no library).
void* symbol(void* lib, const char* soname, const char* symbol);

// Fills `fn` from `lib`; false when the symbol is missing.
template <typename F>
bool bind(void* lib, const char* soname, const char* name, F& fn) {
    fn = reinterpret_cast<F>(symbol(lib, soname, name));
    return fn != nullptr;
}

}  // namespace plat::dynlib
