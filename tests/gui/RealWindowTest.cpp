// The real editor on a real X server: Xvfb is started, tavlo opens an image
// named on its command line, its window appears with the caption
// "<file name> - Oblimo" and shows the image, and a screenshot of the screen is
// written to the test's output folder. The program is ended afterwards.

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
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

TEST(RealWindowTest, TavloShowsItsWindowWithTheImageUnderXvfb) {
    for (const char* tool : {"Xvfb", "xwininfo", "import"})
        ASSERT_FALSE(QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            << tool << " is missing: tools/setup.sh installs it";

    // Xvfb picks a free display and reports its number on standard output.
    QProcess xvfb;
    xvfb.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-screen", "0", "1280x800x24",
                                        "-nolisten", "tcp"});
    ASSERT_TRUE(xvfb.waitForStarted(10000));
    QByteArray number;
    ASSERT_TRUE(WaitFor([&] {
        xvfb.waitForReadyRead(100);
        number += xvfb.readAllStandardOutput();
        return number.contains('\n');
    }, 20000)) << "Xvfb did not start";
    const QString display = QStringLiteral(":") + QString::fromLatin1(number.trimmed());

    QTemporaryDir folder;
    QImage image(640, 400, QImage::Format_RGB32);
    image.fill(QColor(12, 200, 77));
    const QString path = folder.filePath(QStringLiteral("straighten-me.png"));
    ASSERT_TRUE(image.save(path));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), TestEnvironment::ConfigFolder());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.path());
    QProcess tavlo;
    tavlo.setProcessEnvironment(env);
    tavlo.setProcessChannelMode(QProcess::ForwardedChannels);
    tavlo.start(QStringLiteral(TAVLO), {path});
    ASSERT_TRUE(tavlo.waitForStarted(10000));

    const QString caption = QStringLiteral("\"straighten-me.png - Oblimo\"");
    const bool titled = WaitFor([&] {
        return RunTool(QStringLiteral("xwininfo"), {"-root", "-tree"}, env).contains(caption);
    }, 30000);
    EXPECT_TRUE(titled) << "no window titled " << caption.toStdString();

    // The image is shown once the window has painted; then the picture is kept.
    const QString outputFolder = QStringLiteral(OBLIMO_TEST_OUTPUT_DIR "/real_window");
    QDir().mkpath(outputFolder);
    const QString screenshot = outputFolder + QStringLiteral("/tavlo-window.png");
    const bool painted = titled && WaitFor([&] {
        RunTool(QStringLiteral("import"), {"-window", "root", screenshot}, env);
        const QImage shot(screenshot);
        if (shot.isNull()) return false;
        int green = 0;
        for (int y = 0; y < shot.height(); y += 10)
            for (int x = 0; x < shot.width(); x += 10) green += shot.pixelColor(x, y) == QColor(12, 200, 77);
        return green > 100;
    }, 30000);
    EXPECT_TRUE(painted) << "the image did not appear; screenshot: " << screenshot.toStdString();
    EXPECT_TRUE(QFile::exists(screenshot));

    End(tavlo);
    End(xvfb);
}

}  // namespace
