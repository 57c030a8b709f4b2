#include "platform/glib_lib.h"

#include "platform/dynlib.h"

namespace plat::gliblib {

const Api* api() {
    static Api table;
    static dynlib::Once once;
    std::call_once(once.flag, [] {
        void* gobject = dynlib::open({"libgobject-2.0.so.0"});
        void* glib = gobject ? dynlib::open({"libglib-2.0.so.0"}) : nullptr;
        if (!glib) return;
        bool ok = true;
#define X(member, fn) ok = dynlib::bind(gobject, "libgobject-2.0.so.0", #fn, table.member) && ok;
        LUDIVAR_GOBJECT_FUNCTIONS(X)
#undef X
#define X(member, fn) ok = dynlib::bind(glib, "libglib-2.0.so.0", #fn, table.member) && ok;
        LUDIVAR_GLIB_FUNCTIONS(X)
#undef X
        once.ok = ok;
    });
    return once.ok ? &table : nullptr;
}

}  // namespace plat::gliblib
