#include "speech/espeak_lib.h"

#include "platform/dynlib.h"

namespace speech::espeaklib {

const Api* api() {
    static Api table;
    static plat::dynlib::Once once;
    std::call_once(once.flag, [] {
        void* lib = plat::dynlib::open({"libespeak-ng.so.1"});
        if (!lib) return;
        bool ok = true;
#define X(member, fn) ok = plat::dynlib::bind(lib, "libespeak-ng.so.1", #fn, table.member) && ok;
        LUDIVAR_ESPEAK_FUNCTIONS(X)
#undef X
        once.ok = ok;
    });
    return once.ok ? &table : nullptr;
}

}  // namespace speech::espeaklib
