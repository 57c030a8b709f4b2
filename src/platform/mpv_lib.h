// libmpv, opened when the first medium is probed or played: it brings in a
// large media stack that most runs never need.
#pragma once
#include <mpv/client.h>

namespace plat::mpvlib {

#define LUDIVAR_MPV_FUNCTIONS(X)                                                                 \
    X(create, mpv_create) X(initialize, mpv_initialize) X(terminate_destroy, mpv_terminate_destroy) \
    X(set_option, mpv_set_option) X(set_option_string, mpv_set_option_string)                    \
    X(set_property, mpv_set_property) X(get_property, mpv_get_property)                          \
    X(get_property_string, mpv_get_property_string) X(observe_property, mpv_observe_property)     \
    X(command, mpv_command) X(wait_event, mpv_wait_event) X(free, mpv_free)

struct Api {
#define X(member, fn) decltype(&::fn) member = nullptr;
    LUDIVAR_MPV_FUNCTIONS(X)
#undef X
};

// The table, loaded on the first call; nullptr when libmpv is missing (logged once).
const Api* api();

}  // namespace plat::mpvlib
