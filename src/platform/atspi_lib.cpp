#include "platform/atspi_lib.h"

#include "platform/dynlib.h"

namespace plat::atspilib {

const Api* api() {
    static Api table;
    static dynlib::Once once;
    std::call_once(once.flag, [] {
        if (!gliblib::api()) return;
        void* lib = dynlib::open({"libatspi.so.0"});
        if (!lib) return;
        bool ok = true;
#define X(member, fn) ok = dynlib::bind(lib, "libatspi.so.0", #fn, table.member) && ok;
        LUDIVAR_ATSPI_FUNCTIONS(X)
#undef X
        once.ok = ok;
    });
    return once.ok ? &table : nullptr;
}

}  // namespace plat::atspilib
