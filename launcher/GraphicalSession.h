#pragma once

#include <string>
#include <string_view>

// Whether the desktop's dialog programs could show a window: a DISPLAY or
// WAYLAND_DISPLAY that is set is only worth using when its server answers a
// connection. A stale value (a closed session, a forwarded display that went
// away, a number nobody serves) must not delay or break the setup; its
// messages then go to standard error alone.

struct SessionEnvironment {
    std::string display;         // DISPLAY
    std::string waylandDisplay;  // WAYLAND_DISPLAY
    std::string runtimeFolder;   // XDG_RUNTIME_DIR, where Wayland sockets live
    std::string path;            // PATH, where the dialog programs are looked for

    static SessionEnvironment OfThisProcess();
};

// Where an X11 display lives, as DISPLAY names it:
//   ":N", "unix:N", "unix/:N"   the local socket of display N
//   "/path/name:N"              the socket file /path/name
//   "host:N", "tcp/host:N"      TCP port 6000 + N on host
// A screen number (".S") may follow N. Anything else (DECnet "host::N", no
// number) names nothing.
struct X11Address {
    enum class Kind { None, Local, SocketFile, Tcp };
    Kind kind = Kind::None;
    int number = -1;   // display number
    std::string path;  // Local: /tmp/.X11-unix/XN (also tried as abstract name); SocketFile
    std::string host;  // Tcp
    int port = 0;      // Tcp

    bool operator==(const X11Address&) const = default;
};
X11Address ParseX11Display(std::string_view display);

// The socket WAYLAND_DISPLAY names: an absolute path as it is, otherwise a
// name inside the runtime folder. Empty when it names nothing.
std::string WaylandSocketPath(std::string_view waylandDisplay, std::string_view runtimeFolder);

// Connection attempts, each bounded to about two seconds.
bool CanReachX11(std::string_view display);
bool CanReachWayland(std::string_view waylandDisplay, std::string_view runtimeFolder);

struct ReachableSession {
    bool x11 = false;
    bool wayland = false;
    bool Any() const { return x11 || wayland; }
};
ReachableSession ProbeSession(const SessionEnvironment& environment);
