// The field tables and the game file: every game of the tests and the demo is
// written back byte for byte, and every field of the tables goes out and comes back
// through the file and the text script.
#include "ludivar_paths.h"
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "game/fields.h"
#include "game/gamefile.h"
#include "game/textscript.h"
#include "platform/platform.h"

using namespace game;

namespace {

std::string slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

const std::string kGolden = std::string(LUDIVAR_SOURCE_DIR) + "/tests/game/golden/";
const std::string kDemo = std::string(LUDIVAR_BUILD_ROOT) + "/sonare/ludivar/";

// A game with every field away from its starting value, and the cases the writer
// leaves lines out for (empty positions and effect, a single comment).
void fillEveryField(TJogo& g) {
    g.general.name = "Nome";
    g.general.author = "Autor";
    g.general.creationDate = "1/2/2003";
    g.general.version = "2";
    g.general.versionDate = "d";
    g.general.program = "p.pro";
    for (int i = 0; i < kComments; ++i) g.general.comments[size_t(i)] = "c" + std::to_string(i);
    RecountComments(g);
    g.backgroundPicture = "fundo.jpg";
    g.font.face = "Verdana";
    g.font.size = 30;
    g.font.bold = true;
    for (int n = 1; n <= 3; ++n) {
        TLugar& p = *CreatePlace(g, n);
        p.name = "L" + std::to_string(n);
        p.description = "desc";
        p.category = "cat";
        p.expectedAnswer = "a|b";
        p.placeIfRight = n == 2 ? "x" : "r";
        p.placeIfWrong = n == 2 ? "x" : "w";
        p.points = n == 3 ? 0 : -5;
        p.endsGame = n == 1;
        p.media = "m.wav";
        p.backgroundColour = "Azul";
        p.textColour = "Branco";
        p.backgroundPicture = "f.jpg";
        p.slideCount = 2;
        for (int s = 1; s <= 2; ++s) {
            TSlide& sl = *CreateSlide(p, s);
            sl.title = "T";
            sl.picture = "fig.jpg";
            sl.picturePosition = s == 1 ? "centro" : "";
            sl.media = "a.wav|b.wav";
            sl.waitMedia = s == 1;
            sl.effect = s == 1 ? "CRESCER" : "";
            sl.autoAdvance = s == 2;
            sl.speakText = s == 1;
            sl.textPosition = s == 1 ? "cima" : "";
            sl.text = {"um", "", "tres", ""};
        }
    }
}

TJogo readBack(const std::string& text) {
    TJogo g;
    ResetGeneralData(g);
    ResetModel(g);
    ReadResult r = ReadGameText(text, g);
    EXPECT_TRUE(r.ok) << "line " << r.line << ": " << r.content;
    return g;
}

}  // namespace

// What the writer made of these games before its fields came from the tables; a
// game file that was written by it comes back unchanged.
TEST(FieldTables, EveryGameIsWrittenBackByteForByte) {
    struct Case {
        const char* name;
        std::string file;
        std::string expected;  // a file holding the expected bytes
        bool readsWhole;
    };
    const std::vector<Case> cases = {
        {"bichos", LUDIVAR_TEST_DATA "/games/certo/bichos.lud", LUDIVAR_TEST_DATA "/games/certo/bichos.lud", true},
        {"destinos (LF, a slide past the count)", LUDIVAR_TEST_DATA "/games/destinos/destinos.lud",
         kGolden + "destinos.lud", true},
        {"quebrado (stops at an unknown key)", LUDIVAR_TEST_DATA "/games/quebrado/quebrado.lud",
         kGolden + "quebrado.lud", false},
        {"demo", kDemo + "formas-e-cores/formas.lud", kDemo + "formas-e-cores/formas.lud", true},
        {"demo with its program", kDemo + "formas-e-cores-programa/formas.lud",
         kDemo + "formas-e-cores-programa/formas.lud", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string expected = slurp(c.expected);
        ASSERT_FALSE(expected.empty()) << c.expected;
        TJogo g;
        ResetGeneralData(g);
        ResetModel(g);
        EXPECT_EQ(ReadGameFile(c.file, g).ok, c.readsWhole);
        const std::string written = GameText(g);
        EXPECT_EQ(written, expected);
        EXPECT_EQ(GameText(readBack(written)), written);
    }
}

TEST(FieldTables, EveryFieldIsWrittenInItsPlace) {
    TJogo g;
    ResetGeneralData(g);
    ResetModel(g);
    fillEveryField(g);
    const std::string written = GameText(g);
    EXPECT_EQ(written, slurp(kGolden + "full.lud"));
    EXPECT_EQ(GameText(readBack(written)), written);
}

// Each field with a key: a value away from its starting one is written on its key's
// line and read back into the same field.
TEST(FieldTables, EveryFileFieldIsReadAndWritten) {
    auto changed = [](auto& f, auto& owner, int seq) {
        if (f.text) *f.text(owner) = "v" + std::to_string(seq) + "-" + f.name;
        if (f.number) *f.number(owner) = std::min(f.max, std::max(f.min, 7 + seq % 5));
        if (f.flag) *f.flag(owner) = !*f.flag(owner);
    };
    int seq = 0;
    for (const GameField& f : gameFields()) {
        if (f.fileKey.empty() || f.id == FieldId::Font) continue;
        SCOPED_TRACE(f.name);
        TJogo g;
        NewGame();
        g = current();
        changed(f, g, ++seq);
        const std::string line = f.fileKey + "=" + fieldText(f, g) + "\r\n";
        const std::string written = GameText(g);
        EXPECT_NE(written.find(line), std::string::npos) << written;
        EXPECT_EQ(fieldText(f, readBack(written)), fieldText(f, g));
    }
    for (const PlaceField& f : placeFields()) {
        if (f.fileKey.empty()) continue;
        SCOPED_TRACE(f.name);
        TJogo g;
        TLugar& p = *CreatePlace(g, 1);
        changed(f, p, ++seq);
        const std::string line = f.fileKey + "=" + fieldText(f, p) + "\r\n";
        const std::string written = GameText(g);
        EXPECT_NE(written.find(line), std::string::npos) << written;
        const TJogo back = readBack(written);
        ASSERT_NE(back.place(1), nullptr);
        EXPECT_EQ(fieldText(f, *back.place(1)), fieldText(f, p));
    }
    for (const SlideField& f : slideFields()) {
        if (f.fileKey.empty()) continue;
        SCOPED_TRACE(f.name);
        TJogo g;
        TLugar& p = *CreatePlace(g, 1);
        p.slideCount = 1;
        TSlide& s = *CreateSlide(p, 1);
        changed(f, s, ++seq);
        const std::string line = f.fileKey + "=" + fieldText(f, s) + "\r\n";
        const std::string written = GameText(g);
        EXPECT_NE(written.find(line), std::string::npos) << written;
        const TJogo back = readBack(written);
        ASSERT_NE(back.place(1), nullptr);
        ASSERT_NE(back.place(1)->slide(1), nullptr);
        EXPECT_EQ(fieldText(f, *back.place(1)->slide(1)), fieldText(f, s));
    }
}

// The fields without a line of their own are exactly these: the font's parts share
// one line, the order of play and the narration are never stored, and a slide's
// text is numbered lines.
TEST(FieldTables, OnlyKnownFieldsLackAFileKey) {
    std::set<FieldId> without;
    for (const GameField& f : gameFields())
        if (f.fileKey.empty()) without.insert(f.id);
    for (const PlaceField& f : placeFields())
        if (f.fileKey.empty()) without.insert(f.id);
    for (const SlideField& f : slideFields())
        if (f.fileKey.empty()) without.insert(f.id);
    EXPECT_EQ(without, (std::set<FieldId>{FieldId::FontFace, FieldId::FontSize, FieldId::FontBold,
                                          FieldId::RandomOrder, FieldId::Narration, FieldId::Text}));
}

// Keys, tags and ranks must not collide, and each field reaches the model by the
// accessor of its kind.
TEST(FieldTables, KeysAreUniqueAndAccessorsFitTheKind) {
    auto check = [](const auto& fields, const char* table) {
        SCOPED_TRACE(table);
        std::set<std::pair<int, std::string>> fileKeys, webKeys, formKeys;
        std::set<std::string> tags;
        std::set<std::pair<int, int>> scriptRanks, webRanks, formRanks;
        for (const auto& f : fields) {
            SCOPED_TRACE(f.name);
            const int section = int(f.section);
            if (!f.fileKey.empty()) { EXPECT_TRUE(fileKeys.insert({section, f.fileKey}).second); }
            for (const std::string& t : f.scriptTags) EXPECT_TRUE(tags.insert(t).second) << t;
            EXPECT_EQ(f.scriptTags.empty(), f.scriptRank == 0);
            EXPECT_EQ(f.webKey == nullptr, f.webRank == 0);
            EXPECT_EQ(f.formKey == nullptr, f.formRank == 0);
            if (f.scriptRank) { EXPECT_TRUE(scriptRanks.insert({section, f.scriptRank}).second); }
            if (f.webRank) { EXPECT_TRUE(webRanks.insert({section < 2 ? 0 : section, f.webRank}).second); }
            if (f.formRank) { EXPECT_TRUE(formRanks.insert({section, f.formRank}).second); }
            // The general data and the presentation settings share the page's top level.
            if (f.webKey) { EXPECT_TRUE(webKeys.insert({section < 2 ? 0 : section, f.webKey}).second); }
            if (f.formKey) {
                EXPECT_TRUE(formKeys.insert({section, f.formKey}).second);
                EXPECT_GT(f.formWidth, 0);
            }
            const int accessors =
                (f.text != nullptr) + (f.number != nullptr) + (f.flag != nullptr) + (f.lines != nullptr);
            if (f.kind == FieldKind::Font) {
                EXPECT_EQ(accessors, 0);
                continue;
            }
            EXPECT_EQ(accessors, 1);
            EXPECT_EQ(f.number != nullptr, f.kind == FieldKind::Number || f.kind == FieldKind::FontSize);
            EXPECT_EQ(f.flag != nullptr, f.kind == FieldKind::YesNo);
            EXPECT_EQ(f.lines != nullptr, f.kind == FieldKind::Lines);
            if (f.flag) { EXPECT_FALSE(f.yesLetters.empty() && !f.fileKey.empty()); }
        }
    };
    check(gameFields(), "game");
    check(placeFields(), "place");
    check(slideFields(), "slide");
}

// Each tag of the script, its other spellings included, sets its field, and the
// export writes the field back under its first tag.
TEST(FieldTables, EveryScriptTagIsImportedAndExported) {
    auto valueFor = [](const auto& f) -> std::pair<std::string, std::string> {
        if (f.number) return {"12", "12"};
        if (f.flag) return {"sim", yesNoText(true)};
        return {"valor " + std::string(f.name), "valor " + std::string(f.name)};
    };
    int checked = 0;
    for (const PlaceField& f : placeFields()) {
        for (const std::string& tag : f.scriptTags) {
            SCOPED_TRACE(plat::cp1252ToUtf8(tag));
            const auto [written, expected] = valueFor(f);
            // In the place's own lines, and, for the answer and destinations, among a slide's.
            const std::string line = tag + " " + written + "\r\n";
            std::vector<std::string> scripts = {"Jogo\r\n----\r\nLugar\r\n" + line + "*\r\nx\r\n"};
            if (f.scriptInSlide) scripts.push_back("Jogo\r\n----\r\nLugar\r\n*\r\n" + line + "x\r\n");
            for (const std::string& script : scripts) {
                const ParsedScript ps = parseScript(scriptLines(script));
                ASSERT_EQ(ps.places.size(), 1u);
                EXPECT_TRUE(ps.places[0].ignored.empty());
                EXPECT_EQ(fieldText(f, ps.places[0].place), expected);
                ++checked;
            }
            TJogo g;
            TLugar& p = *CreatePlace(g, 1);
            if (f.text) *f.text(p) = expected;
            if (f.number) *f.number(p) = 12;
            if (f.flag) *f.flag(p) = true;
            const std::string out = scriptText(g);
            EXPECT_NE(out.find(f.scriptTags.front() + " " + (f.flag ? std::string("SIM") : expected) + "\r\n"),
                      std::string::npos)
                << out;
        }
    }
    for (const SlideField& f : slideFields()) {
        for (const std::string& tag : f.scriptTags) {
            SCOPED_TRACE(plat::cp1252ToUtf8(tag));
            const auto [written, expected] = valueFor(f);
            const std::string line = tag + " " + written + "\r\n";
            const ParsedScript ps = parseScript(scriptLines("Jogo\r\n----\r\nLugar\r\n*\r\n" + line + "x\r\n"));
            ASSERT_EQ(ps.places.size(), 1u);
            ASSERT_NE(ps.places[0].place.slide(1), nullptr);
            EXPECT_EQ(fieldText(f, *ps.places[0].place.slide(1)), expected);
            ++checked;
            TJogo g;
            TLugar& p = *CreatePlace(g, 1);
            p.slideCount = 1;
            ASSERT_NE(f.text, nullptr);
            *f.text(*CreateSlide(p, 1)) = expected;
            const std::string out = scriptText(g);
            EXPECT_NE(out.find(f.scriptTags.front() + " " + expected + "\r\n"), std::string::npos) << out;
        }
    }
    EXPECT_GE(checked, 17);
}
