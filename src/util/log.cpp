#include "util/log.h"

#include <cstdio>
#include <mutex>

namespace util {

namespace {

struct LogState {
    std::mutex lock;
    bool toStderr = true;
    std::string file;
};

LogState& state() {
    static LogState s;
    return s;
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
    if (!s.file.empty()) {
        if (std::FILE* f = std::fopen(s.file.c_str(), "ab")) {
            std::fwrite(text.data(), 1, text.size(), f);
            std::fclose(f);
        }
    }
}

void setLog(bool toStderr, const std::string& file) {
    LogState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.toStderr = toStderr;
    s.file = file;
}

}  // namespace util
