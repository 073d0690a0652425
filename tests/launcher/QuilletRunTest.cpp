// The real launcher, packed with a test installer script and run with a
// private temporary folder and no graphical session unless a case makes one;
// its messages arrive on standard error.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstring>

#include "launcher/FileIo.h"
#include "launcher/FileTime.h"
#include "launcher/PayloadAnchor.h"
#include "support/FileFixtures.h"
#include "support/ImageFixtures.h"
#include "support/ProcessRunner.h"
#include "support/QtPrinters.h"

using Fixtures::ReadFile;
using Fixtures::WriteFile;

namespace {
using FileFixtures::FolderEntries;
using FileFixtures::Noise;
using FileFixtures::SetModificationTime;

const QString kFolder = QStringLiteral("{3F2504E0-4F89-11D3-9A0C-0305E82C3301}");
const QString kInstaller = QStringLiteral("setup.sh");
const QString kPackage = QStringLiteral("package.bin");
// The sub-folder of the shared temporary folder that belongs to this user.
const QString kOwnPrefix = QStringLiteral("quillet-%1-").arg(geteuid());
constexpr uid_t kNobody = 65534;

// Reports what it sees into $QUILLET_TEST_REPORT: its working folder, the
// folder's entries, the modes, and copies of both files with their times.
const QByteArray kReportingInstaller = R"(#!/bin/sh
report="$QUILLET_TEST_REPORT"
pwd -P > "$report/cwd"
ls -A > "$report/listing"
stat -c '%a' . .. "$0" ./package.bin > "$report/modes"
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

void MakeFolder(const QString& path, mode_t mode) {
    ASSERT_TRUE(QDir().mkpath(path));
    ASSERT_EQ(chmod(QFile::encodeName(path).constData(), mode), 0);
}

void GiveToNobody(const QString& path) {
    ASSERT_EQ(chown(QFile::encodeName(path).constData(), kNobody, kNobody), 0) << qPrintable(path);
}

class QuilletRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        MakeFolder(m_root.filePath("tmp"), 01777);
        ASSERT_TRUE(QDir(m_root.path()).mkpath("report"));
        ASSERT_TRUE(QDir(m_root.path()).mkpath("inputs"));
        ASSERT_TRUE(QDir(m_root.path()).mkpath("fakebin"));
        m_package = Noise(2 * 1024 * 1024 + 12345, 7);  // three copy chunks
    }

    QString Temporary() const { return m_root.filePath("tmp"); }
    // This user's sub-folder of the temporary folder, as an interrupted run
    // would have left it, and the unpack folder inside.
    QString OwnParent() const { return Temporary() + "/" + kOwnPrefix + "test00"; }
    QString Folder() const { return OwnParent() + "/" + kFolder; }
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
        file += QByteArray::fromStdString(EncodePayloadAnchor(anchor));
        const QString path = WriteFile(m_root.path(), "Oblimo-setup", file);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }

    // A stand-in dialog program that notes each call, one argument a line.
    void FakeDialog(const QString& name) {
        const QString path =
            WriteFile(m_root.filePath("fakebin"), name,
                      "#!/bin/sh\n{ echo " + name.toUtf8() + "; printf '%s\\n' \"$@\"; } >> \"" +
                          QFile::encodeName(Report("dialogs")) + "\"\n");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // No graphical session, no runtime folder, unless the case sets them.
    ProcessResult RunLauncher(const QString& launcher,
                              const QProcessEnvironment& session = QProcessEnvironment()) {
        QProcessEnvironment environment;
        environment.insert("TMPDIR", Temporary());
        environment.insert("XDG_RUNTIME_DIR", "");
        environment.insert("XDG_CACHE_HOME", m_root.filePath("cache"));
        environment.insert("DISPLAY", "");
        environment.insert("WAYLAND_DISPLAY", "");
        environment.insert("PATH", m_root.filePath("fakebin") + ":/usr/bin:/bin");
        environment.insert("QUILLET_TEST_REPORT", Report());
        for (const QString& key : session.keys()) environment.insert(key, session.value(key));
        return RunProgram(launcher, {}, m_root.path(), environment, 60000);
    }

    QString InstallerFolder() const { return QString::fromUtf8(ReadFile(Report("cwd")).trimmed()); }

    QTemporaryDir m_root;
    QByteArray m_package;
};

TEST_F(QuilletRunTest, UnpacksRunsInstallerInItsFolderAndCleansUp) {
    const ProcessResult run = RunLauncher(PackLauncher());
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");

    // A fresh sub-folder of the user's own, made for this run.
    const QRegularExpression ownFolder(
        "^" +
        QRegularExpression::escape(QFileInfo(Temporary()).canonicalFilePath() + "/" + kOwnPrefix) +
        "[A-Za-z0-9]{6}/" + QRegularExpression::escape(kFolder) + "$");
    EXPECT_TRUE(ownFolder.match(InstallerFolder()).hasMatch()) << InstallerFolder().toStdString();
    EXPECT_EQ(ReadFile(Report("listing")), "package.bin\nsetup.sh\n");
    EXPECT_EQ(ReadFile(Report("modes")), "700\n700\n700\n600\n");
    EXPECT_EQ(ReadFile(Report("installer.copy")), kReportingInstaller);
    EXPECT_EQ(ReadFile(Report("package.copy")), m_package);
    ExpectTime(Report("installer.copy"), kInstallerTime);
    ExpectTime(Report("package.copy"), kPackageTime);

    EXPECT_EQ(FolderEntries(Temporary()), QStringList());
}

TEST_F(QuilletRunTest, PrivateRuntimeFolderIsUsedDirectly) {
    const QString runtime = m_root.filePath("run");
    struct RuntimeCase {
        const char* name;
        mode_t mode;
        bool foreign;
        bool used;
    };
    std::vector<RuntimeCase> cases = {
        {"the user's own", 0700, false, true},
        // Nobody else can add anything to it, and the folder inside is 0700.
        {"others may only enter", 0755, false, true},
        {"others may write", 0733, false, false},
    };
    if (geteuid() == 0) cases.push_back({"another user's", 0700, true, false});
    const QString launcher = PackLauncher();
    for (const RuntimeCase& c : cases) {
        SCOPED_TRACE(c.name);
        MakeFolder(runtime, c.mode);
        if (c.foreign) GiveToNobody(runtime);
        QProcessEnvironment session;
        session.insert("XDG_RUNTIME_DIR", runtime);
        const ProcessResult run = RunLauncher(launcher, session);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.err, "");
        const QString expectedParent =
            c.used ? QFileInfo(runtime).canonicalFilePath()
                   : QFileInfo(Temporary()).canonicalFilePath() + "/" + kOwnPrefix;
        EXPECT_TRUE(InstallerFolder().startsWith(expectedParent))
            << InstallerFolder().toStdString();
        // The runtime folder stays; what was unpacked goes in either case.
        EXPECT_TRUE(QFileInfo(runtime).isDir());
        EXPECT_EQ(FolderEntries(runtime), QStringList());
        EXPECT_EQ(FolderEntries(Temporary()), QStringList());
        QDir(runtime).removeRecursively();
        QFile::remove(Report("cwd"));
    }
}

TEST_F(QuilletRunTest, FolderOfInterruptedRunIsReusedAndItsFilesReplaced) {
    MakeFolder(Folder(), 0755);
    MakeFolder(OwnParent(), 0700);
    WriteFile(Folder(), kInstaller, QByteArray(5000, 'o'));
    WriteFile(Folder(), kPackage, QByteArray(3 * 1024 * 1024, 'o'));
    const QString folder = QFileInfo(Folder()).canonicalFilePath();

    const ProcessResult run = RunLauncher(PackLauncher());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(InstallerFolder(), folder);
    // The reused folder is narrowed to the user, the files replaced whole.
    EXPECT_EQ(ReadFile(Report("modes")), "700\n700\n700\n600\n");
    EXPECT_EQ(ReadFile(Report("installer.copy")), kReportingInstaller);
    EXPECT_EQ(ReadFile(Report("package.copy")), m_package);
    EXPECT_EQ(FolderEntries(Temporary()), QStringList());
}

// Whatever another user (or a link) holds under the names the launcher might
// use, the installation goes ahead in a folder of this user's own, and what
// was planted stays as it was.
TEST_F(QuilletRunTest, OthersFoldersOfTheSameNameDoNotBlock) {
    const QString elsewhere = m_root.filePath("elsewhere");
    MakeFolder(elsewhere, 0700);
    struct Planted {
        QString name;
        std::function<void(const QString& path)> plant;
    };
    std::vector<Planted> planted = {
        {kOwnPrefix + "link00",
         [&](const QString& path) { ASSERT_TRUE(QFile::link(elsewhere, path)); }},
        {kOwnPrefix + "file00",
         [&](const QString& path) { WriteFile(Temporary(), QFileInfo(path).fileName(), "x"); }},
        {kOwnPrefix + "open00",
         [&](const QString& path) {
             MakeFolder(path + "/" + kFolder, 0777);
             chmod(QFile::encodeName(path).constData(), 0777);
         }},
    };
    if (geteuid() == 0) {
        planted.push_back({kFolder, [&](const QString& path) {
                               MakeFolder(path, 0700);
                               GiveToNobody(path);
                           }});
        planted.push_back({kOwnPrefix + "nobody", [&](const QString& path) {
                               MakeFolder(path + "/" + kFolder, 0700);
                               GiveToNobody(path + "/" + kFolder);
                               GiveToNobody(path);
                           }});
    }
    QStringList names;
    for (const Planted& p : planted) {
        p.plant(Temporary() + "/" + p.name);
        names << p.name;
    }
    names.sort();

    const ProcessResult run = RunLauncher(PackLauncher());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    ASSERT_TRUE(QFileInfo::exists(Report("cwd")));
    const QString usedParent = QFileInfo(InstallerFolder()).dir().dirName();
    EXPECT_TRUE(usedParent.startsWith(kOwnPrefix)) << usedParent.toStdString();
    EXPECT_FALSE(names.contains(usedParent)) << usedParent.toStdString();
    EXPECT_EQ(ReadFile(Report("package.copy")), m_package);
    EXPECT_EQ(FolderEntries(Temporary()), names);
    EXPECT_EQ(FolderEntries(elsewhere), QStringList());
}

TEST_F(QuilletRunTest, FolderThatIsNotOursAloneIsRefused) {
    const QString elsewhere = m_root.filePath("elsewhere");
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    MakeFolder(OwnParent(), 0700);
    struct FolderCase {
        const char* name;
        std::function<void()> plant;
    };
    std::vector<FolderCase> cases = {
        {"link", [&] { ASSERT_TRUE(QFile::link(elsewhere, Folder())); }},
        {"file", [&] { WriteFile(OwnParent(), kFolder, "not a folder"); }},
    };
    if (geteuid() == 0) {
        cases.push_back({"foreign owner", [&] {
                             ASSERT_TRUE(QDir().mkpath(Folder()));
                             GiveToNobody(Folder());
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
        EXPECT_EQ(FolderEntries(elsewhere), QStringList());
        EXPECT_FALSE(QFileInfo::exists(Report("cwd")));
        QFile::remove(Folder());
        QDir(Folder()).removeRecursively();
    }
}

TEST_F(QuilletRunTest, LinkInPlaceOfTargetIsNotFollowed) {
    const QString victim = WriteFile(m_root.path(), "victim", "keep me");
    MakeFolder(Folder(), 0700);
    chmod(QFile::encodeName(OwnParent()).constData(), 0700);
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
    EXPECT_EQ(FolderEntries(Temporary()), QStringList());
}

TEST_F(QuilletRunTest, UnsafeFolderNameIsRefusedLikeMissingRecord) {
    PayloadAnchor anchor;
    anchor.productName = "Oblimo";
    anchor.folderName = "..";
    anchor.installerName = kInstaller.toStdString();
    anchor.packageName = kPackage.toStdString();
    const ProcessResult run = RunLauncher(LauncherWithRecord(QByteArray(), anchor));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(run.err), "Oblimo: アンカーがありません。\n");
    EXPECT_EQ(FolderEntries(m_root.path()),
              (QStringList{"Oblimo-setup", "fakebin", "inputs", "report", "tmp"}));
    EXPECT_EQ(FolderEntries(Temporary()), QStringList());
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
    MakeFolder(OwnParent(), 0700);
    for (const ReachCase& c : cases) {
        SCOPED_TRACE(c.name);
        PayloadAnchor anchor;
        anchor.productName = "Oblimo";
        anchor.folderName = kFolder.toStdString();
        anchor.installerName = kInstaller.toStdString();
        anchor.packageName = kPackage.toStdString();
        anchor.fixed.installerOffset = c.offset;
        anchor.fixed.installerSize = c.size;
        anchor.fixed.packageOffset = launcherSize;
        anchor.fixed.packageSize = 10;
        const ProcessResult run = RunLauncher(LauncherWithRecord(payload, anchor));
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(QString::fromUtf8(run.err), "Oblimo: インストールファイルを読み取れません。\n");
        EXPECT_EQ(FolderEntries(Folder()), QStringList{kInstaller});
        EXPECT_EQ(ReadFile(Folder() + "/" + kInstaller), c.written);
        EXPECT_FALSE(QFileInfo::exists(Report("cwd")));
        QDir(Folder()).removeRecursively();
    }
}

TEST_F(QuilletRunTest, InstallerThatCannotStartIsRemovedWithItsPackage) {
    const ProcessResult run = RunLauncher(PackLauncher("neither a script nor a program\n"));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(run.err), "Oblimo: インストーラーを起動できません。\n");
    EXPECT_EQ(FolderEntries(Temporary()), QStringList());
}

TEST_F(QuilletRunTest, LogWrittenByInstallerKeepsTheFolder) {
    MakeFolder(OwnParent(), 0700);
    const ProcessResult run = RunLauncher(PackLauncher("#!/bin/sh\necho done > install.log\n"));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(FolderEntries(Folder()), QStringList{"install.log"});
    EXPECT_EQ(ReadFile(Folder() + "/install.log"), "done\n");
}

// A Unix socket that accepts connections (nobody answers them, which is all
// the launcher asks of a display), or one bound and never listening, as a
// server that went away leaves it.
UniqueFd DisplaySocket(const QString& path, bool listening) {
    UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, QFile::encodeName(path).constData(),
                 sizeof address.sun_path - 1);
    EXPECT_EQ(bind(fd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    if (listening) {
        EXPECT_EQ(listen(fd.Get(), 8), 0);
    }
    return fd;
}

// Set but unreachable: the message still arrives on standard error at once,
// no dialog program is tried, and the exit code stays 0.
TEST_F(QuilletRunTest, UnreachableDisplayLeavesTheMessageOnStandardError) {
    FakeDialog("zenity");
    FakeDialog("kdialog");
    FakeDialog("xmessage");
    const UniqueFd stale = DisplaySocket(m_root.filePath("stale"), false);
    struct SessionCase {
        const char* name;
        QString display, wayland;
    };
    const SessionCase cases[] = {
        {"X11 number nobody serves", ":4711", ""},
        {"X11 over TCP, refused", "127.0.0.1:4711.0", ""},
        {"X11 socket file left behind", m_root.filePath("stale") + ":0", ""},
        {"Wayland socket left behind", "", m_root.filePath("stale")},
        {"Wayland name without runtime folder", "", "wayland-0"},
        {"both, neither answers", ":4711", m_root.filePath("absent")},
        {"not a display at all", "garbage", ""},
    };
    for (const SessionCase& c : cases) {
        SCOPED_TRACE(c.name);
        QProcessEnvironment session;
        session.insert("DISPLAY", c.display);
        session.insert("WAYLAND_DISPLAY", c.wayland);
        const ProcessResult run = RunLauncher(QUILLET, session);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(QString::fromUtf8(run.err), "アンカーがありません。\n");
    }
    EXPECT_FALSE(QFileInfo::exists(Report("dialogs")));
}

TEST_F(QuilletRunTest, ReachableSessionAlsoShowsTheMessageInADialog) {
    FakeDialog("zenity");
    FakeDialog("xmessage");
    const UniqueFd live = DisplaySocket(m_root.filePath("wayland-live"), true);
    QProcessEnvironment session;
    session.insert("WAYLAND_DISPLAY", m_root.filePath("wayland-live"));

    PayloadAnchor anchor;
    anchor.productName = "Oblimo";
    anchor.folderName = "..";
    anchor.installerName = anchor.packageName = "x";
    const struct {
        const char* name;
        QString launcher;
        QByteArray dialog;
    } cases[] = {
        {"before the caption is known", QUILLET,
         "zenity\n--error\n--title=\n--text=アンカーがありません。\n--no-markup\n"},
        {"with the product name as caption", LauncherWithRecord(QByteArray(), anchor),
         "zenity\n--error\n--title=Oblimo\n--text=アンカーがありません。\n--no-markup\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(Report("dialogs"));
        const ProcessResult run = RunLauncher(c.launcher, session);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_TRUE(QString::fromUtf8(run.err).endsWith("アンカーがありません。\n"));
        EXPECT_EQ(ReadFile(Report("dialogs")), c.dialog);
    }
}

}  // namespace
