// The real launcher, packed with a test installer script and run with a
// private temporary folder; without a display it reports on standard error.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "launcher/FileTime.h"
#include "launcher/PayloadAnchor.h"
#include "support/FileFixtures.h"
#include "support/ImageFixtures.h"
#include "support/ProcessRunner.h"

using Fixtures::ReadFile;
using Fixtures::WriteFile;

namespace {
using FileFixtures::Noise;
using FileFixtures::SetModificationTime;

const QString kFolder = QStringLiteral("{3F2504E0-4F89-11D3-9A0C-0305E82C3301}");
const QString kInstaller = QStringLiteral("setup.sh");
const QString kPackage = QStringLiteral("package.bin");

// Reports what it sees into $QUILLET_TEST_REPORT: its working folder, the
// folder's entries, the modes, and copies of both files with their times.
const QByteArray kReportingInstaller = R"(#!/bin/sh
report="$QUILLET_TEST_REPORT"
pwd -P > "$report/cwd"
ls -A > "$report/listing"
stat -c '%a' . "$0" ./package.bin > "$report/modes"
cp -p "$0" "$report/installer.copy"
cp -p ./package.bin "$report/package.copy"
)";

const timespec kInstallerTime{1'582'979'696, 765'432'100};  // 2020-02-29 12:34:56.7654321
const timespec kPackageTime{1'052'204'889, 100};            // 2003-05-06 07:08:09.0000001

timespec ModificationTime(const QString& path) {
    struct stat status {};
    EXPECT_EQ(stat(QFile::encodeName(path).constData(), &status), 0) << qPrintable(path);
    return status.st_mtim;
}

void ExpectTime(const QString& path, timespec expected) {
    const timespec actual = ModificationTime(path);
    EXPECT_EQ(actual.tv_sec, expected.tv_sec) << qPrintable(path);
    EXPECT_EQ(actual.tv_nsec, expected.tv_nsec) << qPrintable(path);
}

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

class QuilletRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir(m_root.path()).mkpath("tmp"));
        ASSERT_TRUE(QDir(m_root.path()).mkpath("report"));
        ASSERT_TRUE(QDir(m_root.path()).mkpath("inputs"));
        m_package = Noise(2 * 1024 * 1024 + 12345, 7);  // three copy chunks
    }

    QString Temporary() const { return m_root.filePath("tmp"); }
    QString Folder() const { return Temporary() + "/" + kFolder; }
    QString Report(const QString& name = QString()) const {
        return m_root.filePath("report") + (name.isEmpty() ? QString() : "/" + name);
    }

    // Packs the launcher with the installer script and the package through the
    // real packaging tool.
    QString PackLauncher(const QByteArray& installerScript = kReportingInstaller) {
        const QString installer = WriteFile(m_root.filePath("inputs"), kInstaller, installerScript);
        const QString package = WriteFile(m_root.filePath("inputs"), kPackage, m_package);
        SetModificationTime(installer, kInstallerTime);
        SetModificationTime(package, kPackageTime);
        const QString output = m_root.filePath("Oblimo-setup");
        const ProcessResult packed = RunProgram(
            QUILLET_PACK, {QUILLET, installer, package, "-o", output, "--folder", kFolder});
        EXPECT_EQ(packed.exitCode, 0) << packed.err.toStdString();
        return output;
    }

    // The launcher followed by the given payload bytes and a hand-made record.
    QString LauncherWithRecord(const QByteArray& payload, PayloadAnchor anchor) {
        QByteArray file = ReadFile(QUILLET);
        const quint32 payloadStart = quint32(file.size());
        file += payload;
        file += QByteArray((128 - file.size() % 128) % 128, '\0');
        anchor.fixed.payloadStart = payloadStart;
        file += EncodePayloadAnchor(anchor);
        const QString path = WriteFile(m_root.path(), "Oblimo-setup", file);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }

    ProcessResult RunLauncher(const QString& launcher) {
        QProcessEnvironment environment;
        environment.insert("TMPDIR", Temporary());
        environment.insert("QUILLET_TEST_REPORT", Report());
        return RunProgram(launcher, {}, m_root.path(), environment, 60000);
    }

    QTemporaryDir m_root;
    QByteArray m_package;
};

TEST_F(QuilletRunTest, UnpacksRunsInstallerInItsFolderAndCleansUp) {
    const ProcessResult run = RunLauncher(PackLauncher());
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");

    EXPECT_EQ(ReadFile(Report("cwd")).trimmed(), QFileInfo(Folder()).absoluteFilePath().toUtf8());
    EXPECT_EQ(ReadFile(Report("listing")), "package.bin\nsetup.sh\n");
    EXPECT_EQ(ReadFile(Report("modes")), "700\n700\n600\n");
    EXPECT_EQ(ReadFile(Report("installer.copy")), kReportingInstaller);
    EXPECT_EQ(ReadFile(Report("package.copy")), m_package);
    ExpectTime(Report("installer.copy"), kInstallerTime);
    ExpectTime(Report("package.copy"), kPackageTime);

    EXPECT_EQ(Entries(Temporary()), QStringList());
}

TEST_F(QuilletRunTest, FolderOfInterruptedRunIsReusedAndItsFilesReplaced) {
    ASSERT_TRUE(QDir().mkpath(Folder()));
    QFile::setPermissions(Folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                        QFile::ReadOther | QFile::ExeOther);
    WriteFile(Folder(), kInstaller, QByteArray(5000, 'o'));
    WriteFile(Folder(), kPackage, QByteArray(3 * 1024 * 1024, 'o'));

    const ProcessResult run = RunLauncher(PackLauncher());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    // The reused folder is narrowed to the user, the files replaced whole.
    EXPECT_EQ(ReadFile(Report("modes")), "700\n700\n600\n");
    EXPECT_EQ(ReadFile(Report("installer.copy")), kReportingInstaller);
    EXPECT_EQ(ReadFile(Report("package.copy")), m_package);
    EXPECT_FALSE(QFileInfo::exists(Folder()));
}

TEST_F(QuilletRunTest, FolderThatIsNotOursAloneIsRefused) {
    const QString elsewhere = m_root.filePath("elsewhere");
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    struct FolderCase {
        const char* name;
        std::function<void()> plant;
    };
    std::vector<FolderCase> cases = {
        {"link", [&] { ASSERT_TRUE(QFile::link(elsewhere, Folder())); }},
        {"file", [&] { WriteFile(Temporary(), kFolder, "not a folder"); }},
    };
    if (geteuid() == 0) {
        cases.push_back({"foreign owner", [&] {
                             ASSERT_TRUE(QDir().mkpath(Folder()));
                             ASSERT_EQ(chown(QFile::encodeName(Folder()).constData(), 65534, 65534),
                                       0);
                         }});
    }
    const QString launcher = PackLauncher();
    for (const FolderCase& c : cases) {
        SCOPED_TRACE(c.name);
        c.plant();
        const ProcessResult run = RunLauncher(launcher);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(QString::fromUtf8(run.err),
                  "Oblimo: テンポラリファイルを作成できません。 " + Folder() + "\n");
        EXPECT_EQ(Entries(elsewhere), QStringList());
        EXPECT_FALSE(QFileInfo::exists(Report("cwd")));
        QFile::remove(Folder());
        QDir(Folder()).removeRecursively();
    }
}

TEST_F(QuilletRunTest, LinkInPlaceOfTargetIsNotFollowed) {
    const QString victim = WriteFile(m_root.path(), "victim", "keep me");
    ASSERT_TRUE(QDir().mkpath(Folder()));
    ASSERT_TRUE(QFile::link(victim, Folder() + "/" + kInstaller));

    const ProcessResult run = RunLauncher(PackLauncher());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(run.err),
              "Oblimo: テンポラリファイルを作成できません。 " + Folder() + "/" + kInstaller + "\n");
    EXPECT_EQ(ReadFile(victim), "keep me");
    EXPECT_FALSE(QFileInfo::exists(Report("cwd")));
    EXPECT_TRUE(QFileInfo(Folder()).isDir());
}

TEST_F(QuilletRunTest, LauncherWithoutRecordReportsNoAnchorWithoutCaption) {
    const ProcessResult run = RunLauncher(QUILLET);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(run.err), "アンカーがありません。\n");
    EXPECT_EQ(Entries(Temporary()), QStringList());
}

TEST_F(QuilletRunTest, UnsafeFolderNameIsRefusedLikeMissingRecord) {
    PayloadAnchor anchor;
    anchor.productName = QStringLiteral("Oblimo");
    anchor.folderName = QStringLiteral("..");
    anchor.installerName = kInstaller;
    anchor.packageName = kPackage;
    const ProcessResult run = RunLauncher(LauncherWithRecord(QByteArray(), anchor));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(run.err), "Oblimo: アンカーがありません。\n");
    EXPECT_EQ(Entries(m_root.path()), (QStringList{"Oblimo-setup", "inputs", "report", "tmp"}));
    EXPECT_EQ(Entries(Temporary()), QStringList());
}

TEST_F(QuilletRunTest, InstallerReachingPastTheEndLeavesThePartialFile) {
    const quint32 launcherSize = quint32(ReadFile(QUILLET).size());
    const QByteArray payload = Noise(1536 * 1024, 11);
    const quint32 fileEnd = launcherSize + quint32(payload.size()) + 1024;
    struct ReachCase {
        const char* name;
        quint32 offset, size;
        QByteArray written;
    };
    const ReachCase cases[] = {
        // The first whole chunk is written before the second one comes up short.
        {"size beyond the end", launcherSize, 3 * 1024 * 1024, payload.left(1024 * 1024)},
        {"offset beyond the end", fileEnd + 4096, 100, QByteArray()},
    };
    for (const ReachCase& c : cases) {
        SCOPED_TRACE(c.name);
        PayloadAnchor anchor;
        anchor.productName = QStringLiteral("Oblimo");
        anchor.folderName = kFolder;
        anchor.installerName = kInstaller;
        anchor.packageName = kPackage;
        anchor.fixed.installerOffset = c.offset;
        anchor.fixed.installerSize = c.size;
        anchor.fixed.packageOffset = launcherSize;
        anchor.fixed.packageSize = 10;
        const ProcessResult run = RunLauncher(LauncherWithRecord(payload, anchor));
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(QString::fromUtf8(run.err), "Oblimo: インストールファイルを読み取れません。\n");
        EXPECT_EQ(Entries(Folder()), QStringList{kInstaller});
        EXPECT_EQ(ReadFile(Folder() + "/" + kInstaller), c.written);
        EXPECT_FALSE(QFileInfo::exists(Report("cwd")));
        QDir(Folder()).removeRecursively();
    }
}

TEST_F(QuilletRunTest, InstallerThatCannotStartLeavesBothFiles) {
    const QString launcher = PackLauncher("neither a script nor a program\n");
    const ProcessResult run = RunLauncher(launcher);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(run.err), "Oblimo: インストーラーを起動できません。\n");
    EXPECT_EQ(Entries(Folder()), (QStringList{kPackage, kInstaller}));
    EXPECT_EQ(ReadFile(Folder() + "/" + kPackage), m_package);
    ExpectTime(Folder() + "/" + kInstaller, kInstallerTime);
}

TEST_F(QuilletRunTest, LogWrittenByInstallerKeepsTheFolder) {
    const ProcessResult run = RunLauncher(PackLauncher("#!/bin/sh\necho done > install.log\n"));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(Entries(Folder()), QStringList{"install.log"});
    EXPECT_EQ(ReadFile(Folder() + "/install.log"), "done\n");
}

}  // namespace
