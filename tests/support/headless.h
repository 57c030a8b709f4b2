// Runs the built program through its headless front and collects screen and trace.
#pragma once
#include <string>
#include <vector>

struct HeadlessResult {
    int exitCode = -1;
    std::vector<std::string> rows;   // 25 screen lines, UTF-8, right-trimmed
    std::vector<std::string> attrs;  // 25 lines of 160 hex digits
    std::vector<std::string> trace;  // sound trace events
    std::string out, err;
    bool contains(const std::string& event) const;  // an exact trace line
    int count(const std::string& event) const;
};

// keys: the key script; args: more options; iniText: an ECOLAR.INI for the run (empty: defaults).
HeadlessResult runHeadless(const std::string& keys, const std::vector<std::string>& args = {},
                           const std::string& iniText = "");
// Environment entries ("NAME=value") given to every later run, over the test's own
// (a data folder shared by two runs, say); an empty list drops them.
void setHeadlessEnv(const std::vector<std::string>& entries);
// Attribute byte of a cell, 1-based column and row.
int attrAt(const HeadlessResult& r, int col, int row);

// A fresh temporary folder, removed at exit of the test program.
std::string tempDir();
bool writeText(const std::string& path, const std::string& text);
std::string readText(const std::string& path);
