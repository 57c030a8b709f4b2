#include "platform/atk_lib.h"

#include "platform/dynlib.h"

namespace plat::atklib {

const Api* api() {
    static Api table;
    static dynlib::Once once;
    std::call_once(once.flag, [] {
        if (!gliblib::api()) return;
        void* atk = dynlib::open({"libatk-1.0.so.0"});
        void* bridge = atk ? dynlib::open({"libatk-bridge-2.0.so.0"}) : nullptr;
        if (!bridge) return;
        bool ok = true;
#define X(member, fn) ok = dynlib::bind(atk, "libatk-1.0.so.0", #fn, table.member) && ok;
        LUDIVAR_ATK_FUNCTIONS(X)
#undef X
#define X(member, fn) ok = dynlib::bind(bridge, "libatk-bridge-2.0.so.0", #fn, table.member) && ok;
        LUDIVAR_ATK_BRIDGE_FUNCTIONS(X)
#undef X
        once.ok = ok;
    });
    return once.ok ? &table : nullptr;
}

}  // namespace plat::atklib
