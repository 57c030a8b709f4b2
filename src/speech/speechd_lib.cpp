#include "speech/speechd_lib.h"

#include "platform/dynlib.h"

namespace speech::speechdlib {

const Api* api() {
    static Api table;
    static plat::dynlib::Once once;
    std::call_once(once.flag, [] {
        void* lib = plat::dynlib::open({"libspeechd.so.2"});
        if (!lib) return;
        bool ok = true;
#define X(member, fn) ok = plat::dynlib::bind(lib, "libspeechd.so.2", #fn, table.member) && ok;
        LUDIVAR_SPEECHD_FUNCTIONS(X)
#undef X
        once.ok = ok;
    });
    return once.ok ? &table : nullptr;
}

}  // namespace speech::speechdlib
