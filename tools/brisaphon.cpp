// Transcribes words with the embedded engine's letter-to-sound rules: one word
// (UTF-8) per input line, one line out: the word, a tab, its phonemes separated by
// blanks with ">" before the stressed one.  Used to compare the rules with other
// transcribers over a word list.
#include <cstdio>
#include <iostream>
#include <string>

#include "platform/platform.h"
#include "speech/brisa/chain.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "uso: brisaphon portug.nrl portug.exc < palavras\n");
        return 2;
    }
    if (!brisa::loadBrisaRules(argv[1], argv[2])) {
        std::fprintf(stderr, "brisaphon: cannot read the rules or exceptions\n");
        return 1;
    }
    std::string word;
    while (std::getline(std::cin, word)) {
        const std::string cp = plat::utf8ToCp1252(word);
        const std::vector<std::string> lines = brisa::wordsToPhonemes({"555|" + cp});
        std::string out;
        for (size_t i = 1; i < lines.size(); ++i) {
            if (lines[i].empty() || lines[i][0] == ';' || lines[i] == "__") continue;
            if (!out.empty()) out += ' ';
            out += lines[i];
        }
        std::printf("%s\t%s\n", word.c_str(), out.c_str());
    }
    return 0;
}
