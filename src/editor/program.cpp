// The game's program: its menu, creation, generation from the places, association
// and the outside text editor.
#include "editor/program.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>

#include "catalog/catalog.h"
#include "console/config.h"
#include "console/console.h"
#include "console/menu.h"
#include "console/textwin.h"
#include "game/folders.h"
#include "game/model.h"
#include "game/session.h"
#include "game/text.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "platform/process.h"
#include "speech/wave.h"
#include "util/text.h"

extern char** environ;

namespace editor {

namespace {

ProgramState gProgram;

constexpr uint8_t kEsc = 27;

std::string currentGameFile() { return game::session().currentGameFile; }

bool endsWithNoCase(const std::string& s, const char* suffix) {
    const std::string suf(suffix);
    return s.size() >= suf.size() && util::upperLatin(std::string_view(s).substr(s.size() - suf.size())) == suf;
}

// A string literal: a quote inside is doubled, so an answer holding one stays one value.
std::string quoted(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        out += c;
        if (c == '"') out += '"';
    }
    return out + "\"";
}

// ---- starting the editor ---------------------------------------------------------

// A program on the PATH, or empty.
std::string findInPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (!path) return std::string();
    std::string all(path);
    size_t start = 0;
    for (;;) {
        size_t colon = all.find(':', start);
        std::string dir = all.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (dir.empty()) dir = ".";
        const std::string candidate = dir + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        if (colon == std::string::npos) return std::string();
        start = colon + 1;
    }
}

// The user's own editor: $VISUAL, else $EDITOR (a command line, arguments allowed).
std::string userEditor() {
    for (const char* var : {"VISUAL", "EDITOR"}) {
        const char* v = std::getenv(var);
        if (v && *util::trim(v).c_str()) return util::trim(v);
    }
    return std::string();
}

// How a terminal emulator is asked to run a command after its own options.
struct Terminal {
    const char* name;
    std::vector<std::string> before;  // options that precede the command
};

// The user's choice first; --wait keeps gnome-terminal until its window closes.
bool terminalFor(std::string& program, std::vector<std::string>& args) {
    static const Terminal kTerminals[] = {
        {"x-terminal-emulator", {"-e"}}, {"xterm", {"-e"}},         {"gnome-terminal", {"--wait", "--"}},
        {"konsole", {"-e"}},             {"xfce4-terminal", {"-x"}}, {"mate-terminal", {"-x"}},
        {"alacritty", {"-e"}},           {"kitty", {}},
        {"foot", {}},
    };
    if (const char* t = std::getenv("TERMINAL")) {
        std::string found = *t ? findInPath(t) : std::string();
        if (!found.empty() || (*t && ::access(t, X_OK) == 0)) {
            program = found.empty() ? std::string(t) : found;
            args = {"-e"};
            for (const Terminal& term : kTerminals)
                if (program.size() >= std::string(term.name).size() &&
                    program.compare(program.size() - std::string(term.name).size(), std::string::npos, term.name) == 0)
                    args = term.before;
            return true;
        }
    }
    for (const Terminal& term : kTerminals) {
        std::string found = findInPath(term.name);
        if (found.empty()) continue;
        program = found;
        args = term.before;
        return true;
    }
    return false;
}

// Runs a program on our own terminal and waits for it: the terminal front lets go
// of the terminal meanwhile and paints the screen again afterwards.
int runInTerminal(const std::string& program, const std::vector<std::string>& args) {
    speech::stopPlayback();
    const bool ownTerminal = plat::haveFront() && plat::front().drawsOnTerminal();
    if (ownTerminal) plat::front().close();
    std::vector<std::string> all;
    all.push_back(program);
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    // Same process group and standard streams: the editor is the terminal's foreground job.
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
    int status = 0;
    bool ran = false;
    if (rc == 0) {
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        // 127: the shell could not find the editor.
        ran = !(WIFEXITED(status) && WEXITSTATUS(status) == 127);
    }
    if (ownTerminal) {
        plat::front().open(plat::WindowSettings());
        con::repaintAll();
    }
    return ran ? 0 : -1;
}

int defaultLauncher(const std::string& program, const std::vector<std::string>& args, bool inTerminal) {
    // Tests and automation never start programs.
    if (!plat::haveFront() || plat::front().unattended()) return -1;
    if (inTerminal) return runInTerminal(program, args);
    return plat::spawnProgram(program, args);
}

// Splits an EDITOR setting: a leading double-quoted part is the program and the
// rest its arguments; otherwise the whole text is the program, blanks included.
void splitSetting(const std::string& setting, std::string& program, std::vector<std::string>& args) {
    if (!setting.empty() && setting[0] == '"') {
        size_t close = setting.find('"', 1);
        program = setting.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        std::string rest = close == std::string::npos ? std::string() : setting.substr(close + 1);
        size_t i = 0;
        while (i < rest.size()) {
            while (i < rest.size() && rest[i] == ' ') ++i;
            if (i >= rest.size()) break;
            std::string arg;
            if (rest[i] == '"') {
                size_t q = rest.find('"', i + 1);
                arg = rest.substr(i + 1, q == std::string::npos ? std::string::npos : q - i - 1);
                i = q == std::string::npos ? rest.size() : q + 1;
            } else {
                size_t sp = rest.find(' ', i);
                arg = rest.substr(i, sp == std::string::npos ? std::string::npos : sp - i);
                i = sp == std::string::npos ? rest.size() : sp;
            }
            args.push_back(plat::cp1252ToUtf8(arg));
        }
    } else {
        program = setting;
    }
    program = util::trim(program);
}

// Waits for the author to come back from the editor: the editor's end, or a key
// typed in our own window (the author is back while it stays open).
void waitForReturn(int pid) {
    if (pid > 0) {
        while (plat::processRunning(pid) && !con::keyPressed()) con::delayMs(100);
        con::flushKeys();
    }
    const int ms = con::settings().programReturnWaitMs;
    if (ms > 0) con::delayMs(ms);
}

}  // namespace

ProgramState& programState() { return gProgram; }
void resetProgramState() { gProgram = ProgramState(); }

EditorCommand editorCommand(const std::string& file, bool onTerminal) {
    EditorCommand c;
    const std::string target = plat::mapPath(file);
    const std::string setting = util::trim(con::settings().editor);
    const bool tty = onTerminal;
    if (!setting.empty()) {
        std::string program;
        splitSetting(setting, program, c.args);
        // A Windows-style or relative path names a file; a bare name is looked up in PATH.
        const bool path = program.find_first_of("\\/:") != std::string::npos || plat::fileExists(program);
        c.program = path ? plat::mapPath(program) : plat::cp1252ToUtf8(program);
        if (path && c.program.find('/') == std::string::npos) c.program = "./" + c.program;
        c.args.push_back(target);
        c.inTerminal = tty;
        return c;
    }
    const std::string own = userEditor();
    if (!own.empty()) {
        // The shell reads the setting as the user wrote it ("emacs -nw", "code --wait").
        std::vector<std::string> shell = {"-c", own + " \"$@\"", "editor", target};
        if (tty) {
            c.program = "/bin/sh";
            c.args = shell;
            c.inTerminal = true;
            return c;
        }
        std::string term;
        std::vector<std::string> before;
        if (terminalFor(term, before)) {
            c.program = term;
            c.args = before;
            c.args.push_back("/bin/sh");
            c.args.insert(c.args.end(), shell.begin(), shell.end());
            return c;
        }
    }
    c.program = "xdg-open";
    c.args = {target};
    c.viaDesktop = true;
    return c;
}

std::string defaultProgramName(const std::string& gameFile) {
    std::string base = gameFile;
    if (endsWithNoCase(base, ".LUD")) base.resize(base.size() - 4);
    return base + ".pro";
}

std::string programNameFromAnswer(const std::string& answer) {
    std::string name = util::trim(answer);
    if (name.empty()) return name;
    if (!endsWithNoCase(name, ".PRO")) name += ".pro";
    return name;
}

// The subroutine a transcribed program calls when the pupil presses Esc: the
// question the play loop asks, and the end on S.
constexpr const char* kConfirmLabel = "#confirma-fim";

std::string programText(const game::TJogo& g, bool transcribe) {
    std::string out;
    auto line = [&out](const std::string& text) {
        out += text;
        out += "\r\n";
    };
    auto isSet = [](const std::string& s) { return !util::trimView(s).empty(); };
    // "desvia @Name" cannot reach a label holding a blank; the quoted name can.
    auto target = [](const std::string& to) {
        const std::string name = util::trim(to);
        return name.find(' ') == std::string::npos ? "@" + name : quoted(name);
    };
    auto jump = [&target](const std::string& to) { return "        desvia " + target(to); };
    // The k-th piece (from 1) of a "|" list.
    auto piece = [](const std::string& list, int k) {
        size_t start = 0;
        for (int i = 1; i < k; ++i) {
            size_t bar = list.find('|', start);
            if (bar == std::string::npos) return std::string();
            start = bar + 1;
        }
        return list.substr(start, list.find('|', start) - start);
    };
    line(plat::cp("* Programação do jogo ") + g.general.name);
    for (int n = 1; n <= g.placeCount; ++n) {
        const game::TLugar* p = g.place(n);
        if (!p) continue;
        line("");
        line("@" + p->name);
        line("    seja $LUGAR = " + quoted(p->name));
        line("    chama remoto " + quoted(p->name));
        if (!transcribe) continue;
        // Esc asks "Confirma fim?" as plain play does; N shows the place again.
        line(std::string("    se $STATUS = \"$ESC$\" chama @") + kConfirmLabel);
        line("    se $STATUS = \"$ESC$\" desvia " + target(p->name));
        if (p->endsGame) {
            line("    termina mudo");
            continue;
        }
        const bool ok = isSet(p->placeIfRight), err = isSet(p->placeIfWrong);
        if (p->expectedAnswer.find('|') != std::string::npos && (ok || err)) {
            // Each accepted answer goes to its own place; one without a place goes
            // on to the next place, as plain play does.
            int next = n + 1;
            while (next <= g.placeCount && !g.place(next)) ++next;
            const game::TLugar* following = next <= g.placeCount ? g.place(next) : nullptr;
            int count = 1;
            for (char c : p->expectedAnswer) count += c == '|';
            for (int k = 1; k <= count; ++k) {
                const std::string answer = piece(p->expectedAnswer, k), to = piece(p->placeIfRight, k);
                std::string test = "    se $RESPOSTA = " + quoted(answer) + " ";
                if (isSet(to)) line(test + "desvia " + target(to));
                else if (err) line(test + (following ? "desvia " + target(following->name) : "termina mudo"));
            }
            if (err) line("    desvia " + target(p->placeIfWrong));
        } else if (ok) {
            line("    se $RESPOSTA = " + quoted(p->expectedAnswer));
            line(jump(p->placeIfRight));
            if (err) {
                line(plat::cp("    senão"));
                line(jump(p->placeIfWrong));
            }
            line("    fim se");
        } else if (err) {
            line("    se $RESPOSTA <> " + quoted(p->expectedAnswer));
            line(jump(p->placeIfWrong));
            line("    fim se");
        }
    }
    if (transcribe) {
        line("    termina mudo");
        line("");
        line(std::string("@") + kConfirmLabel);
        line(plat::cp("    escreve \"Confirma fim? \" &"));
        line(plat::cp("    lê $TECLA &"));
        line("    escreve $TECLA");
        line("    se $TECLA = \"S\" termina mudo");
        line("    retorna");
    }
    return out;
}

bool runEditor(const std::string& file) {
    const EditorCommand c = editorCommand(file, plat::haveFront() && plat::front().drawsOnTerminal());
    catalog::SayMessage("LUCHAEDI", 2);
    con::waitSpeech();
    EditorLauncher launch = gProgram.launcher ? gProgram.launcher : defaultLauncher;
    const int pid = launch(c.program, c.args, c.inTerminal);
    if (pid < 0) {
        catalog::SayMessage("LUERREDI", 2);
        return false;
    }
    waitForReturn(pid);
    con::waitSpeech();
    catalog::ClearRightPanel();
    return true;
}

bool createProgram(bool openEditor) {
    catalog::SayMessage("LUNOMPRG", 1);
    const int col = con::whereX(), row = con::whereY();
    std::string answer = defaultProgramName(currentGameFile());
    con::editFieldToEdge(answer, col, row, 80, true);
    con::gotoXY(col, row);
    con::write(answer);
    con::writeLn();
    const std::string name = programNameFromAnswer(answer);
    if (name.empty()) {
        catalog::SayMessage("LUDESIST", 1);
        return false;
    }
    if (plat::fileExists(name)) {
        if (!catalog::AgreeOrGiveUp("LUARQJAX", 1)) return false;
    }
    {
        std::ofstream created(plat::mapPath(name), std::ios::binary | std::ios::trunc);
        if (!created) {
            catalog::SayMessage("LUPRGNAO", 1);
            return false;
        }
    }
    game::current().general.program = name;
    if (openEditor) runEditor(name);
    return true;
}

void generateProgram() {
    if (!createProgram(false)) return;
    const std::string name = game::current().general.program;
    catalog::SayMessage("LUAPROVT", 0);
    uint8_t ch = 0, ext = 0;
    con::readKeyWithEcho(ch, ext);
    con::writeLn();
    if (ch == kEsc) {
        catalog::SayMessage("LUDESIST", 1);
        return;
    }
    const bool transcribe = !(ch == 'N' || ch == 'n');
    const std::string text = programText(game::current(), transcribe);
    std::ofstream out(plat::mapPath(name), std::ios::binary | std::ios::trunc);
    if (!out) {
        catalog::SayMessage("LUPRGNAO", 1);
        return;
    }
    out.write(text.data(), std::streamsize(text.size()));
    out.close();
    if (!out) {
        catalog::SayMessage("LUERRESC", 1);
        return;
    }
    runEditor(name);
}

void associateProgram() {
    catalog::SayMessage("LUSETPRG", 1);
    const std::string name = game::askFileName(10, "*.pro");
    if (name.empty()) {
        catalog::SayMessage("LUDESIST", 1);
        return;
    }
    con::writeLn();
    con::writeLn(name);
    game::current().general.program = name;
}

void editProgram() {
    if (game::current().general.program.empty()) {
        catalog::SayMessage("LUPRGNSL", 1);
        associateProgram();
    }
    const std::string name = game::current().general.program;
    if (!name.empty()) runEditor(name);
}

void dropProgram() {
    game::current().general.program.clear();
    catalog::SayMessage("LUPRGINB", 2);
}

void programMenu() {
    con::setWindow(1, 1, 80, 25);
    con::clearScreen();
    con::setWindowTitle("Ludivar " + currentGameFile());
    con::setTextBackground(1);
    catalog::SayMessage("LUPROAVN", 0);
    con::setTextBackground(0);
    con::writeLn();
    con::writeLn();
    catalog::SayMessage("LUOPPROG", 2);
    con::menuOpen(con::whereX(), con::whereY(), 45, 5, 4);
    for (const char* key : {"LUAUTPRG", "LUCRIPRG", "LUEDIPRG", "LUASSPRG", "LUINBPRG"}) catalog::AddMenuOption(key);
    switch (con::menuRun()) {
    case 1: generateProgram(); break;
    case 2: createProgram(true); break;
    case 3: editProgram(); break;
    case 4: associateProgram(); break;
    case 5: dropProgram(); break;
    default: catalog::SayMessage("LUDESIST", 1); break;
    }
}

}  // namespace editor
