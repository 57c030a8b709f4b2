// A private speech-dispatcher with its espeak-ng module, playing into a
// PulseAudio null sink (which keeps real time, unlike an ALSA null device),
// all on sockets under a temporary folder.  Used by the tests and the stop
// benchmark; each process it starts is stopped by its own id.
#pragma once
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

class SpeechServer {
public:
    SpeechServer() = default;
    // Lines added to speechd.conf and to the espeak-ng module's configuration.
    std::string serverConf, moduleConf;
    SpeechServer(const SpeechServer&) = delete;
    SpeechServer& operator=(const SpeechServer&) = delete;
    ~SpeechServer() { stop(); }

    // Starts PulseAudio, then speech-dispatcher; false (and why) when either
    // does not come up.
    bool start(std::string& why) {
        char tmpl[] = "/tmp/ludivar-speechd-XXXXXX";
        if (!mkdtemp(tmpl)) {
            why = "no temporary folder";
            return false;
        }
        dir_ = tmpl;
        for (const char* sub : {"/run", "/home", "/conf", "/conf/modules", "/log"})
            mkdir((dir_ + sub).c_str(), 0700);
        if (!copyFile("/etc/speech-dispatcher/modules/espeak-ng.conf", dir_ + "/conf/modules/espeak-ng.conf")) {
            why = "speech-dispatcher's espeak-ng module is not installed";
            return false;
        }
        std::ofstream conf(dir_ + "/conf/speechd.conf");
        conf << "CommunicationMethod \"unix_socket\"\nSocketPath \"" << dir_ << "/sock\"\nTimeout 0\n"
             << "LogDir \"" << dir_ << "/log\"\nAudioOutputMethod \"pulse\"\n"
             << "AddModule \"espeak-ng\" \"sd_espeak-ng\" \"espeak-ng.conf\"\nDefaultModule espeak-ng\n"
             << "DefaultLanguage \"pt-BR\"\n" << serverConf;
        conf.close();
        if (!moduleConf.empty()) std::ofstream(dir_ + "/conf/modules/espeak-ng.conf", std::ios::app) << moduleConf;
        pulse_ = spawn({"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disable-shm=yes",
                        "--use-pid-file=no", "-L", "module-null-sink sink_name=nul rate=22050", "-L",
                        "module-native-protocol-unix socket=" + dir_ + "/native auth-anonymous=1"},
                       dir_ + "/pulse.log");
        if (pulse_ < 0 || !waitForSocket(dir_ + "/native", pulse_)) {
            std::ifstream log(dir_ + "/pulse.log");
            std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
            why = "PulseAudio did not start: " + text.substr(text.size() > 800 ? text.size() - 800 : 0);
            return false;
        }
        speechd_ = spawn({"speech-dispatcher", "-s", "-C", dir_ + "/conf", "-S", dir_ + "/sock", "-t", "0", "-P",
                          dir_ + "/pid"},
                         dir_ + "/speechd.log");
        if (speechd_ < 0 || !waitForSocket(dir_ + "/sock", speechd_)) {
            why = "speech-dispatcher did not start (see " + dir_ + "/speechd.log)";
            return false;
        }
        return true;
    }

    std::string address() const { return "unix_socket:" + dir_ + "/sock"; }
    std::string pulseServer() const { return "unix:" + dir_ + "/native"; }
    const std::string& dir() const { return dir_; }

    // The server dies as a crash would take it.
    void killSpeechd() { end(speechd_, SIGKILL); }

    void stop() {
        end(speechd_, SIGTERM);
        end(pulse_, SIGTERM);
        if (!dir_.empty()) {
            std::string cmd = "rm -rf '" + dir_ + "'";
            if (std::system(cmd.c_str())) {
            }
            dir_.clear();
        }
    }

private:
    static bool copyFile(const std::string& from, const std::string& to) {
        std::ifstream in(from, std::ios::binary);
        if (!in) return false;
        std::ofstream out(to, std::ios::binary);
        out << in.rdbuf();
        return bool(out);
    }

    pid_t spawn(const std::vector<std::string>& args, const std::string& log) {
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            std::string v = *e;
            // The servers get a world of their own: no display, no session bus, no one else's settings.
            bool own = false;
            for (const char* name : {"HOME=", "XDG_RUNTIME_DIR=", "PULSE_SERVER=", "XDG_CONFIG_HOME=", "XDG_DATA_HOME=",
                                     "DISPLAY=", "DBUS_SESSION_BUS_ADDRESS="})
                own |= v.rfind(name, 0) == 0;
            if (!own) env.push_back(v);
        }
        env.push_back("HOME=" + dir_ + "/home");
        env.push_back("XDG_CONFIG_HOME=" + dir_ + "/home/.config");
        env.push_back("XDG_RUNTIME_DIR=" + dir_ + "/run");
        env.push_back("PULSE_SERVER=unix:" + dir_ + "/native");
        std::vector<char*> cargs, cenv;
        std::vector<std::string> a = args;
        for (std::string& s : a) cargs.push_back(s.data());
        cargs.push_back(nullptr);
        for (std::string& s : env) cenv.push_back(s.data());
        cenv.push_back(nullptr);
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        const pid_t parent = getpid();
        const pid_t pid = fork();
        if (pid == 0) {
            // A test killed on a timeout takes its servers with it.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (getppid() != parent) _exit(127);
            const int in = open("/dev/null", O_RDONLY);
            if (in >= 0) dup2(in, 0);
            if (out >= 0) {
                dup2(out, 1);
                dup2(out, 2);
            }
            execvpe(cargs[0], cargs.data(), cenv.data());
            _exit(127);
        }
        if (out >= 0) close(out);
        return pid;
    }

    // Ready when the socket takes a connection; given up when the process ends
    // or after a generous while (a loaded machine starts slowly).
    static bool waitForSocket(const std::string& path, pid_t pid) {
        for (int i = 0; i < 1500; ++i) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) return false;
            int fd = socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un a{};
            a.sun_family = AF_UNIX;
            std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
            const bool ok = fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
            if (fd >= 0) close(fd);
            if (ok) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    static void end(pid_t& pid, int sig) {
        if (pid <= 0) return;
        kill(pid, sig);
        int status = 0;
        for (int i = 0; i < 250 && waitpid(pid, &status, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (waitpid(pid, &status, WNOHANG) == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
        pid = -1;
    }

    std::string dir_;
    pid_t pulse_ = -1, speechd_ = -1;
};
