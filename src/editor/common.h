// Screen and dialogue pieces shared by the editors (not for other modules).
#pragma once
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace editor {
namespace detail {

// Key codes: plain bytes, and extended codes after the 0 byte.
enum : uint8_t { kEnter = 13, kEsc = 27 };
enum : uint8_t {
    kF1 = 59, kF2 = 60, kF7 = 65, kF9 = 67, kUp = 72, kPgUp = 73, kRight = 77, kDown = 80, kPgDn = 81,
};

// The whole 80 x 25 screen as the window.
void wholeScreen();
// The editors' side panel (columns 40-80, rows top..bottom) as the window, cleared on background 0.
void sidePanel(int bottom);
// Clears columns 40-80, rows 7..bottom, to background 0 without changing the window.
void clearPanel(int bottom);
// "Ludivar " and the game file name.
void showGameTitle();
// A catalogue text with "{1}", "{2}", ... filled in.
std::string filledMessage(const std::string& key, const std::vector<std::string>& values);
// Writes and speaks a text of our own (CP1252) followed by line ends, as SayMessage does.
void sayText(const std::string& text, int lineEnds);
// "Confirma as alterações? " / "Confirma a remoção? " and one key with echo, then a
// line end.  False when the author answered N or Esc.
bool confirm(const std::string& key);
// Waits for the speech to end and one second more, so that "Desistiu" is heard
// before the screen changes.
void pauseAfterSpeech();
// Shows place or slide s in the small frame until a key waits, then takes it off.
void preview(int place, int slide);
// "Insere antes ou depois daqui?": A or the up arrow put the new item before the
// current one, any other key (D, Enter, the down arrow) after it, so that Enter never
// puts a place before the first; false on Esc, after saying "Desistiu".
bool askBeforeOrAfter(bool& after);
// The catalogue key of a form field's F1 help: "LUC_RESP" gives "LUHCRESP",
// "LUSL_T7" gives "LUHSLT" (the text lines share one).
std::string fieldHelpKey(const std::string& formKey);
// Adds a field labelled by its key to the form being built, with its F1 help.
void addField(const std::string& formKey, std::string* target, const std::string& options, int width);
// A form's choices as the list shows them: a yes/no list holding "NÃO" opens on it.
std::string choicesOpeningOn(const std::string& options, const std::string& value);
// Reads one spoken key in capitals; an extended key gives 0 (its code is read too).
uint8_t readAnswerKey();

// A command read from a place or slide list: a plain key in capitals, or kExt + an extended code.
constexpr int kExt = 0x100;
struct Pick {
    int command = kEsc;
    int item = 0;
};
// Runs a list (columns 1-30, rows 7..bottom) of the items and one last item, from item
// `start`; a run that ends beyond either end counts as Esc.
Pick pickFromList(const std::vector<std::string>& items, int start, int bottom, const std::string& lastItem);

// Places of a game and slides of a place live in numbered slots 1..count of a
// fixed array; these keep the slots packed as items are inserted, removed and moved.
template <typename Slots, typename Item>
bool insertSlot(Slots& slots, int32_t& count, int limit, int at, std::unique_ptr<Item> item) {
    const int n = std::max(0, count);
    if (!item || n >= limit || at < 1 || at > n + 1) return false;
    for (int i = n; i >= at; --i) slots[size_t(i + 1)] = std::move(slots[size_t(i)]);
    slots[size_t(at)] = std::move(item);
    count = n + 1;
    return true;
}

template <typename Slots>
bool removeSlot(Slots& slots, int32_t& count, int at) {
    const int n = std::max(0, count);
    if (at < 1 || at > n) return false;
    for (int i = at; i < n; ++i) slots[size_t(i)] = std::move(slots[size_t(i + 1)]);
    slots[size_t(n)].reset();
    count = n - 1;
    return true;
}

template <typename Slots>
bool moveSlot(Slots& slots, int32_t count, int from, int to) {
    const int n = std::max(0, count);
    if (from < 1 || from > n || to < 1 || to > n) return false;
    auto item = std::move(slots[size_t(from)]);
    for (int i = from; i < to; ++i) slots[size_t(i)] = std::move(slots[size_t(i + 1)]);
    for (int i = from; i > to; --i) slots[size_t(i)] = std::move(slots[size_t(i - 1)]);
    slots[size_t(to)] = std::move(item);
    return true;
}

}  // namespace detail
}  // namespace editor
