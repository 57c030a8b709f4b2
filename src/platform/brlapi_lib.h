// BrlAPI, brltty's client library, opened when the program first looks for a
// Braille display.
#pragma once
#include <brlapi.h>

namespace plat::brlapilib {

#define LUDIVAR_BRLAPI_FUNCTIONS(X)                                                                   \
    X(getHandleSize, brlapi_getHandleSize) X(openConnection, brlapi__openConnection)                 \
    X(closeConnection, brlapi__closeConnection) X(setExceptionHandler, brlapi__setExceptionHandler) \
    X(getDisplaySize, brlapi__getDisplaySize) X(enterTtyMode, brlapi__enterTtyMode)                 \
    X(enterTtyModeWithPath, brlapi__enterTtyModeWithPath) X(leaveTtyMode, brlapi__leaveTtyMode)     \
    X(write, brlapi__write) X(readKey, brlapi__readKey)

struct Api {
#define X(member, fn) decltype(&::fn) member = nullptr;
    LUDIVAR_BRLAPI_FUNCTIONS(X)
#undef X
};

// The table, loaded on the first call; nullptr when BrlAPI is missing (logged once).
const Api* api();

}  // namespace plat::brlapilib
