// What the own voice is handed when the console speaks a text: the words
// that used to come out wrong, read back from the trace's synth lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/config.h"
#include "console/console.h"
#include "platform/platform.h"
#include "support/inproc.h"

namespace {

using Events = std::vector<std::string>;

// The sounds heard when the console speaks `utf8`: synth and play events.
Events heard(const std::string& utf8) {
    InProc p;
    p.trace.clear();
    p.run([&] { con::speak(plat::cp(utf8.c_str())); });
    Events out;
    for (const std::string& e : p.trace)
        if (e.rfind("synth ", 0) == 0 || e.rfind("play ", 0) == 0) out.push_back(e);
    return out;
}

}  // namespace

TEST(Pronunciation, WordsOfEveryDayAreSaidAsBraziliansSayThem) {
    const struct {
        const char* text;
        const char* synth;
    } cases[] = {
        // stressed e and o, open where the ending opens them, closed where it does not
        {"bola festa sete nove janela terra porta amarelo formas",
         "[ b/O/ l/a^][ f/E/s/ t/a^][ s/E/ tch/i][ n/O/ v/i][ j/a^/ n/E/ l/a^][ t/E/ rr/a^][ p/O/r/ t/a^]"
         "[ a^/ m/a/ r/E/ l/u][ f/O/r/ m/a^/s]"},
        {"jogo novo mesmo preto vez", "[ j/O^/ g/u][ n/O^/ v/u][ m/E^/z/ m/u][ p/R/E^/ t/u][ v/e^/s]"},
        // x as ks, s, z and ch
        {"táxi sexo fixo tóxico oxigênio complexo reflexo",
         "[ t/A/ ks/i][ s/E/ ks/u][ f/I/ ks/u][ t/O/ ks/i/ k/u][ o^/ ks/i/ j/E^/ n/i/ u][ k/o~/ p/L/E/ ks/u]"
         "[ rr/e^/ f/L/E/ ks/u]"},
        {"auxílio trouxe sintaxe êxito caixa", "[ a/w/ s/I/ l/i/ u][ t/R/O^/ s/i][ s/i~/ t/A/ s/i][ E^/ z/i/ t/u]"
                                                "[ k/A/y/ x/a^]"},
        // nasal vowels before a consonant
        {"índio língua príncipe anúncio ímpar sequência cama",
         "[ I~/ dj/i/ u][ l/I~/ gw/a^][ p/R/I~/ s/i/ p/i][ a^/ n/U~/ s/i/ u][ I~/ p/a/r][ s/e^/ kw/E~/ s/i/ a^]"
         "[ k/A~/ m/a^]"},
        // the u of gu and qu: sounded in these, silent in the last two
        {"pinguim linguiça aguentar frequente tranquilo eloquente guerra quilo",
         "[ p/i~/ gw/I~][ l/i~/ gw/I/ s/a^][ a/ gw/e~/ t/A/r][ f/R/e^/ kw/E~/ tch/i][ t/R/a~/ kw/I/ l/u]"
         "[ e^/ l/o^/ kw/E~/ tch/i][ g/E/ rr/a^][ k/I/ l/u]"},
    };
    for (const auto& c : cases) EXPECT_EQ(heard(c.text), Events{std::string("synth ") + c.synth}) << c.text;
}

TEST(Pronunciation, TypographicMarksApostrophesAndLettersReachTheVoiceAsTheirReadings) {
    const struct {
        const char* text;
        Events events;
    } cases[] = {
        // quotes, dashes and the ellipsis are marks, not vowels: named at the default level
        {"“Olá”", {"play _147", "synth [ o^/ l/A]", "play _148"}},
        {"5 – 10", {"play _cinco", "play _150", "play _dez"}},
        {"vez…", {"synth [ v/e^/s]", "play _133"}},
        // the apostrophe of d'água, plain or typographic, joins the words
        {"gota d'água", {"synth [ g/O/ t/a^][ d/A/ gw/a^]"}},
        {"gota d’água", {"synth [ g/O/ t/a^][ d/A/ gw/a^]"}},
        {"10 €", {"play _dez", "synth [ E^/w/ r/u/s]"}},
        {"Marca™", {"synth [ m/A/r/ k/a^][ m/A/r/ k/a^][ k/o^/ m/e^/r/ s/i/ A/w]"}},
        // lettered answers and spelled letters say the letter's name
        {"Letra E", {"synth [ l/E^/ t/R/a^][ /_E]"}},
        {"Resposta: A", {"synth [ rr/e^/s/ p/O/s/ t/a^]", "play _58", "synth [ /_A]"}},
        // the word e stays a word
        {"Pedro e Maria", {"synth [ p/E^/ d/R/u][ i][ m/a/ r/I/ a^]"}},
        // capitals that cannot be read are spelled; ONU can be read
        {"UFRJ e ONU", {"synth [ /_u][ /_f][ /_r][ /_j][ i][ o^/ n/U]"}},
    };
    for (const auto& c : cases) EXPECT_EQ(heard(c.text), c.events) << c.text;
}
