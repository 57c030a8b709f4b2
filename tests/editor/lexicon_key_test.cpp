// Ctrl+D in the editor's menu opens the pronunciation dictionary; leaving it goes
// back to the menu, whose other keys work as before.
#include <gtest/gtest.h>

#include "support/editor_session.h"

TEST(EditorLexicon, CtrlDOpensTheDictionaryAndComesBack) {
    edtest::Session s("{Ctrl+D}{Esc}As");
    edtest::gameWith({"Início"});
    EXPECT_EQ(s.run([] { editor::editorMenu(); }), -1);
    EXPECT_TRUE(s.saidInOrder({"Dicionário de pronúncia", "Acrescentar palavra"}));
    EXPECT_FALSE(s.said("Opção inválida"));
    EXPECT_TRUE(s.said("Ok, as modificações não foram gravadas"));
}
