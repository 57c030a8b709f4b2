// System voices: the kind fixed at open picks the service, and the few rules
// that differ by kind (what text a voice is given, how voices are numbered)
// live here, apart from the services themselves.
#include "speech/sysvoice.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "speech/sysvoice_kinds.h"

namespace speech {

namespace {

struct SysVoiceState {
    const VoiceService* service = nullptr;  // the open one
    VoiceKind kind = VoiceKind::None;
    std::string error;
    std::string voiceName;
    int nativeRate = 0;
};
SysVoiceState gSv;

const VoiceService* serviceFor(VoiceKind kind) {
    switch (kind) {
        case VoiceKind::Espeak:
        case VoiceKind::Espeak54: return &espeakService();
        case VoiceKind::Embedded: return &brisaService();
        case VoiceKind::None: return nullptr;
        case VoiceKind::Server: break;
    }
    return &speechdService();
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

int languageRank(const std::string& lang) {
    const std::string l = lower(lang);
    if (l == "pt-br" || l == "pt_br") return 0;
    if (l == "pt" || l.rfind("pt-", 0) == 0 || l.rfind("pt_", 0) == 0) return 1;
    return 2;
}

}  // namespace

bool sysvoiceOpen(VoiceKind kind, int voice, int rate, int pitch) {
    sysvoiceClose();
    gSv.error.clear();
    noteChosenVoice(std::string(), 0);
    const VoiceService* s = serviceFor(kind);
    if (!s) return false;
    std::string why;
    if (!s->open(voice, rate, pitch, why)) {
        gSv.error = std::string(s->name) + ": " + why;
        return false;
    }
    gSv.service = s;
    gSv.kind = kind;
    return true;
}

void sysvoiceSpeak(const std::string& textCp1252) {
    if (gSv.service) gSv.service->speak(textCp1252);
}

bool sysvoiceBusy() { return gSv.service && gSv.service->busy(); }

void sysvoiceStop() {
    if (gSv.service) gSv.service->stop();
}

void sysvoiceClose() {
    if (!gSv.service) return;
    const VoiceService* s = gSv.service;
    s->close();
    gSv.service = nullptr;
    gSv.kind = VoiceKind::None;
}

std::string sysvoiceError() { return gSv.error; }
std::string sysvoiceVoiceName() { return gSv.voiceName; }
int sysvoiceNativeRate() { return gSv.nativeRate; }

void noteChosenVoice(const std::string& name, int nativeRate) {
    gSv.voiceName = name;
    gSv.nativeRate = nativeRate;
}
VoiceKind sysvoiceKind() { return gSv.kind; }

bool sysvoiceLost() { return gSv.service == &speechdService() && speechdLost(); }

bool sysvoiceProducing() { return gSv.service && gSv.service->producing(); }

void sysvoicePump() {
    if (gSv.service && gSv.service->pump) gSv.service->pump();
}

// ---- rules ---------------------------------------------------------------------

VoiceKind voiceKindFromNumber(int tiposapi) {
    switch (tiposapi) {
        case 3: return VoiceKind::Embedded;
        case 5: return VoiceKind::Espeak;
        case 54: return VoiceKind::Espeak54;
        default: return VoiceKind::Server;  // every other number, 4 among them
    }
}

int voiceKindNumber(VoiceKind kind) { return int(kind); }

bool voiceText(VoiceKind kind, const std::string& text, std::string& given) {
    if (inProcessEspeak(kind)) {
        // An empty text is still one (silent) utterance, so busy and the
        // end of speech behave as for any other.
        given = text.empty() ? std::string(" ") : text;
        return true;
    }
    if (kind == VoiceKind::Embedded) {
        given = text;
        return true;
    }
    size_t a = 0, b = text.size();
    while (a < b && isBlank(text[a])) ++a;
    while (b > a && isBlank(text[b - 1])) --b;
    given = text.substr(a, b - a);
    if (given.empty()) return false;
    // A digit alone is read as a number, not as the name of a key.
    if (given.size() == 1 && given[0] >= '0' && given[0] <= '9') given += '.';
    return true;
}

std::vector<size_t> voiceOrder(const std::vector<std::string>& languages) {
    std::vector<size_t> order(languages.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t x, size_t y) {
        return languageRank(languages[x]) < languageRank(languages[y]);
    });
    return order;
}

size_t voiceIndex(int number, size_t count, bool& clamped) {
    clamped = number < 1 || size_t(number) > count;
    return clamped ? 0 : size_t(number - 1);
}

int speechdScale(int value) { return std::max(-100, std::min(100, value * 10)); }

int espeakWordsPerMinute(int rate) {
    // Ten steps make speech three times faster or slower, as users of the
    // family's voices know the scale.
    const int r = std::max(-10, std::min(10, rate));
    const double wpm = 175.0 * std::pow(3.0, r / 10.0);
    return std::max(80, std::min(450, int(std::lround(wpm))));
}

}  // namespace speech
