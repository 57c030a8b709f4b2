// Network commands: line-based TCP connections on the ten channels (IPv4 and
// IPv6), and the waits they share.  Every wait for the network gives up on Esc,
// so a pupil is never stuck behind a silent server.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "console/console.h"
#include "console/textwin.h"
#include "platform/platform.h"
#include "safety/safety.h"
#include "script/interp.h"
#include "util/text.h"

namespace script {

namespace {

constexpr size_t kReceiveBuffer = 4096;
// A line, a connection or a send that makes no progress for this many waits of
// 100 ms (about 30 s) is given up.
constexpr int kGiveUpSteps = 300;
constexpr int kStepMs = 100;

const char* const kConnectionError = "Erro de conexao";
const char* const kPortError = "Erro na porta TCP/IP";

void say(const char* text) { con::writeLineAndSpeak(text); }

bool setNonBlocking(int fd) {
    int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

// A port written by a game: a number of 0-65535.
bool readPort(std::string_view& arg, int& port, bool& present) {
    std::string text;
    present = readOperand(arg, text);
    int32_t v;
    if (!present || !toNumber(text, v)) return false;
    port = v;
    return v >= 0 && v <= 65535;
}

int ready(int fd, short events, int ms) {
    pollfd p{fd, events, 0};
    int r = ::poll(&p, 1, ms);
    return r > 0 ? p.revents : 0;
}

bool socketReadable(int fd) { return ready(fd, POLLIN, 0) != 0; }

}  // namespace

// ---------------------------------------------------------------------------
// Waiting

bool stopKeyWaiting() {
    // The stop key (Ctrl+Break) ends the wait as well as the program.
    if (plat::haveFront()) plat::front().pollStopKey();
    if (plat::programStopRequested()) return true;
    if (!con::keyPressed()) return false;
    uint8_t k = con::readKey();
    if (k == 27) return true;
    // Anything else stays for the program, in the order it came.
    if (k == 0) {
        uint8_t ext = con::readKey();
        con::unreadKey(ext);
    }
    con::unreadKey(k);
    return false;
}

int waitStep(int fd, short events, int ms) {
    flushWrites();
    uint64_t start = plat::haveFront() ? plat::front().nowMs() : 0;
    int revents = 0;
    if (fd >= 0) {
        revents = ready(fd, events, ms);
    } else {
        ::poll(nullptr, 0, ms);
    }
    if (revents) {
        con::pumpMessages();
        return revents;
    }
    // The real time has passed; the console's clock (virtual without a screen)
    // makes up what it did not see go by.
    uint64_t spent = plat::haveFront() ? plat::front().nowMs() - start : uint64_t(ms);
    con::delayMs(spent < uint64_t(ms) ? ms - int(spent) : 0);
    return 0;
}

// ---------------------------------------------------------------------------
// Network channels inside the channel commands

void closeNetwork(ScriptChannel& c) {
    if (c.socket >= 0) ::close(c.socket);
    c.socket = -1;
    c.received.clear();
    c.receivePos = c.receiveFill = 0;
}

bool dataWaiting(const ScriptChannel& c) {
    if (!c.open || !c.network || c.socket < 0) return false;
    return c.receivePos < c.receiveFill || socketReadable(c.socket);
}

void writeNetwork(int n, const std::string& text, bool lineEnd) {
    State& s = state();
    ScriptChannel& c = s.channels[size_t(n)];
    std::string data = lineEnd ? text + "\r\n" : text;
    size_t sent = 0;
    int idle = 0;
    while (c.socket >= 0 && sent < data.size()) {
        ssize_t r = ::send(c.socket, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (r > 0) {
            sent += size_t(r);
            idle = 0;
            continue;
        }
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && ++idle <= kGiveUpSteps && !stopKeyWaiting()) {
            waitStep(c.socket, POLLOUT, kStepMs);
            continue;
        }
        break;
    }
    s.status = !data.empty() && sent == data.size() ? 1 : 0;
}

int readNetworkLine(int n, std::string& out) {
    out.clear();
    ScriptChannel& c = state().channels[size_t(n)];
    int waits = 0;
    for (;;) {
        if (dataWaiting(c)) {
            if (c.receivePos >= c.receiveFill) {
                c.received.resize(kReceiveBuffer);
                ssize_t r = ::recv(c.socket, c.received.data(), kReceiveBuffer, 0);
                if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
                    if (++waits > kGiveUpSteps) return 1;
                    continue;
                }
                if (r <= 0) return 1;  // the peer closed or the connection broke
                c.receivePos = 0;
                c.receiveFill = size_t(r);
            }
            char b = c.received[c.receivePos++];
            if (b == '\n') {
                if (!out.empty() && out.back() == '\r') out.pop_back();
                return 0;
            }
            if (out.size() >= kMaxValue) return 1;
            out.push_back(b);
            continue;
        }
        if (!c.open || !c.network || c.socket < 0) return 1;
        if (stopKeyWaiting()) return 1;
        waitStep(c.socket, POLLIN, kStepMs);
        if (++waits > kGiveUpSteps) return 1;
    }
}

namespace {

void makeNetworkChannel(int n, int fd) {
    closeChannel(n);
    ScriptChannel& c = state().channels[size_t(n)];
    c.open = true;
    c.network = true;
    c.socket = fd;
    c.received.assign(kReceiveBuffer, 0);
    c.receivePos = c.receiveFill = 0;
}

// Connects without blocking the console: Esc or 30 s without an answer give up.
int connectTo(const addrinfo* a) {
    int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) return -1;
    if (!setNonBlocking(fd)) {
        ::close(fd);
        return -1;
    }
    if (::connect(fd, a->ai_addr, a->ai_addrlen) == 0) return fd;
    if (errno != EINPROGRESS) {
        ::close(fd);
        return -1;
    }
    for (int step = 0; step <= kGiveUpSteps; ++step) {
        if (waitStep(fd, POLLOUT, kStepMs)) {
            int err = 0;
            socklen_t len = sizeof err;
            if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0) return fd;
            break;
        }
        if (stopKeyWaiting()) break;
    }
    ::close(fd);
    return -1;
}

bool cmdInternet(std::string_view arg) {
    std::string word = util::upperLatin(util::trimView(arg));
    // Sockets need no library start on Linux; the words are still checked.
    return word == "INICIA" || word == "TERMINA";
}

bool cmdConecta(std::string_view arg) {
    int n = readChannel(arg);
    std::string host;
    if (n < 0 || arg.empty() || !readOperand(arg, host)) {
        say(kConnectionError);
        return false;
    }
    int port = 0;
    bool present = false;
    if (!readPort(arg, port, present)) {
        say(present ? kPortError : kConnectionError);
        return false;
    }
    std::string target = host + ":" + std::to_string(port);
    if (!safety::allow(safety::Reach::Network, target)) return false;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* list = nullptr;
    std::string name = plat::cp1252ToUtf8(util::trim(host));
    int fd = -1;
    if (!name.empty() && ::getaddrinfo(name.c_str(), std::to_string(port).c_str(), &hints, &list) == 0) {
        // A name may stand for IPv6 and IPv4 addresses: the first that answers wins.
        for (const addrinfo* a = list; a && fd < 0; a = a->ai_next) fd = connectTo(a);
        ::freeaddrinfo(list);
    }
    if (fd < 0) {
        // A connection that was on the channel is not left half there.
        if (state().channels[size_t(n)].network) closeChannel(n);
        say(kConnectionError);
        return false;
    }
    makeNetworkChannel(n, fd);
    return true;
}

// A listening socket on every local address, IPv6 and IPv4 alike where the
// machine allows it.
int listenOn(int port) {
    for (int family : {AF_INET6, AF_INET}) {
        int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) continue;
        int one = 1, zero = 0;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_storage ss{};
        socklen_t len;
        if (family == AF_INET6) {
            ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &zero, sizeof zero);
            auto* a = reinterpret_cast<sockaddr_in6*>(&ss);
            a->sin6_family = AF_INET6;
            a->sin6_addr = in6addr_any;
            a->sin6_port = htons(uint16_t(port));
            len = sizeof *a;
        } else {
            auto* a = reinterpret_cast<sockaddr_in*>(&ss);
            a->sin_family = AF_INET;
            a->sin_addr.s_addr = htonl(INADDR_ANY);
            a->sin_port = htons(uint16_t(port));
            len = sizeof *a;
        }
        if (::bind(fd, reinterpret_cast<sockaddr*>(&ss), len) == 0 && ::listen(fd, 3) == 0 && setNonBlocking(fd))
            return fd;
        ::close(fd);
    }
    return -1;
}

bool cmdServe(std::string_view arg) {
    int n = readChannel(arg);
    if (n < 0 || arg.empty()) {
        say(kConnectionError);
        return false;
    }
    int port = 0;
    bool present = false;
    if (!readPort(arg, port, present)) {
        say(present ? kPortError : kConnectionError);
        return false;
    }
    if (!safety::allow(safety::Reach::Network, "porta " + std::to_string(port))) return false;
    int listener = listenOn(port);
    int fd = -1;
    if (listener >= 0) {
        // The wait has no end of its own, but Esc ends it.
        while (!stopKeyWaiting()) {
            if (waitStep(listener, POLLIN, kStepMs)) {
                fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
                if (fd >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != ECONNABORTED)) break;
            }
        }
        ::close(listener);
    }
    if (fd < 0) {
        say(kConnectionError);
        return false;
    }
    makeNetworkChannel(n, fd);
    return true;
}

bool cmdObserva(std::string_view arg) {
    bool keyboard = startsWithUpper(arg, "TECLADO ");
    int n = -1;
    if (keyboard) {
        arg.remove_prefix(8);
    } else {
        n = readChannel(arg);
        if (n < 0) return false;
    }
    arg = util::trimView(arg);
    std::string* var = readTarget(arg);
    if (!var || !arg.empty()) return false;
    bool waiting = keyboard ? con::keyPressed() : dataWaiting(state().channels[size_t(n)]);
    *var = waiting ? "1" : "0";
    return true;
}

// An address in its usual text: dotted decimal for IPv4 (also when it came
// through an IPv6 socket), the standard form for IPv6.
std::string addressText(const sockaddr_storage& ss) {
    char buf[INET6_ADDRSTRLEN] = "";
    if (ss.ss_family == AF_INET) {
        ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(&ss)->sin_addr, buf, sizeof buf);
    } else if (ss.ss_family == AF_INET6) {
        const in6_addr& a = reinterpret_cast<const sockaddr_in6*>(&ss)->sin6_addr;
        if (IN6_IS_ADDR_V4MAPPED(&a)) ::inet_ntop(AF_INET, a.s6_addr + 12, buf, sizeof buf);
        else ::inet_ntop(AF_INET6, &a, buf, sizeof buf);
    }
    return buf;
}

bool cmdIp(std::string_view arg) {
    bool local;
    if (startsWithUpper(arg, "LOCAL ")) local = true;
    else if (startsWithUpper(arg, "REMOTO ")) local = false;
    else return false;
    arg = util::trimView(arg.substr(local ? 6 : 7));
    int n = readChannel(arg);
    if (n < 0) return false;
    std::string* var = readTarget(arg);
    if (!var) return false;
    const ScriptChannel& c = state().channels[size_t(n)];
    // A file has no address; a channel that never connected is an error.
    if (c.open && !c.network) {
        var->clear();
        return true;
    }
    if (!c.network || c.socket < 0) return false;
    sockaddr_storage ss{};
    socklen_t len = sizeof ss;
    int r = local ? ::getsockname(c.socket, reinterpret_cast<sockaddr*>(&ss), &len)
                  : ::getpeername(c.socket, reinterpret_cast<sockaddr*>(&ss), &len);
    *var = r == 0 ? addressText(ss) : std::string();
    return true;
}

}  // namespace

std::vector<CommandEntry> networkCommands() {
    return {
        {"INTERNET", cmdInternet}, {"CONECTA", cmdConecta}, {"SERVE", cmdServe},
        {"OBSERVA", cmdObserva},   {"IP", cmdIp},
    };
}

}  // namespace script
