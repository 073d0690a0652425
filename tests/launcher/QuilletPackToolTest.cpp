// quillet-pack as a program: its usage errors and refusals, and an output the
// launcher's search accepts.

#include <fcntl.h>
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "launcher/AnchorSearch.h"
#include "launcher/FileIo.h"
#include "support/ImageFixtures.h"
#include "support/ProcessRunner.h"

using Fixtures::WriteFile;

namespace {

class QuilletPackToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_launcher = WriteFile(m_folder.path(), "launcher", QByteArray(5000, 'L'));
        m_installer = WriteFile(m_folder.path(), "setup", "#!/bin/sh\n");
        m_package = WriteFile(m_folder.path(), "oblimo.deb", QByteArray(777, 'P'));
        m_output = m_folder.filePath("out");
    }

    ProcessResult Pack(const QStringList& arguments) { return RunProgram(QUILLET_PACK, arguments); }

    QTemporaryDir m_folder;
    QString m_launcher, m_installer, m_package, m_output;
};

TEST_F(QuilletPackToolTest, PacksWithTheNamesGiven) {
    const ProcessResult result =
        Pack({m_launcher, m_installer, m_package, "-o", m_output, "--product", "Oblimo 体験版",
              "--folder", "oblimo", "--installer-name", "install", "--package-name", "o.deb"});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const UniqueFd fd(open(QFile::encodeName(m_output).constData(), O_RDONLY));
    const AnchorSearchResult found = FindPayloadAnchor(fd.Get());
    ASSERT_TRUE(found.accepted);
    EXPECT_EQ(found.anchor.productName, "Oblimo 体験版");
    EXPECT_EQ(found.anchor.folderName, "oblimo");
    EXPECT_EQ(found.anchor.installerName, "install");
    EXPECT_EQ(found.anchor.packageName, "o.deb");
    EXPECT_EQ(found.anchor.fixed.installerOffset, 5000u);
    EXPECT_EQ(found.anchor.fixed.packageOffset, 5016u);
}

TEST_F(QuilletPackToolTest, PackingAPackedLauncherAgainIsRefused) {
    ASSERT_EQ(Pack({m_launcher, m_installer, m_package, "-o", m_output}).exitCode, 0);
    const QString again = m_folder.filePath("again");
    const ProcessResult result = Pack({m_output, m_installer, m_package, "-o", again});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.err.startsWith("quillet-pack: refused: ")) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains("already carries a payload")) << result.err.toStdString();
    EXPECT_FALSE(QFile::exists(again));
}

TEST_F(QuilletPackToolTest, BadUsageAndRefusedInputsExitWithTwo) {
    const QStringList inputs{m_launcher, m_installer, m_package};
    const QStringList cases[] = {
        inputs,                                                // no output
        QStringList{m_launcher, m_installer, "-o", m_output},  // two inputs
        inputs + QStringList{"-o", m_output, "--frobnicate"},
        inputs + QStringList{"-o", m_output, "--folder", ".."},
        inputs + QStringList{"-o", m_output, "--installer-name", "a/b"},
        inputs + QStringList{"-o", m_output, "--package-name="},
        inputs + QStringList{"-o", m_output, "--product="},
    };
    for (const QStringList& arguments : cases) {
        const ProcessResult result = Pack(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(result.err.startsWith("quillet-pack: ")) << result.err.toStdString();
        EXPECT_FALSE(QFile::exists(m_output));
    }
    const ProcessResult missing =
        Pack({m_launcher, m_installer, m_folder.filePath("absent"), "-o", m_output});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_FALSE(QFile::exists(m_output));
}

}  // namespace
