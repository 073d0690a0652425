#include "PackageToolRun.h"

#include <unistd.h>

#include <QProcess>

#include "launcher/FileIo.h"

namespace {

constexpr int kReportedLines = 8;
constexpr qsizetype kKeptOutput = 16384;

QString LastLines(const QByteArray& output) {
    QStringList lines;
    for (const QByteArray& line : output.split('\n')) {
        const QString text = QString::fromUtf8(line).trimmed();
        if (!text.isEmpty()) lines << text;
    }
    return lines.mid(qMax(0, lines.size() - kReportedLines)).join(QLatin1Char('\n'));
}

}  // namespace

PackageToolOutcome RunPackageTool(const InstallCommand& command) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    process.start(command.program, command.arguments);
    if (!process.waitForStarted(-1)) return {false, process.errorString()};

    QByteArray kept;
    const auto pass = [&] {
        const QByteArray chunk = process.readAll();
        WriteAll(STDOUT_FILENO, chunk.constData(), chunk.size());
        kept = (kept + chunk).right(kKeptOutput);
    };
    while (process.state() != QProcess::NotRunning) {
        process.waitForReadyRead(-1);
        pass();
    }
    pass();
    const bool succeeded = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return {succeeded, LastLines(kept)};
}
