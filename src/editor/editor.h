// The game editors: the editor's menu (create or open a game, then a loop of
// option letters), the forms of the general data and the presentation, the place
// editor and the slide editor.  They work on the one game in memory
// (game::current()); forms work on copies written back only when the author
// confirms.  The current place of the place editor is game::session().editorPlace,
// the current slide of the slide editor game::modelState().editorSlide.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "game/model.h"

namespace editor {

struct EditorState {
    uint8_t lastKey = 0;  // the last option key read by the menu (27 for Esc)
};
EditorState& editorState();
void resetEditor();

// ---- the editor's menu ------------------------------------------------------------

// "Criar" at start-up: folder, file name, a new game saved, then the menu.
void createGame();
// "Editar" at start-up: folder, game file, load, then the menu.
void editGame();
// The option loop; returns once the author has finished (saving) or abandoned.
void editorMenu();
// The option letter of an entry of the menu opened with F9 or the arrows
// (0 or anything out of range gives Esc).
uint8_t menuLetter(int choice);
// The game file name made of what the author typed at "Informe o novo nome deste
// jogo:": trimmed; empty gives the folder's last component; ".lud" added unless
// it already ends in ".LUD" (any case).
std::string newGameFileName(const std::string& typed, const std::string& folder);

// "Resultados": the figures of the pupils' recorded plays of the current game.
void showResults();

// ---- general data and presentation ------------------------------------------------

void editGeneralData();
void editPresentation();

// ---- places -------------------------------------------------------------------------

void editPlaces();
// The form of place n; the key that ended it (27, 73 PgUp, 81 PgDn), or 27 when
// the author gave up at the confirmation.
int editPlace(int n);
void insertPlace(int n);
void removePlace(int n);
void movePlace(int n);

// ---- slides -------------------------------------------------------------------------

void editSlides(int place);
int editSlide(int place, int n);
bool insertSlide(int place, int n, bool copyCurrent, bool ask);
void offerFirstSlide(int place);
void removeSlide(int place, int n);
void moveSlide(int place, int n);
void viewSlide(int place, int n);

// ---- the editing rules, on their own ------------------------------------------------

// A decimal integer with an optional sign, blanks around it allowed, within 32 bits.
bool parseDecimal(const std::string& text, int32_t& value);
// What a form field of this width shows of a value: cut to the width (at most
// 255) and without trailing blanks.
std::string shownValue(const std::string& value, int width);
// The value to store after a form: the original when the field came back as the
// form showed it (a value longer than its field is not cut by a visit), else the
// edited text.
std::string keptValue(const std::string& original, const std::string& edited, int width);
// "S..." / "N..." texts of the forms, read from their first character in capitals.
bool flagNotN(const std::string& text, bool whenEmpty);  // false exactly on "N"
bool flagIsS(const std::string& text);                    // true exactly on "S"

// The picture and media choices of the current folder ("a.jpg|b.jpeg").
std::string pictureChoices();
std::string placeMediaChoices();
std::string slideMediaChoices();

// The slide a new game's first place opens on: the game's name as title and text.
std::unique_ptr<game::TSlide> coverSlide(const std::string& gameName);
// The first place (1..placeCount) without any slide; 0 when every place has one.
int firstPlaceWithoutSlides(const game::TJogo& g);
// Before playing from the editor: names each place without slides and offers to make
// one; false when one is left without (playing it would only beep).
bool everyPlaceHasSlides();

// A place made by the place editor / a slide made by the slide editor.
std::unique_ptr<game::TLugar> newEditorPlace(const std::string& name);
std::unique_ptr<game::TSlide> newEditorSlide();

// Moves on the game's places (1..placeCount) and a place's slides (1..slideCount).
// Each refuses (false) what would pass 1000 places or 50 slides or name no item.
bool insertPlaceAt(game::TJogo& g, int at, std::unique_ptr<game::TLugar> p);
bool removePlaceAt(game::TJogo& g, int n);
bool movePlaceTo(game::TJogo& g, int from, int to);
bool insertSlideAt(game::TLugar& p, int at, std::unique_ptr<game::TSlide> s);
bool removeSlideAt(game::TLugar& p, int n);
bool moveSlideTo(game::TLugar& p, int from, int to);

// List items: "3 - Floresta" / "2 - Novo slide".
std::string placeItem(const game::TJogo& g, int n);
std::string slideItem(const game::TLugar& p, int s);

}  // namespace editor
