// The game's fields, described once: where each lives in the model, its key in the
// game file, its tag in the text script, its name in the web page and its label in
// the editor's forms.  The file reader and writer, the script import and export, the
// web page and the forms walk these tables instead of naming the fields one by one.
// Texts are CP1252 bytes.
#pragma once
#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "game/model.h"

namespace game {

enum class FieldSection : uint8_t { General, Model, Place, Slide };

// What a field holds; the forms offer their choices and the web page draws it by kind.
enum class FieldKind : uint8_t {
    Text,
    Number,
    YesNo,
    Colour,     // a name of kColours
    Picture,    // a picture file name
    Media,      // a medium file name
    MediaList,  // medium file names separated by "|"
    Places,     // destinations separated by "|"
    Position,   // one of kPositions
    Effect,     // one of kEffects
    FontFace,   // one of kFontFaces
    FontSize,   // one of kFontSizes
    Font,       // face, size and bold on one line of the file
    Lines,      // the lines of a slide's text
};

enum class FieldId : uint8_t {
    GameName, Author, CreationDate, Version, VersionDate, Program,
    Comment1, Comment2, Comment3, Comment4, Comment5,
    Background, Font, FontFace, FontSize, FontBold, RandomOrder, Narration, PlaceCount,
    PlaceName, Description, Category, Answer, PlaceIfRight, PlaceIfWrong, Points, EndsGame, SlideCount,
    PlaceMedia, BackgroundColour, TextColour, PlaceBackground,
    Title, PicturePosition, Picture, SlideMedia, WaitMedia, Effect, AutoAdvance, SpeakText, TextPosition, Text,
};

template <class Owner>
struct Field {
    FieldId id{};
    FieldSection section{};
    FieldKind kind{};
    const char* name = "";  // "place.points": for messages and tests

    // The game file.  A field without a key has no line of its own.
    std::string fileKey;
    bool fileOnlyWhenSet = false;  // a text written only when it is not empty
    std::string yesLetters;        // a flag reads yes when its value begins with one of these
    int32_t min = INT32_MIN, max = INT32_MAX;
    bool badNumberStops = false;   // a number outside min..max stops the reading

    // The text script.
    std::vector<std::string> scriptTags;  // in capitals; the first one is written
    int scriptRank = 0;                   // order of the tagged lines written; 0: none
    bool scriptInSlide = false;           // a place's tag that may stand among a slide's lines
    int scriptLine = -1;                  // general data: its line in the script's first block

    // The web page.
    const char* webKey = nullptr;
    int webRank = 0;

    // The editor's forms.
    const char* formKey = nullptr;  // catalogue key of the label
    int formRank = 0;
    int formWidth = 0;

    // Where the value lives; exactly the one of the field's kind is set.
    std::string* (*text)(Owner&) = nullptr;
    int32_t* (*number)(Owner&) = nullptr;
    bool* (*flag)(Owner&) = nullptr;
    std::vector<std::string>* (*lines)(Owner&) = nullptr;

    // Read access through the same accessors: they only take an address.
    const std::string& textOf(const Owner& o) const { return *text(const_cast<Owner&>(o)); }
    int32_t numberOf(const Owner& o) const { return *number(const_cast<Owner&>(o)); }
    bool flagOf(const Owner& o) const { return *flag(const_cast<Owner&>(o)); }
    const std::vector<std::string>& linesOf(const Owner& o) const { return *lines(const_cast<Owner&>(o)); }
};

using GameField = Field<TJogo>;    // general data and presentation settings
using PlaceField = Field<TLugar>;
using SlideField = Field<TSlide>;

// In the order of the game file.
const std::vector<GameField>& gameFields();
const std::vector<PlaceField>& placeFields();
const std::vector<SlideField>& slideFields();

// The fields that one user of the tables takes (rank above 0), in its own order.
template <class Owner>
std::vector<const Field<Owner>*> fieldsBy(const std::vector<Field<Owner>>& fields, int Field<Owner>::*rank) {
    std::vector<const Field<Owner>*> out;
    for (const Field<Owner>& f : fields)
        if (f.*rank > 0) out.push_back(&f);
    std::stable_sort(out.begin(), out.end(), [&](auto* a, auto* b) { return a->*rank < b->*rank; });
    return out;
}

// "SIM" / "NÃO", as the file and the forms write a flag.
const std::string& yesNoText(bool b);

// A value as the file and the forms show it: texts as they are, numbers in decimal,
// flags as yesNoText.  Lines are not one value: empty.
template <class Owner>
std::string fieldText(const Field<Owner>& f, const Owner& o) {
    if (f.text) return f.textOf(o);
    if (f.number) return std::to_string(f.numberOf(o));
    if (f.flag) return yesNoText(f.flagOf(o));
    return std::string();
}

// Whether a flag's value reads yes: it begins with one of the field's yes letters.
template <class Owner>
bool readsYes(const Field<Owner>& f, const std::string& value) {
    return !value.empty() && f.yesLetters.find(value[0]) != std::string::npos;
}

template <class Owner>
void copyField(const Field<Owner>& f, const Owner& from, Owner& to) {
    if (f.text) *f.text(to) = f.textOf(from);
    if (f.number) *f.number(to) = f.numberOf(from);
    if (f.flag) *f.flag(to) = f.flagOf(from);
    if (f.lines) *f.lines(to) = f.linesOf(from);
}

// The fixed choices a form offers for a kind ("SIM|NÃO", the colours, ...); empty for
// free texts and for the kinds whose choices depend on the game or its folder.
std::string fixedChoices(FieldKind kind);

}  // namespace game
