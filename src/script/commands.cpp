// Commands that talk to the user: the screen, colours, writing and speaking,
// tones, reading lines and keys, media, pictures and the list-view menu.
#include <cstdio>
#include <filesystem>
#include <unistd.h>

#include "console/console.h"
#include "speech/lexicon.h"
#include "console/menu.h"
#include "console/textwin.h"
#include "platform/files.h"
#include "platform/mci.h"
#include "platform/platform.h"
#include "safety/budget.h"
#include "safety/safety.h"
#include "script/interp.h"
#include "util/text.h"

namespace script {

namespace {

inline bool isDigit(char c) { return c >= '0' && c <= '9'; }

const char* const kFileError = "Erro no processamento de arquivo";

// How a key read by a script is stored: the character, "#" and the code for
// control keys, "#0#" and the extended code for extended keys.
std::string keyText(uint8_t key, uint8_t ext) {
    if (key >= 32) return std::string(1, char(key));
    if (key > 0) return "#" + numberText(key);
    return "#0#" + numberText(ext);
}

bool cmdTela(std::string_view arg) {
    if (arg.empty()) return false;
    std::string up = util::upperLatin(arg);
    if (up.size() == 1 && up[0] >= 'A' && up[0] <= 'Z') up = state().letters[size_t(up[0] - 'A')].view();
    if (up == "LIMPA") {
        con::clearScreen();
        return true;
    }
    if (up == "MINIMIZADA" || up == "NORMAL") {
        con::setWindowMinimized(up == "MINIMIZADA");
        return true;
    }
    if (!up.empty() && up[0] == '@') {
        size_t comma = up.find(',');
        if (comma == std::string::npos) return false;
        int32_t col, row;
        if (!toNumber(util::trimView(std::string_view(up).substr(1, comma - 1)), col) ||
            !toNumber(util::trimView(std::string_view(up).substr(comma + 1)), row))
            return false;
        con::gotoXY(col, row);
        return true;
    }
    return false;
}

bool cmdCor(std::string_view arg) {
    int32_t v;
    if (!readNumber(arg, v)) return false;
    con::setTextColor(v);
    return true;
}

bool cmdFundo(std::string_view arg) {
    int32_t v;
    if (!readNumber(arg, v)) return false;
    con::setTextBackground(v);
    return true;
}

bool cmdEscreve(std::string_view arg) {
    State& s = state();
    s.status = 0;
    bool noLineEnd = takeAmpersand(arg);
    int channel = -1;
    bool mute = false;
    if (!arg.empty() && arg[0] == '#') {
        arg.remove_prefix(1);
        if (arg.empty() || !isDigit(arg[0])) {
            con::writeLineAndSpeak(kFileError);
            return false;
        }
        channel = arg[0] - '0';
        arg.remove_prefix(1);
    } else if (startsWithUpper(arg, "MUDO")) {
        arg.remove_prefix(4);
        mute = true;
    }
    arg = util::trimView(arg);
    std::string text;
    if (arg.empty()) {
        noLineEnd = false;
    } else if (!readValues(arg, text)) {
        return false;  // the text would be too long
    }
    if (channel >= 0 && s.channels[size_t(channel)].network) {
        writeNetwork(channel, text, !noLineEnd);
    } else if (channel >= 0) {
        const ScriptChannel& c = s.channels[size_t(channel)];
        if (c.open && c.mode == ChannelMode::Append && !safety::chargeWrite(text.size() + (noLineEnd ? 0 : 2))) {
            safety::sayWriteBudgetSpent("#" + numberText(channel));
            return false;
        }
        if (!writeChannel(channel, text, !noLineEnd)) con::writeLineAndSpeak(kFileError);
    } else {
        if (noLineEnd) con::write(text);
        else con::writeLn(text);
        if (!mute) {
            flushWrites();  // the line is spoken: the program waits for the pupil to hear it
            speech::GameTexts own;
            con::speak(text);
        }
    }
    if (!arg.empty()) return false;
    con::waitSpeech();
    return true;
}

bool cmdFala(std::string_view arg) {
    bool noWait = takeAmpersand(arg);
    if (arg.empty()) {
        con::stopSpeech();
        if (!noWait) con::waitSpeech();
        return true;
    }
    std::string text;
    if (!readValues(arg, text)) return false;
    {
        speech::GameTexts own;
        con::speak(text);
    }
    if (!noWait) con::waitSpeech();
    return arg.empty();
}

bool cmdBipa(std::string_view arg) {
    std::string v = "0";
    if (!arg.empty() && !readOperand(arg, v)) return false;
    if (v == "1") con::click();
    else con::errorBeep();
    return true;
}

enum class ReadMode { Normal, Edit, Silent, Hidden };

bool cmdLe(std::string_view arg) {
    State& s = state();
    s.status = 0;
    arg = util::trimView(arg);
    if (arg.empty()) {
        con::readLineRaw();
        return true;
    }
    if (startsWithUpper(arg, "MOUSE ")) return readMouse(arg.substr(6));
    if (startsWithUpper(arg, "RATO ")) return readMouse(arg.substr(5));
    bool keyMode = takeAmpersand(arg);
    if (keyMode && arg.empty()) {
        con::readKey();
        return true;
    }
    int channel = -1;
    ReadMode mode = ReadMode::Normal;
    if (!arg.empty() && arg[0] == '#') {
        channel = readChannel(arg);
        if (channel < 0 || arg.empty()) {
            con::writeLineAndSpeak(kFileError);
            return false;
        }
    } else if (startsWithUpper(arg, "EDITA")) {
        arg.remove_prefix(5);
        mode = ReadMode::Edit;
    } else if (startsWithUpper(arg, "MUDO")) {
        arg.remove_prefix(4);
        mode = ReadMode::Silent;
    } else if (startsWithUpper(arg, "SENHA")) {
        arg.remove_prefix(5);
        mode = ReadMode::Hidden;
    }
    std::string* var = readTarget(arg);
    if (!var) return false;

    if (channel >= 0 && s.channels[size_t(channel)].network) {
        std::string line;
        s.status = readNetworkLine(channel, line);
        return assign(var, line);
    }
    if (channel >= 0) {
        std::string line;
        int rc = readChannelLine(channel, line);
        if (rc < 0) return false;  // a line longer than any value may be
        s.status = rc;
        *var = rc == 0 ? std::move(line) : std::string();
        return true;
    }
    bool quiet = mode == ReadMode::Silent || mode == ReadMode::Hidden;
    if (keyMode) {
        uint8_t k = quiet ? con::readKey() : con::readKeyAndSpeak();
        uint8_t ext = k == 0 ? con::readKey() : 0;
        *var = keyText(k, ext);
        return true;
    }
    uint8_t saved = con::textAttr();
    if (mode == ReadMode::Hidden) con::setTextAttr(0);
    std::string text;
    if (quiet) {
        text = con::readLineRaw();
    } else if (mode == ReadMode::Edit) {
        text = *var;
        if (con::editFieldToEdge(text, con::whereX(), con::whereY(), 80, true) == 27) text.clear();
    } else {
        con::readLine(text);
    }
    con::setTextAttr(saved);
    return assign(var, text);
}

// Sends a media command; replies come back in a 255-byte buffer.
std::string mci(const std::string& command) {
    std::string reply;
    media::mciSend(command, &reply);
    if (reply.size() > 254) reply.resize(254);
    return reply;
}

// Media and pictures are read by name further down: the game's reach is
// settled here, with the status any refused read leaves.
bool mayReadMedia(const std::string& name) {
    safety::ReadCheck c = safety::checkRead(name);
    if (c != safety::ReadCheck::Refused) return c == safety::ReadCheck::Ok;
    safety::sayRefused(name);
    state().status = 5;  // access denied, as the file layer reports it
    return false;
}

// The file a media command string opens: the element of "open" (after any
// "type!"), or a device name that is a file's ("play som.wav" opens it itself).
std::string mediaFileOf(const std::string& command) {
    std::string_view c = util::trimView(command);
    size_t sp = c.find_first_of(" \t");
    if (sp == std::string_view::npos) return std::string();
    std::string verb = util::upperLatin(c.substr(0, sp));
    std::string_view rest = util::trimView(c.substr(sp));
    std::string element;
    if (!rest.empty() && rest[0] == '"') {
        size_t q = rest.find('"', 1);
        element = std::string(rest.substr(1, q == std::string_view::npos ? std::string_view::npos : q - 1));
    } else {
        element = std::string(rest.substr(0, rest.find_first_of(" \t")));
    }
    size_t bang = element.find('!');
    if (bang != std::string::npos) element = element.substr(bang + 1);
    if (verb == "OPEN") return element;
    return element.find_first_of(".\\/:") == std::string::npos ? std::string() : element;
}

bool cmdToca(std::string_view arg) {
    bool background = takeAmpersand(arg);
    std::string name;
    if (!readOperand(arg, name) || !arg.empty()) return false;
    if (!mayReadMedia(util::trim(name))) return false;
    if (background) {
        mci("play " + name);
        return true;
    }
    mci("open \"" + name + "\" alias myfile");
    mci("play myfile");
    for (;;) {
        con::delayMs(100);
        std::string mode = mci("status myfile mode");
        if (con::keyPressed() || mode != "playing") break;
    }
    con::flushKeys();
    mci("stop myfile");
    mci("close myfile");
    return true;
}

bool cmdMci(std::string_view arg) {
    std::string* var = readTarget(arg);
    if (!var) return false;
    std::string command;
    if (!readOperand(arg, command) || !arg.empty()) return false;
    if (!mayReadMedia(mediaFileOf(command))) return false;
    *var = mci(command);
    return true;
}

bool endsWithUpper(const std::string& s, const char* suffix) {
    std::string_view suf(suffix);
    if (s.size() < suf.size()) return false;
    return util::upperLatin(std::string_view(s).substr(s.size() - suf.size())) == suf;
}

// A fresh file of our own for the converted picture: made with O_EXCL under a
// random name, so nothing placed in the shared temporary folder beforehand (a
// link to another file) is written through.  Empty when none can be made.
std::string temporaryBitmap() {
    std::error_code ec;
    std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
    if (ec) dir = "/tmp";
    std::string name = (dir / "ludivar-XXXXXX.bmp").string();
    int fd = ::mkstemps(&name[0], 4);
    if (fd < 0) return std::string();
    ::close(fd);
    return name;
}

bool cmdImagem(std::string_view arg) {
    if (arg.empty()) {
        con::hideBitmap();
        return true;
    }
    bool lenient = takeAmpersand(arg);
    std::string file;
    if (!readOperand(arg, file)) return false;
    int32_t x = 0, y = 0;
    if (!arg.empty() && (!readNumber(arg, x) || !readNumber(arg, y) || !arg.empty())) return false;
    con::hideBitmap();
    std::string name = util::trim(file);
    if (name.empty()) return true;
    if (!mayReadMedia(name)) return lenient;
    std::string temp;
    if ((endsWithUpper(name, ".JPG") || endsWithUpper(name, ".JPEG")) && plat::fileExists(name)) {
        temp = temporaryBitmap();
        if (!temp.empty() && media::jpegToBmp(name, plat::utf8ToCp1252(temp))) name = plat::utf8ToCp1252(temp);
    }
    bool shown = con::showBitmap(name);
    if (shown) con::drawBitmap(x, y);
    if (!temp.empty()) ::unlink(temp.c_str());
    return shown || lenient;
}

// The menu grows with every item (up to tens of thousands of texts of up to a
// megabyte): with the variables it must stay within the program's memory budget.
// Its size is kept as items come, counted again when the list was emptied.
bool menuFits(size_t adding) {
    static size_t counted = 0, bytes = 0;
    const std::vector<con::ListItem>& items = con::listState().items;
    if (items.size() < counted) counted = bytes = 0;
    for (; counted < items.size(); ++counted) bytes += items[counted].text.size();
    size_t total = bytes + adding;
    State& s = state();
    for (const Value& v : s.letters) total += v.size();
    for (const Value& v : s.named) total += v.size();
    return total <= safety::kProgramMemoryBytes;
}

bool cmdMenu(std::string_view arg) {
    State& s = state();
    if (startsWithUpper(arg, "CRIA")) {
        arg = util::trimView(arg.substr(4));
        int32_t x1, y1, x2, y2;
        if (!readNumber(arg, x1) || !readNumber(arg, y1) || !readNumber(arg, x2) || !readNumber(arg, y2))
            return false;
        con::listOpen(x1, y1, x2, y2);
        s.listStart = 1;
        return arg.empty();
    }
    if (startsWithUpper(arg, "ADICIONA")) {
        arg = util::trimView(arg.substr(8));
        std::string item;
        if (!readOperand(arg, item)) return false;
        if (!menuFits(item.size())) {
            safety::sayMemorySpent();
            return false;
        }
        con::listAdd(item);
        return arg.empty();
    }
    if (startsWithUpper(arg, "TERMINA")) {
        arg = util::trimView(arg.substr(7));
        con::listClear();
        con::listClose();
        return arg.empty();
    }
    if (startsWithUpper(arg, "EXECUTA")) {
        arg = util::trimView(arg.substr(7));
        std::string* number = readTarget(arg);
        std::string* key = number ? readTarget(arg) : nullptr;
        std::string* text = key ? readTarget(arg) : nullptr;
        if (!text) return false;
        con::ListResult r;
        do {
            int32_t start;
            if (toNumber(util::trimView(*number), start)) s.listStart = start < 1 ? 1 : start;
            r = con::listRun(s.listStart, true);
            // Extended keys other than F1-F12 (the arrows at the sides) do not end the menu.
        } while (r.key == 0 && !(r.ext >= 59 && r.ext <= 70));
        *number = numberText(r.item);
        *key = keyText(r.key, r.ext);
        *text = r.valid ? con::listItem(r.item).text : std::string();
        return arg.empty();
    }
    return false;
}

}  // namespace

std::vector<CommandEntry> consoleCommands() {
    return {
        {"TELA", cmdTela},   {"COR", cmdCor},     {"FUNDO", cmdFundo},   {"ESCREVE", cmdEscreve},
        {"FALA", cmdFala},   {"BIPA", cmdBipa},   {"LÊ", cmdLe},         {"LE", cmdLe},
        {"TOCA", cmdToca},   {"MCI", cmdMci},     {"IMAGEM", cmdImagem}, {"MENU", cmdMenu},
    };
}

}  // namespace script
