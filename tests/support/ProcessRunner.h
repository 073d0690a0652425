#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Runs one of the project's programs with the test's private settings folder
// and waits for it (with a time-out, so a hung program fails the test).
struct ProcessResult {
    int exitCode = -1;
    bool finished = false;
    QByteArray out;
    QByteArray err;
};

ProcessResult RunProgram(const QString& program, const QStringList& arguments,
                         const QString& workingFolder = QString(),
                         const QProcessEnvironment& extra = QProcessEnvironment(),
                         int timeoutMs = 120000);
