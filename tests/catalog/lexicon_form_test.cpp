// The spoken dictionary form: adding, hearing, changing and removing an entry,
// each change written to the user's file at once; a bad entry is refused.
#include <gtest/gtest.h>

#include <memory>

#include "catalog/catalog.h"
#include "catalog/lexicon_form.h"
#include "console/console.h"
#include "platform/files.h"
#include "speech/lexicon.h"
#include "support/headless.h"
#include "support/inproc.h"

namespace {

std::string fileText(const std::string& path) {
    std::string out;
    plat::readPath(path, out);
    return out;
}

}  // namespace

TEST(LexiconForm, AddHearChangeAndRemove) {
    const struct {
        const char* keys;
        const char* file;       // the user's file after the run (UTF-8)
        const char* saidLast;   // a text said on the way
        int saved, removed;
    } rows[] = {
        // Add: the first option, both fields, Esc ends the form; Esc leaves the list.
        {"{Enter}sabia{Enter}sabiá{Esc}{Esc}", "sabia=sabiá\n", "speak sabia", 1, 0},
        // Add, then change the reading of the entry (second option, "Mudar").
        {"{Enter}sabia{Enter}sabiá{Esc}{Down}{Enter}{Down}{Enter}{Enter}{Ctrl+Y}sábia{Esc}{Esc}",
         "sabia=sábia\n", "speak Mudar", 2, 0},
        // Add, hear it ("Ouvir"), then remove it and agree.
        {"{Enter}sabia{Enter}sabiá{Esc}{Down}{Enter}{Enter}{Down}{Enter}{Down}{Down}{Enter}s{Esc}", "",
         "speak Remover esta palavra? S/N ", 1, 1},
        // Two words are no entry: refused, nothing written.
        {"{Enter}duas palavras{Enter}x{Esc}{Esc}", nullptr,
         "speak Escreva uma só palavra, só com letras, e como dizê-la", 0, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.keys);
        InProc p(r.keys);
        p.run([] { catalog::EditPronunciations(); });
        const std::string path = speech::userLexiconPath();
        if (r.file) EXPECT_EQ(fileText(path), r.file);
        else EXPECT_FALSE(plat::readPath(path, *std::make_unique<std::string>())) << "written";
        EXPECT_TRUE(p.traced(r.saidLast)) << p.traceText();
        EXPECT_EQ(p.tracedCount("speak Palavra guardada"), r.saved);
        EXPECT_EQ(p.tracedCount("speak Palavra removida"), r.removed);
        // What is in use is what the file holds.
        EXPECT_EQ(speech::lexiconFileText(speech::userLexicon()), r.file ? r.file : "");
    }
}
