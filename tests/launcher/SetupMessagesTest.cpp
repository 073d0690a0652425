// How the setup programs reach the user: the message line on standard error,
// which DISPLAY and WAYLAND_DISPLAY values name a server that answers, and
// which dialog program shows the box.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>
#include <cstring>
#include <set>

#include "launcher/DesktopDialog.h"
#include "launcher/FileIo.h"
#include "launcher/GraphicalSession.h"
#include "launcher/SetupMessages.h"

namespace {

TEST(SetupMessagesTest, MessageBecomesOneLine) {
    EXPECT_EQ(MessageLine("Oblimo", "テンポラリファイルを作成できません。\r\n\r\n/tmp/x/setup"),
              "Oblimo: テンポラリファイルを作成できません。 /tmp/x/setup\n");
    EXPECT_EQ(MessageLine("", "アンカーがありません。"), "アンカーがありません。\n");
    EXPECT_EQ(MessageLine("Oblimo", "a\nb\n"), "Oblimo: a b \n");
    EXPECT_EQ(DialogText("a\r\n\r\nb\nc"), "a\n\nb\nc");
}

TEST(GraphicalSessionTest, DisplayValuesNameTheirSockets) {
    using Kind = X11Address::Kind;
    struct DisplayCase {
        const char* display;
        X11Address address;
    };
    const DisplayCase cases[] = {
        {":0", {Kind::Local, 0, "/tmp/.X11-unix/X0", "", 0}},
        {":12.1", {Kind::Local, 12, "/tmp/.X11-unix/X12", "", 0}},
        {"unix:3", {Kind::Local, 3, "/tmp/.X11-unix/X3", "", 0}},
        {"unix/:4", {Kind::Local, 4, "/tmp/.X11-unix/X4", "", 0}},
        {"localhost:10.0", {Kind::Tcp, 10, "", "localhost", 6010}},
        {"tcp/192.0.2.7:1", {Kind::Tcp, 1, "", "192.0.2.7", 6001}},
        {"/private/tmp/launch-x/org.xquartz:0",
         {Kind::SocketFile, 0, "/private/tmp/launch-x/org.xquartz", "", 0}},
        {"", {}},
        {":", {}},
        {"host", {}},
        {"host::0", {}},  // DECnet
        {":x", {}},
        {":0.", {}},
        {":-1", {}},
        {"host:70000", {}},  // beyond the TCP ports
    };
    for (const DisplayCase& c : cases)
        EXPECT_EQ(ParseX11Display(c.display), c.address) << c.display;

    EXPECT_EQ(WaylandSocketPath("wayland-0", "/run/user/1000"), "/run/user/1000/wayland-0");
    EXPECT_EQ(WaylandSocketPath("wayland-1", "/run/user/1000/"), "/run/user/1000/wayland-1");
    EXPECT_EQ(WaylandSocketPath("/srv/wl", ""), "/srv/wl");
    EXPECT_EQ(WaylandSocketPath("wayland-0", ""), "");
    EXPECT_EQ(WaylandSocketPath("wayland-0", "relative"), "");
    EXPECT_EQ(WaylandSocketPath("", "/run/user/1000"), "");
}

// A Unix socket at path: listening, or bound and never listening, which is
// what a server that went away leaves behind.
UniqueFd BindSocket(const std::string& path, bool listening) {
    UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    EXPECT_EQ(bind(fd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << path;
    if (listening) {
        EXPECT_EQ(listen(fd.Get(), 4), 0);
    }
    return fd;
}

TEST(GraphicalSessionTest, OnlyAnAnsweringServerCounts) {
    QTemporaryDir folder;
    const std::string root = folder.path().toStdString();
    const UniqueFd live = BindSocket(root + "/wayland-live", true);
    const UniqueFd stale = BindSocket(root + "/wayland-stale", false);
    struct ReachCase {
        const char* name;
        std::string waylandDisplay, runtimeFolder;
        bool reachable;
    };
    const ReachCase cases[] = {
        {"listening, by name", "wayland-live", root, true},
        {"listening, by path", root + "/wayland-live", "", true},
        {"bound but not listening", "wayland-stale", root, false},
        {"no socket", "wayland-9", root, false},
        {"a plain file", "plain", root, false},
        {"name without runtime folder", "wayland-live", "", false},
    };
    QFile plain(QString::fromStdString(root + "/plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    for (const ReachCase& c : cases)
        EXPECT_EQ(CanReachWayland(c.waylandDisplay, c.runtimeFolder), c.reachable) << c.name;

    // X11 numbers that nothing serves, locally and over TCP on this machine.
    for (const char* display : {":4711", "unix:4711.0", "127.0.0.1:4711", "host::0", "nonsense"})
        EXPECT_FALSE(CanReachX11(display)) << display;
    EXPECT_FALSE(CanReachX11((root + "/wayland-stale:0").c_str()));
    EXPECT_TRUE(CanReachX11((root + "/wayland-live:0").c_str()));

    const ReachableSession session = ProbeSession({":4711", "wayland-live", root, "/usr/bin"});
    EXPECT_FALSE(session.x11);
    EXPECT_TRUE(session.wayland);
}

TEST(DesktopDialogTest, FirstPresentProgramThatCanReachTheSessionShowsTheBox) {
    struct DialogCase {
        const char* name;
        std::set<std::string> present;
        ReachableSession session;
        std::string program;  // empty: no box
    };
    const std::set<std::string> all{"zenity", "kdialog", "xmessage"};
    const DialogCase cases[] = {
        {"zenity first", all, {true, false}, "/x/zenity"},
        {"then kdialog", {"kdialog", "xmessage"}, {true, true}, "/x/kdialog"},
        {"then xmessage", {"xmessage"}, {true, false}, "/x/xmessage"},
        {"zenity on Wayland", all, {false, true}, "/x/zenity"},
        {"xmessage needs X11", {"xmessage"}, {false, true}, ""},
        {"no session", all, {false, false}, ""},
        {"no program", {}, {true, true}, ""},
    };
    for (const DialogCase& c : cases) {
        SCOPED_TRACE(c.name);
        const DialogCommand command = MessageDialogCommand(
            MessageKind::Error, "Oblimo", "a\r\n\r\nb", c.session, [&](std::string_view name) {
                return c.present.count(std::string(name)) ? "/x/" + std::string(name)
                                                          : std::string();
            });
        EXPECT_EQ(command.program, c.program);
        EXPECT_EQ(bool(command), !c.program.empty());
    }
}

TEST(DesktopDialogTest, EachProgramGetsCaptionKindAndPlainText) {
    struct ArgumentsCase {
        std::string program;
        MessageKind kind;
        std::vector<std::string> arguments;
    };
    const ArgumentsCase cases[] = {
        {"zenity", MessageKind::Error, {"--error", "--title=", "--text=a\n\n<b>", "--no-markup"}},
        {"zenity",
         MessageKind::Information,
         {"--info", "--title=", "--text=a\n\n<b>", "--no-markup"}},
        {"kdialog", MessageKind::Error, {"--title", "", "--error", "a\n\n<b>"}},
        {"kdialog", MessageKind::Information, {"--title", "", "--msgbox", "a\n\n<b>"}},
        {"xmessage",
         MessageKind::Error,
         {"-xrm", "*international: true", "-title", "", "-center", "-buttons", "OK:0", "-default",
          "OK", "a\n\n<b>"}},
    };
    for (const ArgumentsCase& c : cases) {
        SCOPED_TRACE(c.program);
        // An empty caption: the record has not been read yet.
        const DialogCommand command = MessageDialogCommand(
            c.kind, "", "a\r\n\r\n<b>", {true, true}, [&](std::string_view name) {
                return name == c.program ? "/x/" + c.program : std::string();
            });
        EXPECT_EQ(command.arguments, c.arguments);
    }
}

}  // namespace
