#include "platform/mpv_lib.h"

#include "platform/dynlib.h"

namespace plat::mpvlib {

const Api* api() {
    static Api table;
    static dynlib::Once once;
    std::call_once(once.flag, [] {
        // Debian 12 ships libmpv2; older systems libmpv1, whose calls we use are the same.
        void* lib = dynlib::open({"libmpv.so.2", "libmpv.so.1"});
        if (!lib) return;
        bool ok = true;
#define X(member, fn) ok = dynlib::bind(lib, "libmpv", #fn, table.member) && ok;
        LUDIVAR_MPV_FUNCTIONS(X)
#undef X
        once.ok = ok;
    });
    return once.ok ? &table : nullptr;
}

}  // namespace plat::mpvlib
