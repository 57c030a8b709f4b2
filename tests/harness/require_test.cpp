// LUDIVAR_REQUIRE: a missing component skips on a developer's machine and fails in CI;
// a component that is there lets the test go on either way.
#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/require.h"

namespace {

bool gWentOn = false;

void needs(bool present) {
    LUDIVAR_REQUIRE(present, "the part " << 42 << " is not here");
    gWentOn = true;
}

TEST(Require, SkipsOrFailsByTheVariable) {
    struct Case {
        const char* variable;  // nullptr: unset
        bool present;
        bool wentOn;
        std::vector<testing::TestPartResult::Type> results;
    };
    using R = testing::TestPartResult;
    const std::vector<Case> cases = {
        {nullptr, false, false, {R::kSkip}},
        {"", false, false, {R::kSkip}},
        {"0", false, false, {R::kSkip}},
        {"1", false, false, {R::kFatalFailure}},
        {"yes", false, false, {R::kFatalFailure}},
        {nullptr, true, true, {}},
        {"1", true, true, {}},
    };
    const char* saved = std::getenv("LUDIVAR_REQUIRE_COMPONENTS");
    const std::string keep = saved ? saved : "";
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.variable ? c.variable : "(unset)") + (c.present ? ", present" : ", missing"));
        if (c.variable)
            setenv("LUDIVAR_REQUIRE_COMPONENTS", c.variable, 1);
        else
            unsetenv("LUDIVAR_REQUIRE_COMPONENTS");
        testing::TestPartResultArray seen;
        gWentOn = false;
        {
            testing::ScopedFakeTestPartResultReporter intercept(
                testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &seen);
            needs(c.present);
        }
        EXPECT_EQ(gWentOn, c.wentOn);
        ASSERT_EQ(seen.size(), int(c.results.size()));
        for (int i = 0; i < seen.size(); ++i) {
            EXPECT_EQ(seen.GetTestPartResult(i).type(), c.results[size_t(i)]);
            EXPECT_NE(std::string(seen.GetTestPartResult(i).message()).find("the part 42 is not here"),
                      std::string::npos);
        }
    }
    if (saved)
        setenv("LUDIVAR_REQUIRE_COMPONENTS", keep.c_str(), 1);
    else
        unsetenv("LUDIVAR_REQUIRE_COMPONENTS");
}

}  // namespace
