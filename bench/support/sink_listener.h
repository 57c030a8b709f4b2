// Reads a PulseAudio null sink's monitor back (parec) and notes when sound starts and
// stops, on the steady clock of plat::audio::nowUs.
#pragma once
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "platform/sdl_audio.h"

extern char** environ;

class SinkListener {
public:
    bool start(const std::string& pulseServer) {
        int fds[2];
        if (pipe(fds) != 0) return false;
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) env.push_back(*e);
        env.push_back("PULSE_SERVER=" + pulseServer);
        std::vector<std::string> args = {"parec", "-d", "nul.monitor", "--raw", "--format=s16le", "--rate=22050",
                                         "--channels=1", "--latency-msec=2"};
        std::vector<char*> cenv, cargs;
        for (std::string& e : env) cenv.push_back(e.data());
        cenv.push_back(nullptr);
        for (std::string& x : args) cargs.push_back(x.data());
        cargs.push_back(nullptr);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
        posix_spawn_file_actions_addclose(&fa, fds[0]);
        const bool ok = posix_spawnp(&pid_, "parec", &fa, nullptr, cargs.data(), cenv.data()) == 0;
        posix_spawn_file_actions_destroy(&fa);
        close(fds[1]);
        if (!ok) {
            close(fds[0]);
            return false;
        }
        fd_ = fds[0];
        reader_ = std::thread([this] { read(); });
        return true;
    }
    ~SinkListener() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        if (reader_.joinable()) reader_.join();
        if (fd_ >= 0) close(fd_);
    }
    std::atomic<uint64_t> soundAtUs{0}, silentAtUs{0};
    std::atomic<bool> sounding{false};

private:
    void read() {
        int16_t buf[64];  // about 3 ms at 22050 Hz
        ssize_t n;
        uint64_t quietSince = 0;
        while ((n = ::read(fd_, buf, sizeof buf)) > 0) {
            bool loud = false;
            for (ssize_t i = 0; i < n / 2; ++i) loud |= buf[i] > 300 || buf[i] < -300;
            const uint64_t now = plat::audio::nowUs();
            if (loud) {
                quietSince = 0;
                if (!sounding.exchange(true)) soundAtUs = now;
            } else if (sounding) {
                // Speech has short pauses of its own: silence counts after 30 ms of it.
                if (quietSince == 0) quietSince = now;
                if (now - quietSince > 30000) {
                    sounding = false;
                    silentAtUs = quietSince;
                }
            }
        }
    }
    pid_t pid_ = -1;
    int fd_ = -1;
    std::thread reader_;
};
