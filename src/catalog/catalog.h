// The message catalogue: every prompt, label and report of the program is named by
// a key ("LUJOGCRI", "LUC_NOME", ...).  The texts are fixed here; a recording named
// after the key in the recordings folder is played instead of synthesizing the text.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace catalog {

struct CatalogEntry {
    const char* key;
    const char* text;  // UTF-8 in the source; use MessageText for the CP1252 text
};

constexpr size_t kCatalogSize = 239;
// The table in lookup order.
const CatalogEntry* catalogEntries();
size_t catalogSize();

// The key's text (CP1252); a key that is not in the catalogue gives the key itself.
std::string MessageText(const std::string& key);
bool HasMessage(const std::string& key);

// Shows and speaks a message.  lineEnds >= 0 writes the text at the cursor and then
// that many line ends; a negative value only speaks.  Waits while it is spoken; a
// key typed meanwhile cuts it off and stays for the next read.
void SayMessage(const std::string& key, int lineEnds);
// Says the message on the given background, reads one key with echo and returns it
// upper-cased, or 0 for an extended key (then no line end is written).
uint8_t AskKey(const std::string& key, int lineEnds, int promptBackground);
// A yes/no question of the catalogue said at the cursor, one key read with echo and a
// line end: true for S; anything else says "Desistiu" (LUDESIST) and gives false.
bool AgreeOrGiveUp(const std::string& question, int lineEnds = 0);
// "SIM" or "NÃO" (CP1252).
std::string YesNoText(bool flag);
// Adds an option labelled by the key's text to the choice menu being built.
void AddMenuOption(const std::string& key);
// Adds a field labelled by the key's text to the form being built.  maxLen is the
// capacity of the target (255 everywhere) and is not otherwise used.
void AddFormField(const std::string& key, std::string* target, int maxLen, int width);
// The same with "|"-separated choices; empty options give a plain field.
void AddFormChoiceField(const std::string& key, std::string* target, int maxLen,
                        const std::string& options, int width);
// Wipes the editors' side panel (columns 40-80, rows 7-19) to background 0 and
// puts the cursor back.
void ClearRightPanel();

}  // namespace catalog
