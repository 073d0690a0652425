// The real editor on a real X server, driven as a user drives it: the options
// sheet opened from the menu, then the open dialog, both with Japanese texts.
// Controls are found by their accessible names over the accessibility bus
// (tools/ui-driver.py) and clicked with xdotool; a screenshot of each dialog
// is kept in build/test-output/options_window/.

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <memory>

#include "support/TestEnvironment.h"

namespace {

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs) return false;
        QThread::msleep(100);
    }
    return true;
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

// Starts a program that reports an address or number on its first output line.
QString FirstLine(QProcess& process, const QString& program, const QStringList& arguments,
                  const QProcessEnvironment& env) {
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    if (!process.waitForStarted(10000)) return {};
    QByteArray line;
    WaitFor([&] {
        process.waitForReadyRead(100);
        line += process.readAllStandardOutput();
        return line.contains('\n');
    }, 20000);
    return QString::fromLocal8Bit(line).section(QLatin1Char('\n'), 0, 0).trimmed();
}

class OptionsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"Xvfb", "xwininfo", "xdotool", "import", "dbus-daemon"})
            ASSERT_FALSE(QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                << tool << " is missing: tools/setup.sh installs it";
        ASSERT_TRUE(QFile::exists(kBusLauncher)) << "at-spi2-core is missing: tools/setup.sh installs it";
        ASSERT_EQ(QProcess::execute("/usr/bin/python3", {"-c", "import pyatspi"}), 0)
            << "python3-pyatspi is missing: tools/setup.sh installs it";

        m_env = QProcessEnvironment::systemEnvironment();
        // -noreset: a server that resets when its last client leaves refuses
        // whoever connects at that moment.
        const QString display = FirstLine(m_xvfb, "Xvfb",
                                          {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp", "-noreset"},
                                          m_env);
        ASSERT_FALSE(display.isEmpty()) << "Xvfb did not start";
        m_env.insert("DISPLAY", ":" + display);
        const QString bus = FirstLine(m_bus, "dbus-daemon", {"--session", "--nofork", "--print-address=1"}, m_env);
        ASSERT_FALSE(bus.isEmpty()) << "no session bus";
        m_env.insert("DBUS_SESSION_BUS_ADDRESS", bus);
        m_env.insert("QT_QPA_PLATFORM", "xcb");
        m_env.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
        m_env.insert("XDG_CONFIG_HOME", TestEnvironment::ConfigFolder());
        m_env.insert("XDG_RUNTIME_DIR", m_folder.path());
        m_a11y.setProcessEnvironment(m_env);
        m_a11y.start(kBusLauncher, {"--launch-immediately"});
        ASSERT_TRUE(m_a11y.waitForStarted(10000));

        m_tavlo.setProcessEnvironment(m_env);
        m_tavlo.setWorkingDirectory(m_folder.path());
        m_tavlo.setProcessChannelMode(QProcess::ForwardedChannels);
        m_tavlo.start(QStringLiteral(TAVLO), {});
        ASSERT_TRUE(m_tavlo.waitForStarted(10000));
        ASSERT_TRUE(WaitForWindow("無題 - Oblimo")) << "the editor's window did not appear";
        QDir().mkpath(QString::fromUtf8(kOutput));
    }

    void TearDown() override {
        End(m_tavlo);
        End(m_a11y);
        End(m_bus);
        End(m_xvfb);
    }

    // Runs the driver; its standard output, or nothing when it failed.
    std::optional<QString> Driver(const QStringList& arguments) {
        QProcess driver;
        driver.setProcessEnvironment(m_env);
        driver.start("/usr/bin/python3", QStringList{QStringLiteral(OBLIMO_SOURCE_DIR "/tools/ui-driver.py")} + arguments);
        if (!driver.waitForFinished(30000) || driver.exitCode() != 0) {
            ADD_FAILURE() << arguments.join(' ').toStdString() << ": "
                          << driver.readAllStandardError().toStdString();
            End(driver);
            return std::nullopt;
        }
        return QString::fromUtf8(driver.readAllStandardOutput()).trimmed();
    }
    bool Click(const QString& role, const QString& name) { return Driver({"click", role, name}).has_value(); }

    bool WaitForWindow(const QString& title) {
        return WaitFor([&] {
            QProcess tree;
            tree.setProcessEnvironment(m_env);
            tree.start("xwininfo", {"-root", "-tree"});
            tree.waitForFinished(10000);
            return QString::fromUtf8(tree.readAllStandardOutput()).contains("\"" + title + "\"");
        }, 30000);
    }

    // A screenshot of the whole screen once the dialog has painted.
    QImage Screenshot(const QString& name) {
        const QString path = QString::fromUtf8(kOutput) + "/" + name;
        QThread::msleep(500);
        QProcess import;
        import.setProcessEnvironment(m_env);
        import.start("import", {"-window", "root", path});
        import.waitForFinished(20000);
        return QImage(path);
    }

    static constexpr char kBusLauncher[] = "/usr/libexec/at-spi-bus-launcher";
    static constexpr char kOutput[] = OBLIMO_TEST_OUTPUT_DIR "/options_window";
    QTemporaryDir m_folder;
    QProcessEnvironment m_env;
    QProcess m_xvfb, m_bus, m_a11y, m_tavlo;
};

TEST_F(OptionsWindowTest, TheOptionsSheetAndTheOpenDialogSpeakJapanese) {
    ASSERT_TRUE(Click("menu item", "ツール(T)"));
    ASSERT_TRUE(Click("menu item", "オプション(O)"));
    ASSERT_TRUE(WaitForWindow("オプション")) << "the sheet did not open";
    for (const char* tab : {"余白", "保存", "その他"}) EXPECT_TRUE(Driver({"rect", "page tab", tab}));
    EXPECT_TRUE(Driver({"rect", "push button", "色の選択"}));
    const QImage sheet = Screenshot("options-sheet.png");
    ASSERT_FALSE(sheet.isNull());
    ASSERT_TRUE(Click("push button", "キャンセル"));

    ASSERT_TRUE(Click("push button", "ファイルから読み込む"));
    ASSERT_TRUE(WaitForWindow("開く")) << "no open dialog titled 開く";
    // Qt's own labels, in Japanese, and the filter once.
    EXPECT_TRUE(Driver({"rect", "label", "ファイル名(N):"}));
    EXPECT_TRUE(Driver({"rect", "label", "ファイルの種類:"}));
    const std::optional<QString> types = Driver({"list"});
    ASSERT_TRUE(types);
    EXPECT_TRUE(types->contains("すべてのファイル(*.*)")) << types->toStdString();
    EXPECT_FALSE(types->contains("(*.png;*.jpg;*.jpeg;*.gif;*.bmp;*.tif;*.tiff;*.exif;*.heif;*.heic) (*.png"))
        << "the patterns appear twice";
    const QImage dialog = Screenshot("open-dialog.png");
    ASSERT_FALSE(dialog.isNull());
    EXPECT_NE(dialog, sheet);
    EXPECT_TRUE(Click("push button", "キャンセル"));
}

}  // namespace
