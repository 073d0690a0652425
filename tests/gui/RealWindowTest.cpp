// The real editor on a real X server: Xvfb is started, tavlo opens an image
// named on its command line, its window appears with the caption
// "<file name> - Oblimo" and shows the image, and a screenshot of the screen is
// written to the test's output folder. A second run walks the four steps with
// the keyboard alone (xdotool: Tab, Space, Return, typing), keeps a screenshot
// of every step, checks what the X clipboard offers after a copy, and checks
// the size of the file the automatic save wrote. The program is ended
// afterwards.

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QImageReader>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <functional>

#include "support/TestEnvironment.h"

namespace {

// Waits for the condition, checking every 100 ms, at most the time-out.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs) return false;
        QThread::msleep(100);
    }
    return true;
}

QString RunTool(const QString& program, const QStringList& arguments, const QProcessEnvironment& env) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Ends a child process: politely first, then for sure.
void End(QProcess& process) {
    if (process.state() == QProcess::NotRunning) return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

QString OutputFolder() {
    const QString folder = QStringLiteral(OBLIMO_TEST_OUTPUT_DIR "/real_window");
    QDir().mkpath(folder);
    return folder;
}

// An X server of its own (Xvfb picks a free display and reports its number)
// and the environment that tavlo and the X tools run in. Without -noreset the
// server resets whenever its last client leaves, and a program connecting at
// that moment (tavlo while xwininfo polls) is refused.
class XServer {
public:
    bool Start(const QString& runtimeFolder, const QString& screen = QStringLiteral("1280x800x24")) {
        m_xvfb.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp", "-noreset"});
        if (!m_xvfb.waitForStarted(10000)) return false;
        QByteArray number;
        const bool started = WaitFor([&] {
            m_xvfb.waitForReadyRead(100);
            number += m_xvfb.readAllStandardOutput();
            return number.contains('\n');
        }, 20000);
        if (!started) return false;
        env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":") + QString::fromLatin1(number.trimmed()));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), TestEnvironment::ConfigFolder());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeFolder);
        return true;
    }
    ~XServer() { End(m_xvfb); }

    QString Run(const QString& tool, const QStringList& arguments) const {
        return RunTool(tool, arguments, env);
    }
    bool HasWindow(const QString& caption) const {
        return Run(QStringLiteral("xwininfo"), {"-root", "-tree"}).contains('"' + caption + '"');
    }
    // A picture of the whole screen.
    QImage Screenshot(const QString& path) const {
        Run(QStringLiteral("import"), {"-window", "root", path});
        return QImage(path);
    }

    QProcessEnvironment env;

private:
    QProcess m_xvfb;
};

bool ToolsPresent(std::initializer_list<const char*> tools) {
    bool all = true;
    for (const char* tool : tools) {
        const bool found = !QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty();
        EXPECT_TRUE(found) << tool << " is missing: tools/setup.sh installs it";
        all = all && found;
    }
    return all;
}

int CountColour(const QImage& shot, const QColor& colour) {
    int count = 0;
    for (int y = 0; y < shot.height(); y += 10)
        for (int x = 0; x < shot.width(); x += 10) count += shot.pixelColor(x, y) == colour;
    return count;
}

TEST(RealWindowTest, TavloShowsItsWindowWithTheImageUnderXvfb) {
    if (!ToolsPresent({"Xvfb", "xwininfo", "import"})) return;
    QTemporaryDir folder;
    XServer x;
    ASSERT_TRUE(x.Start(folder.path())) << "Xvfb did not start";

    QImage image(640, 400, QImage::Format_RGB32);
    image.fill(QColor(12, 200, 77));
    const QString path = folder.filePath(QStringLiteral("straighten-me.png"));
    ASSERT_TRUE(image.save(path));

    TestEnvironment::ClearSettings();
    QProcess tavlo;
    tavlo.setProcessEnvironment(x.env);
    tavlo.setProcessChannelMode(QProcess::ForwardedChannels);
    tavlo.start(QStringLiteral(TAVLO), {path});
    ASSERT_TRUE(tavlo.waitForStarted(10000));

    const QString caption = QStringLiteral("straighten-me.png - Oblimo");
    const bool titled = WaitFor([&] { return x.HasWindow(caption); }, 30000);
    EXPECT_TRUE(titled) << "no window titled " << caption.toStdString();

    // The image is shown once the window has painted; then the picture is kept.
    const QString screenshot = OutputFolder() + QStringLiteral("/tavlo-window.png");
    const bool painted = titled && WaitFor([&] {
        return CountColour(x.Screenshot(screenshot), QColor(12, 200, 77)) > 100;
    }, 30000);
    EXPECT_TRUE(painted) << "the image did not appear; screenshot: " << screenshot.toStdString();
    EXPECT_TRUE(QFile::exists(screenshot));
    End(tavlo);
}

// The whole guide with the keyboard alone. The window opens with the focus in
// the view, and after each step change the focus is in the view again, so
// every step starts from there: Tab goes through the visible panel, then the
// top bar, then back to the view.
TEST(RealWindowTest, TheFourStepsWorkWithTheKeyboardAlone) {
    if (!ToolsPresent({"Xvfb", "xwininfo", "import", "xdotool", "xclip"})) return;
    QTemporaryDir folder, runtime;
    XServer x;
    // Without a window manager the window stays at its first-start normal
    // size, two thirds of the screen; on this screen the longest panel fits.
    ASSERT_TRUE(x.Start(runtime.path(), QStringLiteral("1920x1200x24"))) << "Xvfb did not start";

    QImage image(640, 400, QImage::Format_RGB32);
    image.fill(QColor(200, 40, 90));
    const QString path = folder.filePath(QStringLiteral("keyboard.png"));
    ASSERT_TRUE(image.save(path));

    TestEnvironment::ClearSettings();
    QProcess tavlo;
    tavlo.setProcessEnvironment(x.env);
    tavlo.setProcessChannelMode(QProcess::ForwardedChannels);
    tavlo.start(QStringLiteral(TAVLO), QStringList{});
    ASSERT_TRUE(tavlo.waitForStarted(10000));
    ASSERT_TRUE(WaitFor([&] { return x.HasWindow(QStringLiteral("無題 - Oblimo")); }, 30000))
        << "the empty window did not appear";
    const QString window =
        x.Run(QStringLiteral("xdotool"), {"search", "--name", "無題 - Oblimo"}).section('\n', 0, 0);
    ASSERT_FALSE(window.isEmpty());
    x.Run(QStringLiteral("xdotool"), {"windowfocus", "--sync", window});
    QThread::msleep(500);

    auto keys = [&](const QStringList& names) {
        for (const QString& name : names) {
            x.Run(QStringLiteral("xdotool"), {"key", "--delay", "60", name});
            QThread::msleep(120);
        }
    };
    auto tabs = [&](int count, const char* key = "Tab") {
        keys(QStringList(count, QString::fromLatin1(key)));
    };
    auto type = [&](const QString& text) {
        x.Run(QStringLiteral("xdotool"), {"type", "--delay", "40", text});
        QThread::msleep(200);
    };
    auto shoot = [&](const char* name) {
        QThread::msleep(700);
        const QImage shot = x.Screenshot(OutputFolder() + QStringLiteral("/") + QString::fromLatin1(name));
        EXPECT_FALSE(shot.isNull()) << name;
        return shot;
    };
    auto focusedWindow = [&] {
        return x.Run(QStringLiteral("xdotool"), {"getwindowfocus"}).trimmed();
    };

    // Step 1: Tab to "ファイルから読み込む", Space, the path, Return.
    tabs(1);
    keys({"space"});
    ASSERT_TRUE(WaitFor([&] { return focusedWindow() != window; }, 10000)) << "no file dialog";
    QThread::msleep(500);
    type(path);
    keys({"Return"});
    ASSERT_TRUE(WaitFor([&] { return x.HasWindow(QStringLiteral("keyboard.png - Oblimo")); }, 15000))
        << "the image was not opened";
    EXPECT_GT(CountColour(shoot("keyboard-step1.png"), QColor(200, 40, 90)), 100);

    // Back in the panel on "ファイルから読み込む": Tab to "ステップ2へ >>".
    tabs(1);
    keys({"space"});
    ASSERT_TRUE(WaitFor([&] { return x.HasWindow(QStringLiteral("keyboard.png * - Oblimo")); }, 10000))
        << "step 2 was not entered";

    // Step 2, from the view: "自動で傾きを補正", "ステップ3へ >>", the zoom box,
    // the up-down, the angle box. Type 10, then Tab to the scroll bar: five
    // pages and two steps back make 14.9 degrees.
    tabs(5);
    keys({"ctrl+a"});
    type(QStringLiteral("10"));
    tabs(1);
    keys({"Next", "Next", "Next", "Next", "Next", "Left", "Left"});
    shoot("keyboard-step2.png");
    // On to the view, past "自動で傾きを補正", to "ステップ3へ >>".
    tabs(3);
    keys({"space"});
    shoot("keyboard-step3.png");

    // Step 3, from the view backwards: the up-down, the zoom box, then
    // "ステップ4へ >>".
    tabs(3, "shift+Tab");
    keys({"space"});
    shoot("keyboard-step4.png");

    // Step 4, from the view: width, height, "自動的に名前を変えて保存",
    // "名前を付けて保存", "クリップボードにコピー".
    tabs(5);
    keys({"space"});
    QThread::msleep(1000);
    const QStringList targets =
        x.Run(QStringLiteral("xclip"), {"-o", "-selection", "clipboard", "-t", "TARGETS"}).split('\n');
    for (const char* target : {"text/uri-list", "x-special/gnome-copied-files", "image/png"})
        EXPECT_TRUE(targets.contains(QString::fromLatin1(target))) << target;
    const QString uris =
        x.Run(QStringLiteral("xclip"), {"-o", "-selection", "clipboard", "-t", "text/uri-list"});
    EXPECT_TRUE(uris.startsWith(QStringLiteral("file://") + runtime.path())) << uris.toStdString();
    // Qt's X11 layer offers every file list as text/plain too; the text is empty.
    EXPECT_EQ(x.Run(QStringLiteral("xclip"), {"-o", "-selection", "clipboard", "-t", "text/plain"}),
              QString());

    // Two back to "自動的に名前を変えて保存"; its message is closed with Return.
    tabs(2, "shift+Tab");
    keys({"space"});
    const QString saved = folder.filePath(QStringLiteral("keyboard-Oblimo.png"));
    EXPECT_TRUE(WaitFor([&] { return QFile::exists(saved); }, 10000)) << "nothing was saved";
    shoot("keyboard-saved.png");
    keys({"Return"});

    // The file has the trimmed size of the default frame at 14.9 degrees.
    QProcess cli;
    cli.start(QStringLiteral(TAVLO_CLI), {"frame", "--size", "640x400", "--angle", "14.9"});
    ASSERT_TRUE(cli.waitForFinished(10000));
    const QJsonObject frame = QJsonDocument::fromJson(cli.readAllStandardOutput()).object();
    const QSize written = QImageReader(saved).size();
    EXPECT_EQ(written, QSize(frame["trim_width"].toInt(), frame["trim_height"].toInt()));
    End(tavlo);
}

// What a screen reader is told, read from the accessibility bus: the window
// by its caption, the boxes by their captions, the up-down as a spin button,
// menu items without their shortcut, and the line correction in the status
// bar, as text and as an announced change.
TEST(RealWindowTest, AScreenReaderHearsTheCaptionTheBoxesAndTheLineCorrection) {
    const QString launcher = QStringLiteral("/usr/libexec/at-spi-bus-launcher");
    if (!ToolsPresent({"Xvfb", "xwininfo", "xdotool", "dbus-daemon"})) return;
    ASSERT_TRUE(QFile::exists(launcher)) << "at-spi2-core is missing: tools/setup.sh installs it";
    ASSERT_EQ(QProcess::execute(QStringLiteral("/usr/bin/python3"), {"-c", "import pyatspi"}), 0)
        << "python3-pyatspi is missing: tools/setup.sh installs it";
    QTemporaryDir folder, runtime;
    XServer x;
    ASSERT_TRUE(x.Start(runtime.path())) << "Xvfb did not start";

    QProcess bus, a11y, tavlo;
    bus.setProcessEnvironment(x.env);
    bus.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
    QByteArray address;
    ASSERT_TRUE(WaitFor([&] {
        bus.waitForReadyRead(100);
        address += bus.readAllStandardOutput();
        return address.contains('\n');
    }, 20000)) << "no session bus";
    x.env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromLocal8Bit(address.trimmed()));
    x.env.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    a11y.setProcessEnvironment(x.env);
    a11y.start(launcher, {"--launch-immediately"});
    ASSERT_TRUE(a11y.waitForStarted(10000));

    QImage image(640, 400, QImage::Format_RGB32);
    image.fill(QColor(30, 60, 200));
    const QString path = folder.filePath(QStringLiteral("spoken.png"));
    ASSERT_TRUE(image.save(path));
    TestEnvironment::ClearSettings();
    tavlo.setProcessEnvironment(x.env);
    tavlo.setProcessChannelMode(QProcess::ForwardedChannels);
    tavlo.start(QStringLiteral(TAVLO), {path});
    ASSERT_TRUE(tavlo.waitForStarted(10000));
    // With accessibility on, the window waits for the bus to answer; on a loaded
    // machine that answer alone can take a D-Bus timeout (25 s).
    ASSERT_TRUE(WaitFor([&] { return x.HasWindow(QStringLiteral("spoken.png - Oblimo")); }, 90000));
    const QString window =
        x.Run(QStringLiteral("xdotool"), {"search", "--name", "spoken.png - Oblimo"}).section('\n', 0, 0);

    auto told = [&] {
        QProcess process;
        process.setProcessEnvironment(x.env);
        process.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(OBLIMO_SCREEN_READER), "tree"});
        process.waitForFinished(30000);
        return QString::fromUtf8(process.readAllStandardOutput()).split('\n');
    };

    QStringList tree;
    EXPECT_TRUE(WaitFor([&] {
        tree = told();
        return tree.contains(QStringLiteral("frame\tspoken.png - Oblimo\t"));
    }, 20000)) << tree.join('\n').toStdString();
    EXPECT_TRUE(tree.contains(QStringLiteral("combo box\t表示\t"))) << "the zoom box";
    EXPECT_TRUE(tree.contains(QStringLiteral("spin button\t表示\t"))) << "the zoom up-down";
    EXPECT_TRUE(tree.contains(QStringLiteral("menu item\t元に戻す(U)\t")));
    // No menu item is named with its shortcut.
    for (const QString& line : tree)
        if (line.startsWith(QStringLiteral("menu item")))
            EXPECT_FALSE(line.contains(QStringLiteral("Ctrl+"))) << line.toStdString();

    // "ステップ2へ >>" with the keyboard: from the view, past "ファイルから読み込む".
    x.Run(QStringLiteral("xdotool"), {"windowfocus", "--sync", window});
    for (const char* key : {"Tab", "Tab", "space"}) {
        x.Run(QStringLiteral("xdotool"), {"key", key});
        QThread::msleep(200);
    }
    EXPECT_TRUE(WaitFor([&] {
        tree = told();
        return tree.contains(QStringLiteral("frame\tspoken.png * - Oblimo\t"));
    }, 20000)) << "the caption with the modified mark";
    EXPECT_TRUE(tree.contains(QStringLiteral("combo box\t回転\t"))) << "the angle box";
    EXPECT_TRUE(tree.contains(QStringLiteral("scroll bar\t回転\t"))) << "the rotation scroll bar";

    // A line drawn in the view; the reader listens meanwhile.
    QProcess listener;
    listener.setProcessEnvironment(x.env);
    listener.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(OBLIMO_SCREEN_READER), "watch", "8"});
    ASSERT_TRUE(listener.waitForReadyRead(20000));
    QThread::msleep(3000);
    const QString geometry = x.Run(QStringLiteral("xdotool"), {"getwindowgeometry", "--shell", window});
    auto value = [&](const char* key) {
        for (const QString& line : geometry.split('\n'))
            if (line.startsWith(QString::fromLatin1(key) + '=')) return line.section('=', 1).toInt();
        return 0;
    };
    const int left = value("X") + 450, top = value("Y") + 300;
    x.Run(QStringLiteral("xdotool"),
          {"mousemove", QString::number(left), QString::number(top), "mousedown", "1", "mousemove",
           QString::number(left + 50), QString::number(top + 5), "mousemove", QString::number(left + 100),
           QString::number(top + 10), "mouseup", "1"});
    ASSERT_TRUE(listener.waitForFinished(30000));
    const QStringList heard = QString::fromUtf8(listener.readAllStandardOutput()).split('\n');
    // The line falls 10 pixels over 100: a correction of about -5.7106 degrees
    // (the last digit depends on the zoom the image is shown at).
    const QString announced = QStringLiteral("object:text-changed:insert\tstatus bar\tステータス\t");
    QString correction;
    for (const QString& line : heard)
        if (line.startsWith(announced)) correction = line.mid(announced.size());
    EXPECT_NEAR(correction.toDouble(), -5.7106, 0.001) << heard.join('\n').toStdString();
    tree = told();
    EXPECT_TRUE(tree.contains(QStringLiteral("status bar\tステータス\t") + correction))
        << tree.join('\n').toStdString();

    End(tavlo);
    End(a11y);
    End(bus);
}

}  // namespace
