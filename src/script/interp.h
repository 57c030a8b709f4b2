// Inside the interpreter: its one state, the lexical readers every command shares,
// the loaded program with its pairing tables, and the command groups.
#pragma once
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "script/script.h"
#include "script/value.h"

namespace script {

constexpr int kMaxLines = 5000;
constexpr int kMaxNames = 101;
constexpr int kMaxCallDepth = 20;
constexpr int kChannelCount = 10;
// Longest text a variable, a line or a value may hold.  Commands that would build
// a longer one fail, so a runaway loop cannot eat the machine's memory.
constexpr size_t kMaxValue = size_t(1) << 20;
constexpr size_t kMaxScriptBytes = size_t(16) << 20;
// Lines run inside lines (SE ... command, CMD value): a CMD that runs itself
// would otherwise recurse until the stack gives out.
constexpr int kMaxNesting = 64;
// Parentheses inside one expression.
constexpr int kMaxExprDepth = 256;
// Lines run between two looks at the stop key: a tight loop runs some ten
// million lines a second, so it stops well within a tenth of a second.
constexpr int kStopPollLines = 4096;

using Handler = bool (*)(std::string_view arg);

enum class BlockEnd : uint8_t { None, Se, Enquanto, Repete };

struct Instr;  // a line compiled at load (compile.cpp)

// One loaded line, parsed once when the program is loaded.
struct Line {
    std::string text;        // trimmed
    std::string word;        // command word, a-z upper-cased (as the debug trace shows it)
    std::string key;         // the word upper-cased with util::upperLatin (table look-up)
    std::string arg;         // argument text, trimmed
    std::string repeteArg;   // REPETE lines: the argument upper-cased, as FIM REPETE runs it
    Handler handler = nullptr;
    bool nop = false;        // empty, comment or label
    bool seOpenerCandidate = false;  // the line, upper-cased with blanks collapsed, begins with "SE "
    bool seOpener = false;           // "SE condition" with nothing after it: opens a block
    bool senao = false;              // the line is SENAO or SENÃO
    BlockEnd fim = BlockEnd::None;   // the line is "FIM SE", "FIM ENQUANTO" or "FIM REPETE"
    std::shared_ptr<const Instr> code;  // null: run through the handler with `arg`
};

// The loaded program.  Loops and blocks pair by nesting (a program that never
// nests pairs as by nearest line), found once here from the text alone.
struct Program {
    std::vector<Line> lines;  // lines[1..count]; lines[0] unused
    // ENQUANTO or REPETE line -> its FIM line; FIM ENQUANTO or FIM REPETE -> its loop line;
    // a block's SE line -> where a false condition goes (its SENÃO or FIM SE);
    // SENÃO -> the FIM SE of its block.  0: none (a loop's end missing ends the run).
    std::vector<int> match;
    std::vector<int> nextBlockMark;  // next line that a block scan has to look at, 0: none
    std::unordered_map<std::string, int> labels;  // label (util::upperLatin) -> first line
    // Per line: its compiled code when that code is quick (reaches the front
    // only to say why it failed, never the pupil or another program; bounded
    // work), else null.
    std::vector<const Instr*> quick;
    std::string file;  // the name it was loaded by
    int count() const { return lines.empty() ? 0 : int(lines.size()) - 1; }
};

enum class ChannelMode : uint8_t { Closed, Read, Append };

struct ScriptChannel {
    bool open = false;
    bool network = false;
    ChannelMode mode = ChannelMode::Closed;
    std::FILE* file = nullptr;
    int socket = -1;                  // network channels: the connection
    std::vector<char> received;       // receive buffer, created with the connection
    size_t receivePos = 0, receiveFill = 0;
    int writeError = 0;               // a buffered write that failed, for the next ESCREVE or FECHA
};

struct DirSearch {
    std::vector<std::string> names;  // matching entries in the order found
    std::vector<bool> isDir;
    size_t next = 0;
    int wanted = 32;  // 16 folders, 32 files
    bool active = false;
};

struct State {
    Program prog;
    std::vector<Program> retired;  // replaced by DESVIA SCRIPT while a line of it still runs
    int lineCount = 0;
    int current = 1;
    bool stop = true;
    bool error = false;
    bool debug = false;
    std::array<int, kMaxCallDepth> calls{};
    int depth = 0;
    int32_t status = 0;
    HostCall host;

    std::array<Value, 26> letters;
    std::array<Value, kMaxNames> named;
    std::vector<std::string> names;  // upper case, position = number
    // Open addressing over the upper-cased name: a handler finds its variable
    // without building a key.  -1: empty.  Never more than kMaxNames used.
    static constexpr size_t kNameSlots = 256;
    std::array<int16_t, kNameSlots> nameSlots = emptyNameSlots();
    static constexpr std::array<int16_t, kNameSlots> emptyNameSlots() {
        std::array<int16_t, kNameSlots> a{};
        for (auto& x : a) x = -1;
        return a;
    }

    std::array<ScriptChannel, kChannelCount> channels;
    int refWeekday = 0;
    int32_t refTime = 0;
    DirSearch search;
    int listStart = 1;

    int nesting = 0;
    // Lines written to file channels wait in their buffers until flushWrites().
    bool unwritten = false;
    std::chrono::steady_clock::time_point lastFlush{};
    bool running = false;
    bool stopped = false;    // the stop key ended the run
    int sinceStopPoll = 0;
    std::mt19937 rng{20061206u};
    std::string keyA, keyB;  // scratch for compareKey
    std::string lineRead;    // scratch for LE #n: its capacity is kept from line to line
    std::string scratch;     // scratch for compiled text commands
};

// The one interpreter (inline: every command of every line asks for it).
extern State gState;
inline State& state() { return gState; }
// A fresh interpreter, as at program start (fixed random seed, open files closed).
void resetState();

// --- text helpers --------------------------------------------------------
// Case-insensitive (util::upperLatin) test that `s` begins with the upper-case `prefix`.
bool startsWithUpper(std::string_view s, std::string_view prefix);
std::string numberText(int64_t v);
// Assigns unless the value is too long; false then and the variable is unchanged.
bool assign(std::string* var, std::string_view value);

// --- lexical readers --------------------------------------------------------
bool toNumber(std::string_view text, int32_t& value);
bool readOperand(std::string_view& rest, std::string& out);
// Reads operands until one fails and appends them; false only when the result
// would be too long.
bool readValues(std::string_view& rest, std::string& out);
// A number operand (read, then converted).
bool readNumber(std::string_view& rest, int32_t& value);
std::string* readTarget(std::string_view& rest);
int readChannel(std::string_view& rest);  // -1 when there is none
// Removes a trailing "&" (and trims); true when there was one.
bool takeAmpersand(std::string_view& arg);
bool evaluateArithmetic(std::string_view& text, int32_t& value);
// Where evaluateArithmetic stops on this text when every variable in it holds a
// number: where it stops whenever it succeeds, since a variable that is not a
// number stops it at that variable, which no operand can end at.
bool arithmeticExtent(std::string_view text, size_t& end);
// One step of an expression as its reader evaluates it, operands first (postfix).
struct ExprStep {
    enum Kind : uint8_t { Num, Letter, Named, Neg, Add, Sub, Mul, Div };
    Kind kind = Num;
    uint8_t letter = 0;
    int32_t num = 0;
    std::string name;               // Named: upper-cased
    mutable int slot = -1;          // Named: its place in the table, while `generation` holds
    mutable unsigned generation = 0;
};
// arithmeticExtent, and the expression's steps in the order the reader reads
// its variables and applies its operators (a dropped operator has none).
bool arithmeticSteps(std::string_view text, size_t& end, std::vector<ExprStep>& steps);
// The variable's text, for reading and writing.
std::string* namedVariable(std::string_view name, bool create);
Value* namedValue(std::string_view name, bool create);

// --- the program and its run --------------------------------------------------
// `linuxPath`, when given, is where the file was found allowed: read from there.
bool loadScript(const std::string& file, const std::string& linuxPath = std::string());
// A program's text, or a line of a data file, in the working code page: UTF-8
// (with or without its mark) is converted, CP1252 kept.
std::string toWorkingCodePage(std::string text);
// Builds a program from text (lines separated by LF, CR LF or CR).
bool parseProgram(const std::string& text, Program& out);
bool executeLine(const std::string& text, bool nested);
bool findLabel(const std::string& name);
// Between lines: true when the pupil has pressed the stop key (looked at every
// kStopPollLines calls); the run then ends as stopped.
bool stopKeyPressed();
// The look itself: writes what waits too long, then lets the front see the key.
void lookAtStopKey();
Handler lookupCommand(const std::string& upperWord);

// --- compiled lines (compile.cpp) -----------------------------------------------
// Compiles every line of a loaded program whose argument has a form the compiled
// commands read exactly as their handlers do; the rest keep running by handler.
void compileProgram(Program& p);
// Runs a compiled line as runCommand runs its handler: sets the error flag.
bool runCompiled(const Instr& code);
// A line run by CMD (executeLine's nested rules): compiled once per distinct
// text and kept by it, so a program that builds the same few commands in a loop
// reads each of them once.  The debug trace runs it through its handler.
bool runLineText(const std::string& text);
// Runs quick lines from the current one on, with the run loop's rules for the
// stop key; returns at a line that is not quick, an error, the program's end or
// a stop (State::stopped).
void runQuickLines();
// Writes the texts that compiled lines left pending; a run does it before it returns.
void flushValues();
// Named variables cached by slot are found again after the table is emptied.
void forgetNameSlots();

// --- shared by the commands and their compiled forms (statements.cpp) ----------
void setNumberText(std::string* var, int64_t v);
// SOMA's rule: the number at the end of the text is counted up.
bool addToTextNumber(std::string& t, int32_t add);
// SUBTRAI, MULTIPLICA, DIVIDE ('-', '*', '/'); false on a division by zero.
bool arithmetic(int32_t a, int32_t b, char op, int32_t& result);
// PALAVRA's rule: the k-th word of the text (blank-separated), empty past the last.
std::string_view wordAt(int32_t k, std::string_view s);
// SUBSTITUI's rule: every `old` replaced by `repl`, from the end towards the
// start; false when the result would be too long.  `out` must be none of the others.
bool substitute(const std::string& text, const std::string& old, const std::string& repl, std::string& out);
// The comparison operator at the start of t (its index, -1: none) and its length.
int conditionOperator(std::string_view t, size_t& len);
bool compareValues(const std::string& left, const std::string& right, int op);

// --- statements used across groups ---------------------------------------------
bool evaluateCondition(std::string_view& rest, bool& result);
// True when the text is one whole condition ("NÃO" and two operands around an
// operator), judged by its form alone: block openers are told from one-line SE
// commands without evaluating anything.
bool isWholeCondition(std::string_view text);
void skipFalseBlock();
void skipToEnd();

// --- command groups: each registers its words --------------------------------
struct CommandEntry {
    const char* word;  // UTF-8, upper case
    Handler handler;
};
std::vector<CommandEntry> statementCommands();
std::vector<CommandEntry> consoleCommands();
std::vector<CommandEntry> fileCommands();
std::vector<CommandEntry> networkCommands();
std::vector<CommandEntry> desktopCommands();
std::vector<CommandEntry> deviceCommands();

// Channels (files.cpp).
// File writes are buffered.  They reach the disk on FECHA, before any command
// that reads or changes files, runs a program or waits for the pupil or the
// network, at least every kFlushMs of a run, and when the run ends.
constexpr int kFlushMs = 100;
void flushChannels();
inline void flushWrites() {
    if (gState.unwritten) flushChannels();
}
void closeAllChannels();
void closeChannel(int n);
// Writes to a file channel and sets the status code; false when the channel is not open.
bool writeChannel(int n, const std::string& text, bool lineEnd);
// One line of a file channel: 0 read, 1 end of file (also when not open for
// reading), above 1 an error number, -1 a line longer than a value may be.
int readChannelLine(int n, std::string& out);

// Network channels (net.cpp).
void closeNetwork(ScriptChannel& c);
// Sends a text (and CR LF); the status code becomes 1 when all of it went.
void writeNetwork(int n, const std::string& text, bool lineEnd);
// One line of a connection: 0 a whole line, 1 none (what came is in `out`).
int readNetworkLine(int n, std::string& out);
// Waits up to `ms` (real time, the console's clock kept in step) for the
// descriptor to be ready, or just waits when it is -1; the poll events, 0 when none.
int waitStep(int fd, short events, int ms);
// Esc is waiting (and taken), or the stop key was pressed: a wait for the
// outside world gives up.
bool stopKeyWaiting();

// The mouse form of LÊ (desktop.cpp): the argument after MOUSE or RATO.
bool readMouse(std::string_view arg);

}  // namespace script
