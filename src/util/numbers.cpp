#include "util/numbers.h"

namespace util {

namespace {

// CP1252 bytes: ê is \xEA, ü \xFC, ã \xE3, õ \xF5.
const char* const kUnitsSpoken[] = {"zero", "um", "dois", "tr\xEAs", "quatro", "cinco", "seis", "sete", "oito", "nove"};
const char* const kUnitsPlain[] = {"zero", "um", "dois", "tres", "quatro", "cinco", "seis", "sete", "oito", "nove"};
const char* const kTeens[] = {"dez",    "onze",      "doze",      "treze",   "quatorze",
                              "quinze", "dezesseis", "dezessete", "dezoito", "dezenove"};
const char* const kTensSpoken[] = {"", "", "vinte", "trinta", "quarenta", ("cinq\xFC" "enta"),
                                   "sessenta", "setenta", "oitenta", "noventa"};
const char* const kTensPlain[] = {"", "", "vinte", "trinta", "quarenta", "cinquenta",
                                  "sessenta", "setenta", "oitenta", "noventa"};
const char* const kHundreds[] = {"",           "cento",      "duzentos",  "trezentos",  "quatrocentos",
                                 "quinhentos", "seiscentos", "setecentos", "oitocentos", "novecentos"};
// Trillions, billions, millions, thousands: one and many.
const char* const kScaleOne[] = {"trilh\xE3o", "bilh\xE3o", "milh\xE3o", "mil"};
const char* const kScaleMany[] = {"trilh\xF5" "es", "bilh\xF5" "es", "milh\xF5" "es", "mil"};

// Three digits ("000" to "999") in words; "" for "000".
std::string groupWords(std::string_view g, const char* const* units, const char* const* tens) {
    if (g == "000") return "";
    if (g == "100") return "cem";
    const int h = g[0] - '0', t = g[1] - '0', u = g[2] - '0';
    std::string w;
    if (h != 0) {
        w += kHundreds[h];
        if (t == 0 && u == 0) return w;
        w += " e ";
    }
    if (t == 1) return w + kTeens[u];
    if (t != 0) {
        w += tens[t];
        if (u == 0) return w;
        w += " e ";
    }
    return w + units[u];
}

}  // namespace

std::string numberWords(std::string_view digits, NumberSpelling spelling) {
    const bool spoken = spelling == NumberSpelling::Spoken;
    const char* const* units = spoken ? kUnitsSpoken : kUnitsPlain;
    const char* const* tens = spoken ? kTensSpoken : kTensPlain;
    std::string d;
    for (char c : digits) {
        if (c < '0' || c > '9') break;
        if (d.empty() && c == '0') continue;
        d += c;
    }
    if (d.empty()) return "zero";
    if (d.size() > 15) {
        std::string w;
        for (char c : d) {
            if (!w.empty()) w += ' ';
            w += units[c - '0'];
        }
        return w;
    }
    d.insert(0, 15 - d.size(), '0');
    std::string groups[5];
    int last = 0;
    for (int i = 0; i < 5; ++i) {
        const std::string_view g = std::string_view(d).substr(size_t(i) * 3, 3);
        groups[i] = groupWords(g, units, tens);
        if (groups[i].empty()) continue;
        if (i < 4) groups[i] += std::string(" ") + (g == "001" ? kScaleOne[i] : kScaleMany[i]) + " ";
        last = i;
    }
    std::string out;
    bool earlier = false;
    for (int i = 0; i < 5; ++i) {
        if (groups[i].empty()) continue;
        if (i == last && earlier) out += "e ";
        out += groups[i];
        earlier = true;
    }
    // "mil", never "um mil"; but "um milhão" keeps its "um".
    if (out.compare(0, 6, "um mil") == 0 && out.compare(0, 7, "um milh") != 0) out.erase(0, 3);
    return out;
}

}  // namespace util
