#include "platform/brlapi_lib.h"

#include "platform/dynlib.h"

namespace plat::brlapilib {

const Api* api() {
    static Api table;
    static dynlib::Once once;
    std::call_once(once.flag, [] {
        void* lib = dynlib::open({"libbrlapi.so.0.8"});
        if (!lib) return;
        bool ok = true;
#define X(member, fn) ok = dynlib::bind(lib, "libbrlapi.so.0.8", #fn, table.member) && ok;
        LUDIVAR_BRLAPI_FUNCTIONS(X)
#undef X
        once.ok = ok;
    });
    return once.ok ? &table : nullptr;
}

}  // namespace plat::brlapilib
