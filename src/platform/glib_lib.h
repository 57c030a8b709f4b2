// GLib and GObject, opened with the accessibility libraries that stand on them
// (ATK for our window, libatspi for other programs' controls).
#pragma once
#include <glib-object.h>

namespace plat::gliblib {

#define LUDIVAR_GOBJECT_FUNCTIONS(X)                                                                   \
    X(type_class_peek_parent, g_type_class_peek_parent) X(type_class_ref, g_type_class_ref)           \
    X(type_register_static_simple, g_type_register_static_simple)                                     \
    X(type_add_interface_static, g_type_add_interface_static) X(object_new, g_object_new)             \
    X(object_ref, g_object_ref) X(object_unref, g_object_unref) X(boxed_free, g_boxed_free)           \
    X(signal_emit_by_name, g_signal_emit_by_name)
#define LUDIVAR_GLIB_FUNCTIONS(X)                                                                      \
    X(dup, g_strdup) X(free, g_free) X(error_free, g_error_free) X(utf8_get_char, g_utf8_get_char) \
    X(main_context_iteration, g_main_context_iteration)

struct Api {
#define X(member, fn) decltype(&::fn) member = nullptr;
    LUDIVAR_GOBJECT_FUNCTIONS(X)
    LUDIVAR_GLIB_FUNCTIONS(X)
#undef X
};

// The table, loaded on the first call; nullptr when GLib is missing (logged once).
const Api* api();

}  // namespace plat::gliblib
