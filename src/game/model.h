// The one game held in memory: general data, presentation settings and up to
// 1000 places of up to 50 slides each.  The file reader and writer fill and store
// it, the player walks it and the editors change it.
// Texts are CP1252 bytes.  Places and slides are numbered from 1: slot 0 of both
// arrays is never used, so `places[n]` is place n.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace game {

constexpr int kMaxPlaces = 1000;
constexpr int kMaxSlides = 50;
constexpr int kComments = 5;

struct TFonteLetras {
    std::string face = "Arial";
    int size = 24;
    bool bold = false;
    // Filled by the slide drawing only, never stored.
    uintptr_t handle = 0;
    int halfLineHeight = 0;
    int lineHeight = 0;
};

struct TDadosGerais {
    std::string name;          // NOME DO JOGO
    std::string author;        // AUTOR
    std::string creationDate;  // DATA DE CRIAÇÃO
    std::string version;       // VERSÃO
    std::string versionDate;   // DATA DA VERSÃO
    std::array<std::string, kComments> comments;  // COMENTÁRIOS, COMENTÁRIOS2..5 (index 0 = comment 1)
    std::string program;       // SCRIPT: the game's program; empty plays without one
};

struct TSlide {
    std::string title;            // TÍTULO
    std::string picture;          // FIGURA
    std::string picturePosition;  // POSIÇÃO FIGURA; empty means "direita"
    std::string media;            // MÍDIA, files separated by "|"
    bool waitMedia = true;        // ESPERA MÍDIA
    std::string effect;           // EFEITO
    bool autoAdvance = false;     // AUTO AVANÇA
    bool speakText = true;        // FALA TEXTO
    std::string textPosition;     // POSIÇÃO TEXTO
    std::vector<std::string> text;  // keys 0, 1, 2, ... in file order
};

struct TLugar {
    std::string name;              // NOME
    std::string description;       // DESCRIÇÃO
    std::string category;          // CATEGORIA
    std::string expectedAnswer;    // RESPOSTA ESPERADA, answers separated by "|"
    std::string placeIfRight;      // LUGAR OK, destinations separated by "|"
    std::string placeIfWrong;      // LUGAR ERRO
    int32_t points = 0;            // PONTUAÇÃO
    bool endsGame = false;         // TERMINADOR
    std::string media;             // MÍDIA
    std::string backgroundColour;  // COR DO FUNDO
    std::string textColour;        // COR DA LETRA
    std::string backgroundPicture; // FUNDO
    int32_t slideCount = 0;        // NÚMERO DE SLIDES: slides 1..slideCount are shown
    std::array<std::unique_ptr<TSlide>, kMaxSlides + 1> slides;  // slot 0 unused

    TLugar() = default;
    // Copies own their slides, so an editor can work on a copy and write it back.
    TLugar(const TLugar& o);
    TLugar& operator=(const TLugar& o);
    TLugar(TLugar&&) = default;
    TLugar& operator=(TLugar&&) = default;

    // Slide s, or nullptr when s is outside 1..50 or the slot is empty.
    TSlide* slide(int s) const;
};

struct TJogo {
    TDadosGerais general;
    int commentCount = 0;          // highest non-empty comment, 0..5
    int32_t placeCount = 0;        // LUGARES: highest place number in use
    std::array<std::unique_ptr<TLugar>, kMaxPlaces + 1> places;  // slot 0 unused
    std::string backgroundPicture; // FUNDO of [MODELO]
    TFonteLetras font;
    bool randomOrder = false;      // "Aleatório": not stored in the file
    bool narration = true;         // "Narrando": not stored in the file

    TJogo() = default;
    TJogo(const TJogo& o);
    TJogo& operator=(const TJogo& o);
    TJogo(TJogo&&) = default;
    TJogo& operator=(TJogo&&) = default;

    // Place n, or nullptr when n is outside 1..1000 or the slot is empty.
    TLugar* place(int n) const;
};

// Module state: the current game, and the slide editor's current slide number,
// which a new place sets back to 1.
struct ModelState {
    TJogo game;
    int editorSlide = 1;
};
ModelState& modelState();
void resetModelState();  // a fresh game, as at program start (tests)

// The current game.
TJogo& current();

// Values of a new game.  The forms without an argument act on the current game.
void ResetGeneralData(TJogo& g);
void ResetGeneralData();
void ResetModel(TJogo& g);  // no places, default background and font, narration on
void ResetModel();
void InitPlace(TLugar& p);
void InitSlide(TSlide& s);
void NewGame();             // general data and model reset, then place 1 "Capa"

// The highest i in 1..5 whose comment i is not empty, or 0.
int CountComments(const TDadosGerais& d);
// Recomputes g.commentCount; call after the general data were read or edited.
void RecountComments(TJogo& g);

// Creates place n (1..1000) with its starting values, replacing what was there,
// and raises the number of places when needed.  nullptr when n is out of range.
TLugar* CreatePlace(TJogo& g, int n);
// Creates slide s (1..50) of a place with its starting values; nullptr when out of range.
TSlide* CreateSlide(TLugar& p, int s);

// "7/3/2025 - Sexta": the creation date text of a new game.
std::string DateText(int day, int month, int year, int weekday);
std::string TodayText();
// Weekday names, 0 = Sunday (CP1252).
const std::string& WeekdayName(int weekday);

// The fixed option lists offered by the editors' forms.
inline constexpr const char* kFontFaces = "Arial|Courier New|Times New Roman|Verdana";
inline constexpr const char* kFontSizes = "12|14|16|18|20|22|24|26|28|30";
inline constexpr const char* kColours = "Preto|Azul|Verde|Ciano|Vermelho|Roxo|Marrom|Cinza|Amarelo|Branco";
inline constexpr const char* kPositions =
    "centro|cima|baixo|esquerda|direita|centro esquerda|centro direita|cima esquerda|cima centro|"
    "cima direita|baixo esquerda|baixo centro|baixo direita";
inline constexpr const char* kEffects =
    "ESQUERDA|DIREITA|CIMA|BAIXO|ESQUERDA DIREITA|CIMA BAIXO|QUADRADOS|CRESCER|PREENCHER|DIAGONAL";

}  // namespace game
