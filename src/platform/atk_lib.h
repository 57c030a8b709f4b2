// ATK and its bridge to the accessibility bus, opened when the window first
// joins the bus.  Its objects are GObjects: see glib_lib.h for those calls.
#pragma once
#include <atk-bridge.h>
#include <atk/atk.h>

#include "platform/glib_lib.h"

namespace plat::atklib {

#define LUDIVAR_ATK_FUNCTIONS(X)                                                                          \
    X(object_get_type, atk_object_get_type) X(util_get_type, atk_util_get_type)                          \
    X(window_get_type, atk_window_get_type) X(text_get_type, atk_text_get_type)                          \
    X(component_get_type, atk_component_get_type) X(state_set_add_state, atk_state_set_add_state)        \
    X(object_set_role, atk_object_set_role) X(object_set_name, atk_object_set_name)                      \
    X(object_set_parent, atk_object_set_parent) X(object_notify_state_change, atk_object_notify_state_change)
#define LUDIVAR_ATK_BRIDGE_FUNCTIONS(X) \
    X(bridge_adaptor_init, atk_bridge_adaptor_init) X(bridge_adaptor_cleanup, atk_bridge_adaptor_cleanup)

struct Api {
#define X(member, fn) decltype(&::fn) member = nullptr;
    LUDIVAR_ATK_FUNCTIONS(X)
    LUDIVAR_ATK_BRIDGE_FUNCTIONS(X)
#undef X
};

// The table, loaded on the first call with GLib's; nullptr when either is missing (logged once).
const Api* api();

}  // namespace plat::atklib
