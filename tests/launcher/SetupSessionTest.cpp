// How the setup programs decide between message boxes and standard error,
// and how a message becomes one line.

#include <gtest/gtest.h>

#include "launcher/SetupSession.h"

namespace {

TEST(SetupSessionTest, DisplayIsThereOnlyWhereQtCanShowWindows) {
    struct DisplayCase {
        const char* platform;
        const char* x11;
        const char* wayland;
        bool graphical;
    };
    const DisplayCase cases[] = {
        {"", ":0", "", true},         {"", "", "wayland-0", true},
        {"", "", "", false},          {"offscreen", ":0", "wayland-0", false},
        {"minimal", ":0", "", false}, {"xcb", "", "wayland-0", false},
        {"xcb", ":1", "", true},      {"wayland;xcb", "", "wayland-0", true},
        {"wayland", ":0", "", false}, {"offscreen:fontengine=freetype", ":0", "", false},
        {"linuxfb", "", "", true},
    };
    for (const DisplayCase& c : cases) {
        EXPECT_EQ(HasGraphicalDisplay(c.platform, c.x11, c.wayland), c.graphical)
            << c.platform << " " << c.x11 << " " << c.wayland;
    }
}

TEST(SetupSessionTest, MessageBecomesOneLine) {
    EXPECT_EQ(MessageLine("Oblimo", "テンポラリファイルを作成できません。\r\n\r\n/tmp/x/setup"),
              "Oblimo: テンポラリファイルを作成できません。 /tmp/x/setup\n");
    EXPECT_EQ(MessageLine("", "アンカーがありません。"), "アンカーがありません。\n");
    EXPECT_EQ(MessageLine("Oblimo", "a\nb\n"), "Oblimo: a b \n");
    EXPECT_EQ(MessageBoxText("a\r\n\r\nb"), "a\n\nb");
}

}  // namespace
