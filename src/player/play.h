// The play loop: from place to place, adding points, presenting each place and
// going where the answer leads; or, for a game with a program, playing the
// places that the program asks for.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace player {

constexpr int kMaxCategories = 20;

struct TCateg {
    std::string name;        // trimmed, upper-cased
    std::string nextPlace = "FIM";
    int32_t placeCount = 0;
    int32_t limit = 0;
    int32_t references = 0;
    std::vector<int> places;  // place numbers in place order (shuffled when random)
};

struct PlayState {
    int32_t currentPlace = 0;  // -1: a destination was not found
    bool playing = false;
    int32_t score = 0;
    int categoryCount = 0;
    std::array<TCateg, kMaxCategories> categories;  // entries 0..categoryCount-1
    std::string destination;  // destination text of the last choice, after SubstituteFirst
    int32_t escapedPlace = 0;  // the place a program's last CHAMA REMOTO left with Esc (0: none)
};
PlayState& playState();
void resetPlayState();

// J at the main question (false) and the editor's execute command (true: the
// game in memory, no title card).
void PlayGame(bool gameLoaded = false);
void PlayGameFromMenu();  // PlayGame(false), for app::Actions
// `ludivar GAME.lud`: the game loaded and its title card shown; progress is kept as for J.
void PlayGameFile();
// The simple play loop from a place.
void PlayFrom(int firstPlace, bool shuffle);
// The game program's CHAMA REMOTO: plays one place, gives "$OK$", "$ERRO$", "$ESC$" or "$FIM$".
std::string PlayPlaceForScript(const std::string& reference);
// A place or category reference (maybe a category setting "CAT,next[,limit]") -> place number or -1.
int ResolvePlace(const std::string& reference);

// Chooses the next place from the answer given at place p; sets currentPlace
// and destination.
void ChooseNextPlace(int place, const std::string& answer);

// Builds the category table from the current game; shuffles each category's
// places when asked.
void BuildCategories();
void ShuffleCategories();

// "$NAME" references: the first one, up to "." or the end; or all of them, each
// up to a blank, "," or ".", left as written when the variable is empty.
std::string SubstituteFirst(const std::string& text);
std::string SubstituteAll(const std::string& text);

// The title card: choose a folder and a game, load it, show its data.
bool TitleCard();
// Its second half, for a game already loaded: the red box, narration, Enter.
void ShowTitleCard();

}  // namespace player
