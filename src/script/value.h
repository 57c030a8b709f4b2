// A variable's value: its text, and beside it the integer that text stands for
// when arithmetic set it or it was read as a number.  Arithmetic keeps only the
// integer and the text is written when something reads it as text, so a loop
// counter is never turned into digits and back on every pass.
#pragma once
#include <charconv>
#include <cstdint>
#include <string>

namespace script {

// The text is exactly how a 32-bit integer is written (no blanks, "+", leading
// zeros or "-0"): reading it as that integer and writing it back changes nothing.
inline bool canonicalNumber(const std::string& t, int32_t& n) {
    size_t i = !t.empty() && t[0] == '-' ? 1 : 0;
    size_t digits = t.size() - i;
    if (digits == 0 || digits > 10 || (t[i] == '0' && (digits > 1 || i == 1))) return false;
    int64_t v = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9') return false;
        v = v * 10 + (t[i] - '0');
    }
    if (t[0] == '-') v = -v;
    if (v < INT32_MIN || v > INT32_MAX) return false;
    n = int32_t(v);
    return true;
}

// The text is the string itself, so every command, host and test that reads a
// variable as a text sees one.  Only the compiled lines leave the text pending,
// and a run writes every pending text before it returns (State::flushValues).
class Value : public std::string {
public:
    Value() = default;
    Value& operator=(const std::string& t) {
        assign(t);
        hasNumber_ = pending_ = false;
        return *this;
    }
    Value& operator=(std::string&& t) {
        std::string::operator=(std::move(t));
        hasNumber_ = pending_ = false;
        return *this;
    }
    Value& operator=(const char* t) {
        assign(t);
        hasNumber_ = pending_ = false;
        return *this;
    }
    // The text for reading and writing: written first if still pending, and the
    // integer forgotten, since the caller may change the text.
    std::string& text() {
        if (pending_) writeText();
        hasNumber_ = false;
        return *this;
    }
    // The text for reading only; the integer is kept.
    const std::string& view() {
        if (pending_) writeText();
        return *this;
    }
    // The integer when the text is one exactly.  Only setNumber keeps it: a
    // handler may hold the text (from text()) and write it after reading the
    // number, so a number found by reading is not kept.
    bool number(int32_t& n) const {
        if (hasNumber_) {
            n = num_;
            return true;
        }
        return canonicalNumber(*this, n);
    }
    void setNumber(int32_t n) {
        num_ = n;
        hasNumber_ = pending_ = true;
    }
    void flush() {
        if (pending_) writeText();
    }
    void clear() {
        std::string::clear();
        hasNumber_ = pending_ = false;
    }

private:
    void writeText() {
        char buf[16];
        auto r = std::to_chars(buf, buf + sizeof buf, num_);
        assign(buf, size_t(r.ptr - buf));
        pending_ = false;
    }

    int32_t num_ = 0;
    bool hasNumber_ = false;  // num_ is what the text (or the pending text) says
    bool pending_ = false;    // the text is stale: num_ is the value
};

}  // namespace script
