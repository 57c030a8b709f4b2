#include "platform/dynlib.h"

#include <dlfcn.h>

#include <string>

#include "util/log.h"

namespace plat::dynlib {

void* open(std::initializer_list<const char*> sonames) {
    std::string reasons;
    for (const char* name : sonames) {
        dlerror();
        if (void* lib = dlopen(name, RTLD_NOW | RTLD_LOCAL)) return lib;
        const char* why = dlerror();
        if (!reasons.empty()) reasons += "; ";
        reasons += why ? why : name;
    }
    util::log("ludivar: biblioteca " + std::string(sonames.size() ? *sonames.begin() : "?") +
              " não carregou: " + reasons);
    return nullptr;
}

void* symbol(void* lib, const char* soname, const char* name) {
    dlerror();
    void* p = dlsym(lib, name);
    if (!p) {
        const char* why = dlerror();
        util::log("ludivar: biblioteca " + std::string(soname) + " sem " + name + ": " + (why ? why : "?"));
    }
    return p;
}

}  // namespace plat::dynlib
