#include "platform/louis_lib.h"

#include "platform/dynlib.h"

namespace plat::louislib {

const Api* api() {
    static Api table;
    static dynlib::Once once;
    std::call_once(once.flag, [] {
        void* lib = dynlib::open({"liblouis.so.20"});
        if (!lib) return;
        bool ok = true;
#define X(member, fn) ok = dynlib::bind(lib, "liblouis.so.20", #fn, table.member) && ok;
        LUDIVAR_LOUIS_FUNCTIONS(X)
#undef X
        // A missing table is our fallback (computer braille), not a message on stderr.
        if (ok) table.setLogLevel(LOU_LOG_OFF);
        once.ok = ok;
    });
    return once.ok ? &table : nullptr;
}

}  // namespace plat::louislib
