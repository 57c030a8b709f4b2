// Under the headless front a game program's clock words (TEMPO, HORA) follow the
// virtual clock: a wait of the program or a key typed late moves them, and nothing
// waits in real time.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/platform.h"
#include "support/headless.h"

namespace {

// The number the program wrote after "d=" on its screen; -1 when it wrote none.
long shownDifference(const HeadlessResult& r) {
    for (const std::string& row : r.rows)
        if (row.rfind("d=", 0) == 0) return std::strtol(row.c_str() + 2, nullptr, 10);
    return -1;
}

}  // namespace

TEST(VirtualClock, ProgramTimeMovesWithWaitsAndLateKeys) {
    setHeadlessEnv({"TZ=UTC"});
    // HORA as seconds of the day, so that a wait across midnight still counts forward.
    const std::string hourSeconds =
        "COPIA H $A 1 2\nCOPIA M $A 4 5\nCOPIA S $A 7 8\n"
        "MULTIPLICA H 3600\nMULTIPLICA M 60\nSOMA H M\nSOMA H S\n";
    struct Case {
        const char* what;
        std::string keys, program;
        long low, high;  // hundredths (TEMPO) or seconds (HORA)
    } cases[] = {
        {"a wait of two seconds", "",
         "SEJA T TEMPO\nESPERA 2\nSEJA U TEMPO\nSUBTRAI U T\nESCREVE \"d=\" U\nTERMINA MUDO\n", 200, 215},
        {"a wait of a minute and a half", "",
         "SEJA T TEMPO\nESPERA 90\nSEJA U TEMPO\nSUBTRAI U T\nESCREVE \"d=\" U\nTERMINA MUDO\n", 9000, 9200},
        {"a key typed five seconds late", "{wait 5000}k",
         "SEJA T TEMPO\nLÊ $K &\nSEJA U TEMPO\nSUBTRAI U T\nESCREVE \"d=\" U\nTERMINA MUDO\n", 500, 600},
        {"an hour on the clock", "",
         "SEJA $A HORA\n" + hourSeconds + "SEJA X H\nESPERA 3600\nSEJA $A HORA\n" + hourSeconds +
             "SUBTRAI H X\nSE H < 0\n  SOMA H 86400\nFIM SE\nESCREVE \"d=\" H\nTERMINA MUDO\n",
         3600, 3700},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string file = tempDir() + "/relogio.pro";
        ASSERT_TRUE(writeText(file, plat::utf8ToCp1252(c.program)));
        const HeadlessResult r = runHeadless(c.keys, {"--script", file});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        const long d = shownDifference(r);
        EXPECT_GE(d, c.low) << r.rows[0];
        EXPECT_LE(d, c.high) << r.rows[0];
    }
    setHeadlessEnv({});
}
