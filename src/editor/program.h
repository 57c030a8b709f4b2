// The game's program: option P of the editor's menu.  Creating the program file,
// generating it from the places' simple settings, associating or dropping it, and
// handing it to a text editor while we wait for the author to come back.
// Names are CP1252 texts as the game stores them (Windows style accepted).
#pragma once
#include <string>
#include <vector>

#include "game/model.h"

namespace editor {

// Starts the text editor.  program: a Linux path or a name looked up in PATH;
// args: its arguments; inTerminal: it needs our terminal (the terminal front hands
// the terminal over and takes it back).  Returns a process id to wait for (> 0),
// 0 when it was started but there is nothing to wait for, or -1 on failure.
using EditorLauncher = int (*)(const std::string& program, const std::vector<std::string>& args,
                               bool inTerminal);

struct ProgramState {
    // Tests put a recorder here; without one the program starts editors itself,
    // except in the headless front, which never starts anything.
    EditorLauncher launcher = nullptr;
};
ProgramState& programState();
void resetProgramState();

// How the editor is started: program and arguments, and whether it runs in our terminal.
struct EditorCommand {
    std::string program;              // Linux path or a name for the PATH look-up (UTF-8)
    std::vector<std::string> args;    // UTF-8
    bool inTerminal = false;
    bool viaDesktop = false;          // no editor known: the desktop's association opens the file
};
// The command for `file` (CP1252): the [LUDIVAR] EDITOR setting when there is one
// (a leading double-quoted part is the program, the rest its arguments; otherwise
// the whole setting is one program, blanks included); else $VISUAL or $EDITOR,
// in the terminal itself (terminal front) or in a terminal emulator (window
// front); else the desktop's association.  `onTerminal`: the front draws on the terminal.
EditorCommand editorCommand(const std::string& file, bool onTerminal);

// The program name proposed for a game file: ".lud" (any case) removed, ".pro" added.
std::string defaultProgramName(const std::string& gameFile);
// A typed program name made final: trimmed, ".pro" added unless it ends in ".PRO"
// (any case).  Empty when the answer is empty.
std::string programNameFromAnswer(const std::string& answer);
// The text generateProgram writes (CP1252, one "\r\n" after every line).
// transcribe: the places' answers and destinations become tests and jumps.
std::string programText(const game::TJogo& g, bool transcribe);

// Option P: the menu of the five actions below.
void programMenu();
// Writes a program made from the places and opens it in the editor.
void generateProgram();
// Asks for a program name, creates the file empty and makes it the game's program;
// openEditor then edits it.  False when the author gave up or the file failed.
bool createProgram(bool openEditor);
// Edits the game's program, asking for one first when the game has none.
void editProgram();
// Makes an existing file the game's program.
void associateProgram();
// The game goes back to playing without a program.
void dropProgram();
// Opens the file in the text editor and waits for the author's return.  False when
// the editor could not be started.
bool runEditor(const std::string& file);

}  // namespace editor
