#include "ProcessRunner.h"

#include <QProcess>

#include "TestEnvironment.h"

ProcessResult RunProgram(const QString& program, const QStringList& arguments,
                         const QString& workingFolder, const QProcessEnvironment& extra,
                         int timeoutMs) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", TestEnvironment::ConfigFolder());
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    for (const QString& key : extra.keys()) environment.insert(key, extra.value(key));
    process.setProcessEnvironment(environment);
    if (!workingFolder.isEmpty()) process.setWorkingDirectory(workingFolder);
    process.start(program, arguments);
    ProcessResult result;
    result.finished = process.waitForFinished(timeoutMs);
    if (!result.finished) process.kill();
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}
