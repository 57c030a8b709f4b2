#include "util/log.h"

#include <sys/stat.h>

#include <cstdio>
#include <mutex>

#include "util/folders.h"

namespace util {

namespace {

// Reasons are a line each: a quarter of a megabyte holds thousands of runs' worth.
constexpr uint64_t kDefaultLimit = 256 * 1024;

struct LogState {
    std::mutex lock;
    bool toStderr = true;
    std::string file;
    uint64_t limit = kDefaultLimit;
};

LogState& state() {
    static LogState s;
    return s;
}

void appendToFile(LogState& s, const std::string& text) {
    if (s.file.empty()) return;
    struct stat st;
    if (stat(s.file.c_str(), &st) == 0 && uint64_t(st.st_size) + text.size() > s.limit) {
        // the older copy goes; the current one becomes it, so a run's history stays whole
        const std::string old = s.file + ".1";
        std::rename(s.file.c_str(), old.c_str());
    }
    if (std::FILE* f = std::fopen(s.file.c_str(), "ab")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
}

}  // namespace

void log(std::string_view line) {
    LogState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    std::string text(line);
    text += '\n';
    if (s.toStderr) {
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fflush(stderr);
    }
    appendToFile(s, text);
}

void logToFileOnly(std::string_view line) {
    LogState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    std::string text(line);
    text += '\n';
    appendToFile(s, text);
}

void setLog(bool toStderr, const std::string& file) {
    LogState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.toStderr = toStderr;
    s.file = file;
}

void setLogLimit(uint64_t bytes) {
    LogState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.limit = bytes > 0 ? bytes : kDefaultLimit;
}

std::string openUserLog() {
    const std::string dir = userStateDir();
    const std::string file = makeFolders(dir) ? dir + "/ludivar.log" : std::string();
    LogState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.file = file;
    return file;
}

}  // namespace util
