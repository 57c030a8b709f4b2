// What an operation that can fail hands back: success, or the reason it failed in
// the program's own words (CP1252), ready to be shown and spoken.
#pragma once
#include <string>
#include <utility>

namespace util {

class [[nodiscard]] Result {
public:
    Result() = default;  // success
    static Result success() { return Result(); }
    static Result failure(std::string reason) {
        Result r;
        r.ok_ = false;
        r.reason_ = std::move(reason);
        return r;
    }
    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    // Empty on success.
    const std::string& reason() const { return reason_; }

private:
    bool ok_ = true;
    std::string reason_;
};

}  // namespace util
