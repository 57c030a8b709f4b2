// The catalogue table itself: size, keys, order and the texts that callers and
// stored files depend on byte for byte.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "catalog/catalog.h"
#include "platform/platform.h"

namespace {

int indexOf(const std::string& key) {
    for (size_t i = 0; i < catalog::catalogSize(); ++i)
        if (key == catalog::catalogEntries()[i].key) return static_cast<int>(i);
    return -1;
}

TEST(CatalogTable, HasAllEntriesWithWellFormedUniqueKeys) {
    ASSERT_EQ(catalog::catalogSize(), 239u);
    std::set<std::string> keys;
    for (size_t i = 0; i < catalog::catalogSize(); ++i) {
        const std::string key = catalog::catalogEntries()[i].key;
        SCOPED_TRACE(key);
        EXPECT_TRUE(keys.insert(key).second) << "duplicate key";
        ASSERT_GE(key.size(), 3u);
        EXPECT_LE(key.size(), 9u);
        EXPECT_EQ(key.substr(0, 2), "LU");
        for (char c : key)
            EXPECT_TRUE((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_');
        // Every text must survive the trip to CP1252 and back: a '?' would be a
        // character the screen and the voice cannot carry.
        const std::string utf8 = catalog::catalogEntries()[i].text;
        EXPECT_FALSE(utf8.empty());
        EXPECT_EQ(plat::cp1252ToUtf8(catalog::MessageText(key)), utf8);
    }
}

TEST(CatalogTable, KeepsTableOrderAcrossTheGroups) {
    EXPECT_EQ(indexOf("LUINIC"), 0);
    EXPECT_EQ(indexOf("LUJOGCRI"), 3);
    EXPECT_EQ(indexOf("LUAJP_D"), 26);
    EXPECT_EQ(indexOf("LUAJP_ES"), 37);
    EXPECT_EQ(indexOf("LU_NOME"), 83);
    EXPECT_EQ(indexOf("LUC_NOME"), 99);
    EXPECT_EQ(indexOf("LUSL_T10"), 128);
    EXPECT_EQ(indexOf("LUCATNEX"), 168);
    EXPECT_LT(indexOf("LUAJU_I"), indexOf("LUAJS_I"));
    EXPECT_LT(indexOf("LUG_IMGF"), indexOf("LUSL_TIT"));
}

TEST(CatalogTable, TextsAreExactCp1252) {
    EXPECT_EQ(catalog::MessageText("LUINIC"), "Ludivar - editor de jogos educacionais");
    EXPECT_EQ(catalog::MessageText("LUJOGCRI"), "Op\xE7\xE3o: Jogar, Criar ou Editar? ");
    EXPECT_EQ(catalog::MessageText("LUVERSAO"), "Vers\xE3o ");          // answer follows on the line
    EXPECT_EQ(catalog::MessageText("LUCNFFIM"), "Confirma fim? ");
    EXPECT_EQ(catalog::MessageText("LUFIM"), "Fim do Ludivar");
    EXPECT_EQ(catalog::MessageText("LUSL_PFG"), "Posi\xE7" "ao da figura");   // as the program always wrote it
    EXPECT_EQ(catalog::MessageText("LUROTEXI"),
              "Um roteiro com este nome j\xE1 existe.  Quer sobrescrever? ");
    EXPECT_EQ(catalog::MessageText("LU_COMEN2"), "2");
    EXPECT_EQ(catalog::MessageText("LUPRGNAO"), "Programa n\xE3o p\xF4" "de ser criado");
    EXPECT_EQ(catalog::MessageText("LUERRESC"), "Erro de escrita do programa...");
}

TEST(CatalogTable, UnknownKeysSpeakAsThemselves) {
    EXPECT_EQ(catalog::MessageText("XYZ"), "XYZ");
    EXPECT_EQ(catalog::MessageText(""), "");
    // Lookup is exact: case and trailing blanks matter.
    EXPECT_EQ(catalog::MessageText("lufim"), "lufim");
    EXPECT_EQ(catalog::MessageText("LUFIM "), "LUFIM ");
    EXPECT_EQ(catalog::MessageText("LUFI"), "LUFI");
    EXPECT_FALSE(catalog::HasMessage("LUFI"));
    EXPECT_TRUE(catalog::HasMessage("LUFIM"));
}

TEST(CatalogTable, YesNoWords) {
    EXPECT_EQ(catalog::YesNoText(true), "SIM");
    EXPECT_EQ(catalog::YesNoText(false), "N\xC3O");
}

}  // namespace
