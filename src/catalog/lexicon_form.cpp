// The user's pronunciation dictionary as a spoken menu and form.
#include "catalog/lexicon_form.h"

#include <string>

#include "catalog/catalog.h"
#include "console/console.h"
#include "console/form.h"
#include "console/menu.h"
#include "console/textwin.h"
#include "platform/platform.h"
#include "speech/lexicon.h"
#include "util/atomic.h"
#include "util/folders.h"
#include "util/text.h"

namespace catalog {

namespace {

constexpr int kWordWidth = 40;
constexpr int kReadingWidth = 50;
constexpr int kMenuWidth = 60;
constexpr int kMenuRows = 12;

// Writes the list and puts it in use; a failure is said with its reason.
bool keep(const speech::Lexicon& lexicon) {
    util::makeFolders(util::settingsDir(), 0755);
    const util::Result r = util::writeFileAtomically(speech::userLexiconPath(), speech::lexiconFileText(lexicon));
    if (!r) {
        SayMessage("LUDICERR", 0);
        con::writeLineAndSpeak(plat::utf8ToCp1252(r.reason()));
        return false;
    }
    speech::setUserLexicon(lexicon);
    return true;
}

// Says the word as the voices now say it.
void hear(const std::string& word) {
    con::speak(word);
    con::waitSpeech();
}

// The two fields, filled in and left with Esc.  False when the word is left empty.
bool askEntry(std::string& word, std::string& said) {
    con::formReserveLines(2);
    con::formStart();
    AddFormField("LUDICPAL", &word, 255, kWordWidth);
    AddFormField("LUDICDIZ", &said, 255, kReadingWidth);
    con::formRun(true);
    word = util::trim(word);
    said = util::trim(said);
    if (word.empty()) {
        SayMessage("LUDESIST", 1);
        return false;
    }
    if (!speech::validLexiconWord(word) || !speech::validLexiconReading(said)) {
        SayMessage("LUDICINV", 1);
        return false;
    }
    return true;
}

// Adds an entry, or changes `old` (the word as listed) into the one typed.
void putEntry(speech::Lexicon& lexicon, const std::string& old) {
    std::string word = old, said;
    for (const speech::LexiconEntry& e : lexicon)
        if (util::upperLatin(e.word) == util::upperLatin(old)) said = e.said;
    if (!askEntry(word, said)) return;
    speech::Lexicon changed = lexicon;
    if (!old.empty()) speech::lexiconRemove(changed, old);
    speech::lexiconSet(changed, word, said);
    if (!keep(changed)) return;
    lexicon = changed;
    SayMessage("LUDICGRV", 1);
    hear(word);
}

void entryActions(speech::Lexicon& lexicon, size_t index) {
    const std::string word = lexicon[index].word;
    con::menuOpen(con::whereX(), con::whereY(), 20, 3, 4);
    AddMenuOption("LUDICOUV");
    AddMenuOption("LUDICMUD");
    AddMenuOption("LUDICREM");
    switch (con::menuRun()) {
        case 1: hear(word); break;
        case 2: putEntry(lexicon, word); break;
        case 3: {
            if (!AgreeOrGiveUp("LUDICCRM", 0)) break;
            speech::Lexicon changed = lexicon;
            speech::lexiconRemove(changed, word);
            if (!keep(changed)) break;
            lexicon = changed;
            SayMessage("LUDICAPG", 1);
            break;
        }
        default: break;
    }
}

}  // namespace

void EditPronunciations() {
    // What the file holds now: a user may have edited it by hand meanwhile.
    speech::loadUserLexicon();
    speech::Lexicon lexicon = speech::userLexicon();
    con::writeLn();
    SayMessage("LUDICTIT", 1);
    for (;;) {
        con::menuOpen(con::whereX(), con::whereY(), kMenuWidth, kMenuRows, 4);
        AddMenuOption("LUDICACR");
        for (const speech::LexiconEntry& e : lexicon) con::menuAdd("", e.word + " = " + e.said);
        const int choice = con::menuRun();
        if (choice <= 0) break;
        if (choice == 1) putEntry(lexicon, "");
        else if (size_t(choice - 2) < lexicon.size()) entryActions(lexicon, size_t(choice - 2));
    }
}

}  // namespace catalog
