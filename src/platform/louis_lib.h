// liblouis, opened when a line is first translated for the Braille display.
#pragma once
#include <liblouis.h>

namespace plat::louislib {

#define LUDIVAR_LOUIS_FUNCTIONS(X) \
    X(setLogLevel, lou_setLogLevel) X(getTable, lou_getTable) X(translate, lou_translate)

struct Api {
#define X(member, fn) decltype(&::fn) member = nullptr;
    LUDIVAR_LOUIS_FUNCTIONS(X)
#undef X
};

// The table, loaded on the first call; nullptr when liblouis is missing (logged once).
const Api* api();

}  // namespace plat::louislib
