// libatspi, the client side of the accessibility bus, opened when a game first
// asks about other programs' controls.  Its objects are GObjects: see glib_lib.h.
#pragma once
#include <atspi/atspi.h>

#include "platform/glib_lib.h"

namespace plat::atspilib {

#define LUDIVAR_ATSPI_FUNCTIONS(X)                                                                          \
    X(init, atspi_init) X(set_timeout, atspi_set_timeout) X(event_get_type, atspi_event_get_type)          \
    X(rect_get_type, atspi_rect_get_type) X(accessible_get_role, atspi_accessible_get_role)                \
    X(role_get_name, atspi_role_get_name) X(accessible_get_name, atspi_accessible_get_name)                \
    X(accessible_get_component_iface, atspi_accessible_get_component_iface)                                \
    X(component_get_extents, atspi_component_get_extents)                                                  \
    X(accessible_get_state_set, atspi_accessible_get_state_set)                                            \
    X(state_set_contains, atspi_state_set_contains)                                                        \
    X(accessible_get_value_iface, atspi_accessible_get_value_iface)                                        \
    X(value_get_current_value, atspi_value_get_current_value)                                              \
    X(accessible_get_editable_text_iface, atspi_accessible_get_editable_text_iface)                        \
    X(accessible_get_text_iface, atspi_accessible_get_text_iface) X(text_get_text, atspi_text_get_text)    \
    X(component_contains, atspi_component_contains)                                                        \
    X(component_get_accessible_at_point, atspi_component_get_accessible_at_point)                          \
    X(get_desktop, atspi_get_desktop) X(accessible_get_child_count, atspi_accessible_get_child_count)      \
    X(accessible_get_child_at_index, atspi_accessible_get_child_at_index)                                  \
    X(event_listener_new, atspi_event_listener_new)                                                        \
    X(event_listener_register, atspi_event_listener_register)                                              \
    X(event_listener_deregister, atspi_event_listener_deregister)

struct Api {
#define X(member, fn) decltype(&::fn) member = nullptr;
    LUDIVAR_ATSPI_FUNCTIONS(X)
#undef X
};

// The table, loaded on the first call with GLib's; nullptr when either is missing (logged once).
const Api* api();

}  // namespace plat::atspilib
