#include "GraphicalSession.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "FileIo.h"

namespace {

constexpr int kConnectTimeoutMs = 2000;
constexpr int kX11TcpPortBase = 6000;

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// "N" or "N.S" with decimal numbers; returns N or -1.
int ParseDisplayNumber(std::string_view text) {
    const std::size_t dot = text.find('.');
    const std::string_view number = text.substr(0, dot);
    if (number.empty()) return -1;
    int value = -1;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size() || value < 0) return -1;
    if (dot != std::string_view::npos) {
        const std::string_view screen = text.substr(dot + 1);
        int ignored = 0;
        const auto [screenEnd, screenError] =
            std::from_chars(screen.data(), screen.data() + screen.size(), ignored);
        if (screen.empty() || screenError != std::errc() ||
            screenEnd != screen.data() + screen.size())
            return -1;
    }
    return value;
}

// Waits for a non-blocking connect to finish.
bool FinishConnect(int fd, int result) {
    if (result == 0) return true;
    if (errno != EINPROGRESS && errno != EAGAIN) return false;
    pollfd waiting{fd, POLLOUT, 0};
    int ready;
    do {
        ready = poll(&waiting, 1, kConnectTimeoutMs);
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0) return false;
    int failure = 0;
    socklen_t length = sizeof failure;
    return getsockopt(fd, SOL_SOCKET, SO_ERROR, &failure, &length) == 0 && failure == 0;
}

bool ConnectLocal(const std::string& name, bool abstract) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::size_t offset = abstract ? 1 : 0;
    // A path that does not fit the address cannot be reached this way.
    if (name.empty() || name.size() + offset >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path + offset, name.data(), name.size());
    const socklen_t length =
        socklen_t(offsetof(sockaddr_un, sun_path) + offset + name.size() + (abstract ? 0 : 1));
    const UniqueFd socketFd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!socketFd) return false;
    const int result = connect(socketFd.Get(), reinterpret_cast<sockaddr*>(&address), length);
    return FinishConnect(socketFd.Get(), result);
}

bool ConnectTcp(const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0) return false;
    bool reached = false;
    for (const addrinfo* each = found; each && !reached; each = each->ai_next) {
        const UniqueFd socketFd(
            socket(each->ai_family, each->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        if (!socketFd) continue;
        reached =
            FinishConnect(socketFd.Get(), connect(socketFd.Get(), each->ai_addr, each->ai_addrlen));
    }
    freeaddrinfo(found);
    return reached;
}

}  // namespace

SessionEnvironment SessionEnvironment::OfThisProcess() {
    return {Variable("DISPLAY"), Variable("WAYLAND_DISPLAY"), Variable("XDG_RUNTIME_DIR"),
            Variable("PATH")};
}

X11Address ParseX11Display(std::string_view display) {
    X11Address address;
    const std::size_t colon = display.rfind(':');
    if (colon == std::string_view::npos) return address;
    // "host::N" is DECnet, which nothing here speaks.
    if (colon > 0 && display[colon - 1] == ':') return address;
    const int number = ParseDisplayNumber(display.substr(colon + 1));
    if (number < 0) return address;
    std::string_view host = display.substr(0, colon);

    if (!host.empty() && host.front() == '/') {
        address.kind = X11Address::Kind::SocketFile;
        address.number = number;
        address.path = std::string(host);
        return address;
    }
    std::string_view protocol;
    if (const std::size_t slash = host.find('/'); slash != std::string_view::npos) {
        protocol = host.substr(0, slash);
        host = host.substr(slash + 1);
    }
    const bool local = (protocol.empty() || protocol == "unix" || protocol == "local") &&
                       (host.empty() || host == "unix");
    address.number = number;
    if (local) {
        address.kind = X11Address::Kind::Local;
        address.path = "/tmp/.X11-unix/X" + std::to_string(number);
        return address;
    }
    if ((protocol.empty() || protocol == "tcp" || protocol == "inet" || protocol == "inet6") &&
        !host.empty() && number <= 65535 - kX11TcpPortBase) {
        address.kind = X11Address::Kind::Tcp;
        address.host = std::string(host);
        address.port = kX11TcpPortBase + number;
        return address;
    }
    return X11Address();
}

std::string WaylandSocketPath(std::string_view waylandDisplay, std::string_view runtimeFolder) {
    if (waylandDisplay.empty()) return std::string();
    if (waylandDisplay.front() == '/') return std::string(waylandDisplay);
    if (runtimeFolder.empty() || runtimeFolder.front() != '/') return std::string();
    std::string path(runtimeFolder);
    if (path.back() != '/') path += '/';
    return path + std::string(waylandDisplay);
}

bool CanReachX11(std::string_view display) {
    const X11Address address = ParseX11Display(display);
    switch (address.kind) {
        case X11Address::Kind::None:
            return false;
        case X11Address::Kind::Local:
            // Servers listen on the abstract name and on the file; either serves.
            return ConnectLocal(address.path, true) || ConnectLocal(address.path, false);
        case X11Address::Kind::SocketFile:
            return ConnectLocal(address.path, false);
        case X11Address::Kind::Tcp:
            return ConnectTcp(address.host, address.port);
    }
    return false;
}

bool CanReachWayland(std::string_view waylandDisplay, std::string_view runtimeFolder) {
    const std::string path = WaylandSocketPath(waylandDisplay, runtimeFolder);
    return !path.empty() && ConnectLocal(path, false);
}

ReachableSession ProbeSession(const SessionEnvironment& environment) {
    ReachableSession session;
    session.x11 = !environment.display.empty() && CanReachX11(environment.display);
    session.wayland = !environment.waylandDisplay.empty() &&
                      CanReachWayland(environment.waylandDisplay, environment.runtimeFolder);
    return session;
}
