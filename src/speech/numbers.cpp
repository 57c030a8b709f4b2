// Numbers, the time and the date as the names of recorded word files of the
// letters folder.  Pure: the voice builder uses it to know what to record.
#include <array>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "speech/synth.h"
#include "util/numbers.h"

namespace speech {

namespace {

const std::array<const char*, 7> kWeekdays = {"Domingo", "Segunda", "Terca", "Quarta",
                                              "Quinta",  "Sexta",   "Sabado"};
const std::array<const char*, 12> kMonths = {"Janeiro", "Fevereiro", "Marco",    "Abril",
                                             "Maio",    "Junho",     "Julho",    "Agosto",
                                             "Setembro", "Outubro",  "Novembro", "Dezembro"};

std::string cut(const std::string& s, size_t n) { return s.size() > n ? s.substr(0, n) : s; }

}  // namespace

void appendWordNames(std::vector<std::string>& out, const std::string& words, bool feminine) {
    std::vector<std::string> list;
    size_t i = 0;
    while (i < words.size()) {
        while (i < words.size() && words[i] == ' ') ++i;
        size_t j = i;
        while (j < words.size() && words[j] != ' ') ++j;
        if (j > i) list.push_back(words.substr(i, j - i));
        i = j;
    }
    for (size_t k = 0; k < list.size(); ++k) {
        std::string name = numberWordFile(list[k]);
        if (feminine && k + 1 == list.size()) {
            if (name == "_um") name = "_uma";
            else if (name == "_dois") name = "_duas";
        }
        out.push_back(name);
    }
}

std::string numberWordFile(const std::string& word) {
    std::string w = word == "dezessete" ? "dezeset" : word;
    const char aTilde = char(0xE3), oTilde = char(0xF5);
    for (char& c : w) {
        if (c == aTilde) c = 'a';
        else if (c == oTilde) c = 'o';
    }
    return cut("_" + w, 8);
}

std::string numberToWords(const std::string& digits) {
    return util::numberWords(digits, util::NumberSpelling::WordFiles);
}

std::vector<std::string> timeWordFiles(int hour, int minute) {
    std::vector<std::string> names;
    appendWordNames(names, numberToWords(std::to_string(hour)), true);
    names.push_back(hour == 0 || hour == 1 ? "_hora" : "_horas");
    if (minute != 0) {
        appendWordNames(names, numberToWords(std::to_string(minute)), false);
        names.push_back(minute == 1 ? "_minuto" : "_minutos");
    }
    return names;
}

std::vector<std::pair<std::string, std::string>> numberRecordings() {
    // What each file says, as espeak should read it (accents the names lack).
    std::vector<std::pair<std::string, std::string>> out;
    auto add = [&](const std::string& name, const std::string& text) {
        for (const auto& e : out)
            if (e.first == name) return;
        out.emplace_back(name, text);
    };
    auto addWords = [&](const std::string& words) {
        size_t i = 0;
        while (i < words.size()) {
            while (i < words.size() && words[i] == ' ') ++i;
            size_t j = i;
            while (j < words.size() && words[j] != ' ') ++j;
            if (j > i) {
                std::string w = words.substr(i, j - i);
                add(numberWordFile(w), w == "tres" ? plat::cp("três") : w);
            }
            i = j;
        }
    };
    for (int n = 0; n < 1000; ++n) addWords(numberToWords(std::to_string(n)));
    for (const char* n : {"1000", "1000000", "2000000", "1000000000", "2000000000", "1000000000000", "2000000000000"})
        addWords(numberToWords(n));
    add("_uma", "uma");
    add("_duas", "duas");
    add("_hora", "hora");
    add("_horas", "horas");
    add("_minuto", "minuto");
    add("_minutos", "minutos");
    add("_primeir", "primeiro");
    add("_de", "de");
    const char* weekdaySaid[7] = {"domingo", "segunda", "terça", "quarta", "quinta", "sexta", "sábado"};
    for (int d = 0; d < 7; ++d) add(cut(std::string("_") + kWeekdays[d], 8), plat::cp(weekdaySaid[d]));
    for (int m = 0; m < 12; ++m) {
        std::string said = kMonths[m];
        said[0] = char(said[0] + 32);
        if (m == 2) said = plat::cp("março");
        add(cut(std::string("_") + kMonths[m], 8), said);
    }
    return out;
}

std::vector<std::string> dateWordFiles(int day, int month, int year, int weekday) {
    std::vector<std::string> names;
    if (weekday >= 0 && weekday < 7) names.push_back(cut(std::string("_") + kWeekdays[weekday], 8));
    if (day == 1) names.push_back("_primeir");
    else appendWordNames(names, numberToWords(std::to_string(day)), false);
    names.push_back("_de");
    if (month >= 1 && month <= 12) names.push_back(cut(std::string("_") + kMonths[month - 1], 8));
    names.push_back("_de");
    if (year >= 2000) appendWordNames(names, numberToWords("2000"), false);
    if (year > 2000) names.push_back("_e");
    const int lastTwo = ((year % 100) + 100) % 100;
    if (lastTwo != 0) appendWordNames(names, numberToWords(std::to_string(lastTwo)), false);
    return names;
}

}  // namespace speech
