#include "SetupSession.h"

#include <unistd.h>

#include <QRegularExpression>

#include "FileIo.h"

bool HasGraphicalDisplay(const QString& qpaPlatform, const QString& x11Display,
                         const QString& waylandDisplay) {
    // QT_QPA_PLATFORM may list fall-backs ("wayland;xcb"); the first decides.
    const QString platform =
        qpaPlatform.section(QLatin1Char(';'), 0, 0).section(QLatin1Char(':'), 0, 0);
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return false;
    if (platform.startsWith(QLatin1String("xcb"))) return !x11Display.isEmpty();
    if (platform.startsWith(QLatin1String("wayland"))) return !waylandDisplay.isEmpty();
    if (!platform.isEmpty()) return true;  // a frame buffer, VNC, ...
    return !x11Display.isEmpty() || !waylandDisplay.isEmpty();
}

bool HasGraphicalDisplay() {
    return HasGraphicalDisplay(qEnvironmentVariable("QT_QPA_PLATFORM"),
                               qEnvironmentVariable("DISPLAY"),
                               qEnvironmentVariable("WAYLAND_DISPLAY"));
}

QByteArray MessageLine(const QString& caption, const QString& text) {
    static const QRegularExpression lineBreaks(QStringLiteral("[\r\n]+"));
    QString line = text;
    line.replace(lineBreaks, QStringLiteral(" "));
    if (!caption.isEmpty()) line = caption + QStringLiteral(": ") + line;
    return line.toUtf8() + '\n';
}

QString MessageBoxText(const QString& text) {
    QString plain = text;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return plain;
}

void WriteMessageLine(const QString& caption, const QString& text) {
    const QByteArray line = MessageLine(caption, text);
    WriteAll(STDERR_FILENO, line.constData(), line.size());
}
