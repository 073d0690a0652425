#pragma once

// The base of tests that run tavlo-cli as a real program: each test has its
// own folder to work in, and the settings are cleared before and after it so
// that no test sees what another one saved. The target defines TAVLO_CLI as
// the program's path.

#include <gtest/gtest.h>

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>

#include "ProcessRunner.h"
#include "TestEnvironment.h"

class CliTest : public ::testing::Test {
protected:
    void SetUp() override { TestEnvironment::ClearSettings(); }
    void TearDown() override { TestEnvironment::ClearSettings(); }

    ProcessResult Cli(const QStringList& arguments) {
        return RunProgram(TAVLO_CLI, arguments, m_folder.path());
    }
    QString Path(const QString& name) const { return QDir(m_folder.path()).filePath(name); }

    QTemporaryDir m_folder;
};
