// The headless front: no window and no sound device.  Time is virtual: sounds take
// their real duration, delays advance the clock, and keys come from a key script.
#include <chrono>
#include <cstdio>
#include <deque>
#include <thread>

#include "platform/keyscript.h"
#include "platform/platform.h"

namespace plat {

namespace {

// The longest a key waits for a system voice to finish speaking.
constexpr int kMaxListenSeconds = 120;

class HeadlessFront : public Front {
public:
    explicit HeadlessFront(const std::vector<ScriptKey>& keys)
        : keys_(keys.begin(), keys.end()), startMs_(systemWallClockMs()) {}
    const char* name() const override { return "headless"; }
    bool virtualClock() const override { return true; }
    bool unattended() const override { return true; }
    // The time of day starts at the real one and then follows the virtual clock.
    int64_t wallClockMs() override { return startMs_ + int64_t(now_); }
    bool open(const WindowSettings&) override { return true; }
    void close() override {}
    void invalidate(const ScreenView&, int, int, int) override {}
    void invalidateAll(const ScreenView&) override {}

    void pump() override {
        // A program that polls without ever sleeping still moves the clock on.
        if (++spins_ >= 100) {
            spins_ = 0;
            // ... and, while a system voice speaks, in step with it.
            if (externalSpeechProducing()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            now_ += 1;
        }
        retireAudio();
        deliverDue();
    }

    // A program that runs without reading keys: each check is a millisecond, so
    // an impatient key ({wait N}{Ctrl+Break}) reaches a tight loop.
    void pollStopKey() override {
        now_ += 1;
        retireAudio();
        deliverDue();
    }

    void waitForInput() override {
        if (keysWaiting() > 0) return;
        // The user listens to the end of what is being said, then types.
        if (!keys_.empty() && keys_.front().waitMs < 0) listenToEnd();
        retireAudio();
        if (keys_.empty()) endProgram(3);
        ScriptKey& k = keys_.front();
        if (k.waitMs >= 0 && dueTime(k) > now_) advanceTo(dueTime(k));
        typeNext();
    }

    uint64_t nowMs() override { return now_; }
    void sleepMs(int ms) override {
        if (ms <= 0) return;
        spins_ = 0;
        // A system voice speaks in real time: the clock keeps pace with it.
        if (externalSpeechProducing()) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        uint64_t target = now_ + uint64_t(ms);
        // Impatient keys arrive at their own time, even in the middle of a delay.
        while (!keys_.empty() && keys_.front().waitMs >= 0 && dueTime(keys_.front()) <= target) {
            uint64_t due = dueTime(keys_.front());
            if (due > now_) now_ = due;
            typeNext();
        }
        now_ = target;
        pollTyping();
        retireAudio();
    }

    void setTitle(const std::string& t) override { title_ = t; }

    bool audioOpen(int rate, int bits, int channels) override {
        bytesPerSecond_ = double(rate) * channels * (bits / 8 > 0 ? bits / 8 : 1);
        return rate > 0;
    }
    void audioQueue(const uint8_t*, size_t len) override {
        uint64_t start = audioEnd_ > now_ ? audioEnd_ : now_;
        uint64_t dur = bytesPerSecond_ > 0 ? uint64_t(double(len) * 1000.0 / bytesPerSecond_ + 0.5) : 0;
        audioEnd_ = start + dur;
        ends_.push_back(audioEnd_);
    }
    int audioPending() override {
        retireAudio();
        return int(ends_.size());
    }
    void audioReset() override {
        ends_.clear();
        audioEnd_ = now_;
    }
    void audioClose() override { audioReset(); }
    void tone(int) override {}
    void clipboardSet(const std::string& text) override { clipboard_ = text; }
    std::string clipboardGet() override { return clipboard_; }

private:
    uint64_t dueTime(const ScriptKey& k) const { return lastTyped_ + uint64_t(k.waitMs); }

    // Our own sounds end at a known virtual time; a system voice ends when it
    // says so, in real time (the wait is bounded so a stuck server cannot hang a test).
    void listenToEnd() {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(kMaxListenSeconds);
        for (;;) {
            if (audioEnd_ > now_) advanceTo(audioEnd_);
            // An impatient key typed meanwhile ends the listening: it cuts the voice.
            if (keysWaiting() > 0 || !externalSpeechBusy()) break;
            if (std::chrono::steady_clock::now() > giveUp) break;
            if (externalSpeechProducing()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                now_ += 2;
            }
        }
        if (audioEnd_ > now_) advanceTo(audioEnd_);
    }

    void advanceTo(uint64_t t) {
        if (t > now_) now_ = t;
        retireAudio();
    }

    void retireAudio() {
        while (!ends_.empty() && ends_.front() <= now_) ends_.pop_front();
    }

    void typeNext() {
        ScriptKey k = keys_.front();
        keys_.pop_front();
        lastTyped_ = now_;
        lastReadOrType_ = now_;
        sendKey(k.ev);
        if (k.ev.id == KeyId::Char || k.ev.id == KeyId::Space) {
            KeyEvent up = k.ev;
            up.up = true;
            sendKey(up);
        }
    }

    void deliverDue() {
        while (!keys_.empty() && keys_.front().waitMs >= 0 && dueTime(keys_.front()) <= now_) typeNext();
        pollTyping();
    }

    // A wait that only a key can end gets the next key after 60 s of polling.
    void pollTyping() {
        if (keys_.empty() || keysWaiting() > 0) return;
        if (readingKey()) {
            lastReadOrType_ = now_;
            return;
        }
        if (now_ - lastReadOrType_ >= 60000 && keys_.front().waitMs < 0) typeNext();
    }

    std::deque<ScriptKey> keys_;
    uint64_t now_ = 0, lastTyped_ = 0, lastReadOrType_ = 0, audioEnd_ = 0;
    int64_t startMs_;
    int spins_ = 0;
    double bytesPerSecond_ = 11025;
    std::deque<uint64_t> ends_;
    std::string title_, clipboard_;
};

}  // namespace

Front* makeHeadlessFront() {
    std::vector<ScriptKey> keys;
    std::string error;
    if (!parseKeyScript(headlessOptions().keys, keys, error)) return nullptr;
    return new HeadlessFront(std::move(keys));
}

bool writeScreenDump(const std::string& file) {
    FILE* f = std::fopen(file.c_str(), "wb");
    if (!f) return false;
    // No screen yet: the cells are blank and every attribute byte is 0.
    const ScreenView v = currentScreen();
    auto charAt = [&](int i) { return v.chars ? char(v.chars[i]) : ' '; };
    auto attrAt = [&](int i) { return v.attrs ? v.attrs[i] : uint8_t(0); };
    for (int r = 0; r < v.height; ++r) {
        std::string row;
        for (int c = 0; c < v.width; ++c) row += charAt(r * v.width + c);
        for (char& c : row)
            if (c == 0) c = ' ';
        size_t end = row.find_last_not_of(' ');
        row = end == std::string::npos ? std::string() : row.substr(0, end + 1);
        std::string u = cp1252ToUtf8(row);
        std::fprintf(f, "%s\n", u.c_str());
    }
    std::fprintf(f, "--\n");
    for (int r = 0; r < v.height; ++r) {
        for (int c = 0; c < v.width; ++c) std::fprintf(f, "%02X", attrAt(r * v.width + c));
        std::fprintf(f, "\n");
    }
    std::fclose(f);
    return true;
}

}  // namespace plat
