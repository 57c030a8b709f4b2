// Ctrl+D at the main question opens the pronunciation dictionary and comes back.
#include <gtest/gtest.h>

#include "support/headless.h"

TEST(LexiconKeys, CtrlDAtTheMainQuestion) {
    HeadlessResult r = runHeadless("{Ctrl+D}{Esc}{Esc}");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.contains("speak Dicionário de pronúncia"));
    EXPECT_TRUE(r.contains("speak Acrescentar palavra"));
    // Back at the question, Esc ends the program as always.
    EXPECT_EQ(r.count("speak Opção: Jogar, Criar ou Editar? "), 2);
}
