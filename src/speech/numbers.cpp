// Numbers, the time and the date as the names of recorded word files of the
// letters folder.  Pure: the voice builder uses it to know what to record.
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "speech/synth.h"

namespace speech {

namespace {

const std::array<const char*, 10> kUnits = {"zero", "um",   "dois", "tres", "quatro",
                                            "cinco", "seis", "sete", "oito", "nove"};
const std::array<const char*, 10> kTeens = {"dez",    "onze",      "doze",      "treze",   "quatorze",
                                            "quinze", "dezesseis", "dezessete", "dezoito", "dezenove"};
const std::array<const char*, 10> kTens = {"", "", "vinte", "trinta", "quarenta", "cinquenta",
                                           "sessenta", "setenta", "oitenta", "noventa"};
const std::array<const char*, 10> kHundreds = {"",           "cento",      "duzentos",  "trezentos",
                                               "quatrocentos", "quinhentos", "seiscentos", "setecentos",
                                               "oitocentos",  "novecentos"};
const std::array<const char*, 4> kScaleOne = {"trilhão ", "bilhão ", "milhão ", "mil "};
const std::array<const char*, 4> kScaleMany = {"trilhões ", "bilhões ", "milhões ", "mil "};
const std::array<const char*, 7> kWeekdays = {"Domingo", "Segunda", "Terca", "Quarta",
                                              "Quinta",  "Sexta",   "Sabado"};
const std::array<const char*, 12> kMonths = {"Janeiro", "Fevereiro", "Marco",    "Abril",
                                             "Maio",    "Junho",     "Julho",    "Agosto",
                                             "Setembro", "Outubro",  "Novembro", "Dezembro"};

std::string groupWords(const char* g) {
    if (std::strncmp(g, "000", 3) == 0) return "";
    if (std::strncmp(g, "100", 3) == 0) return "cem";
    const int h = g[0] - '0', t = g[1] - '0', u = g[2] - '0';
    std::string w;
    if (h != 0) {
        w += kHundreds[h];
        if (t == 0 && u == 0) return w;
        w += " e ";
    }
    if (t == 1) return w + kTeens[u];
    if (t != 0) {
        w += kTens[t];
        if (u == 0) return w;
        w += " e ";
    }
    if (u != 0) w += kUnits[u];
    return w;
}

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
    std::string d;
    for (char c : digits) {
        if (c < '0' || c > '9') break;
        if (d.empty() && c == '0') continue;
        d += c;
    }
    if (d.empty()) return "zero";
    if (d.size() > 15) {
        // Beyond the trillions there are no words: say the digits one by one.
        std::string w;
        for (char c : d) {
            if (!w.empty()) w += ' ';
            w += kUnits[c - '0'];
        }
        return w;
    }
    d = std::string(15 - d.size(), '0') + d;
    std::array<std::string, 5> g;
    int last = 4;
    for (int i = 0; i < 5; ++i) {
        g[i] = groupWords(d.c_str() + 3 * i);
        if (i < 4 && !g[i].empty())
            g[i] += std::string(" ") + plat::cp(d.compare(3 * i, 3, "001") == 0 ? kScaleOne[i] : kScaleMany[i]);
    }
    for (int i = 4; i >= 0; --i)
        if (!g[i].empty()) {
            last = i;
            break;
        }
    std::string out;
    bool earlier = false;
    for (int i = 0; i < 5; ++i) {
        if (g[i].empty()) continue;
        if (i == last && earlier) out += "e ";
        out += g[i];
        earlier = true;
    }
    if (out.compare(0, 6, "um mil") == 0 && out.compare(0, 7, "um milh") != 0) out.erase(0, 3);
    return out;
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
