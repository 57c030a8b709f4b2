// A test that needs a component of the machine (an X server, xdotool, a window manager,
// a sound driver) says so with LUDIVAR_REQUIRE.  On a developer's machine a missing
// component skips the test with the reason printed; where LUDIVAR_REQUIRE_COMPONENTS is
// set (CI), every component must be there and a missing one fails the test.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace testsupport {

// LUDIVAR_REQUIRE_COMPONENTS set to anything but "" or "0".
inline bool componentsRequired() {
    const char* v = std::getenv("LUDIVAR_REQUIRE_COMPONENTS");
    return v && *v && std::strcmp(v, "0") != 0;
}

}  // namespace testsupport

// Returns from the current function (a test body, SetUp or a void helper) when `cond`
// is false.  `reason` may be streamed: LUDIVAR_REQUIRE(s.ok, "no X session: " << s.why).
#define LUDIVAR_REQUIRE(cond, reason)                                                    \
    do {                                                                                 \
        if (!(cond)) {                                                                   \
            if (::testsupport::componentsRequired()) {                                   \
                GTEST_FAIL() << "missing component (LUDIVAR_REQUIRE_COMPONENTS is set): " \
                             << reason;                                                  \
            } else {                                                                     \
                GTEST_SKIP() << reason;                                                  \
            }                                                                            \
        }                                                                                \
    } while (0)
