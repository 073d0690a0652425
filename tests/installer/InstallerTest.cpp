// The installer program: which command it plans, how apt-get's output
// becomes progress, and the real program run against stand-ins for apt-get,
// sudo, pkexec and zenity (found first on PATH), so that nothing is ever
// installed.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstring>
#include <set>

#include "installer/InstallProgress.h"
#include "installer/PackageInstallPlan.h"
#include "installer/PackageToolSteps.h"
#include "launcher/FileIo.h"
#include "support/ImageFixtures.h"
#include "support/ProcessRunner.h"
#include "support/QtPrinters.h"

using Fixtures::ReadFile;
using Fixtures::WriteFile;

namespace {

TEST(InstallPlanTest, ChoosesToolAndPrivileges) {
    struct PlanCase {
        const char* name;
        bool isRoot, graphical;
        std::set<std::string> available;
        InstallPlanStatus status;
        std::string program;  // the elevator, or the installer itself for root
    };
    const std::set<std::string> all{"apt-get", "sudo", "pkexec"};
    const PlanCase cases[] = {
        {"root needs no elevator", true, true, all, InstallPlanStatus::Ready, "/setup/installer"},
        {"window asks through pkexec", false, true, all, InstallPlanStatus::Ready, "/x/pkexec"},
        {"terminal asks through sudo", false, false, all, InstallPlanStatus::Ready, "/x/sudo"},
        {"pkexec when sudo is missing",
         false,
         false,
         {"apt-get", "pkexec"},
         InstallPlanStatus::Ready,
         "/x/pkexec"},
        {"sudo when pkexec is missing",
         false,
         true,
         {"apt-get", "sudo"},
         InstallPlanStatus::Ready,
         "/x/sudo"},
        {"no elevator", false, true, {"apt-get"}, InstallPlanStatus::NoPrivileges, ""},
        {"no apt-get", true, false, {"sudo"}, InstallPlanStatus::NoPackageTool, ""},
    };
    for (const PlanCase& c : cases) {
        SCOPED_TRACE(c.name);
        const InstallPlan plan = PlanPackageInstall(
            "/setup/installer", "/setup/oblimo.deb", c.isRoot, c.graphical,
            [&](std::string_view name) {
                return c.available.count(std::string(name)) ? "/x/" + std::string(name)
                                                            : std::string();
            });
        EXPECT_EQ(plan.status, c.status);
        if (plan.status != InstallPlanStatus::Ready) continue;
        EXPECT_EQ(plan.command.program, c.program);
        std::vector<std::string> expected{"--install-package", "/setup/oblimo.deb"};
        if (!c.isRoot) expected.insert(expected.begin(), "/setup/installer");
        EXPECT_EQ(plan.command.arguments, expected);
        EXPECT_EQ(plan.command.elevator, c.isRoot ? "" : c.program.substr(3));
    }
}

TEST(InstallProgressTest, MarkersAndStatusLinesBecomeOneRisingPercentage) {
    struct LineCase {
        const char* line;
        InstallProgress::LineKind kind;
        int percent;
        bool updating;
    };
    using Kind = InstallProgress::LineKind;
    const LineCase lines[] = {
        {"oblimo-step:update", Kind::Progress, 0, true},
        {"Hit:1 http://deb.debian.org/debian bookworm InRelease", Kind::Output, 0, true},
        {"dlstatus:1:50.0000:Retrieving file 1 of 2", Kind::Progress, 0, true},
        {"oblimo-step:install", Kind::Progress, 10, false},
        {"dlstatus:1:50:Retrieving file 1 of 3", Kind::Progress, 25, false},
        {"dlstatus:2:100:Retrieving file 3 of 3", Kind::Progress, 40, false},
        {"pmstatus:libqt6gui6:50.5:Unpacking libqt6gui6", Kind::Progress, 69, false},
        {"pmstatus:dpkg-exec:10:Running dpkg", Kind::Progress, 69, false},  // never goes back
        {"pmstatus:oblimo:nonsense:x", Kind::Progress, 69, false},
        {"pmerror:oblimo:90:dependency problems", Kind::Progress, 69, false},
        {"pmstatus:oblimo:100:Installed oblimo", Kind::Progress, 99, false},
        {"Setting up oblimo (1.3.0.1) ...", Kind::Output, 99, false},
        {"   ", Kind::Output, 99, false},
    };
    InstallProgress progress;
    for (const LineCase& c : lines) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(progress.Take(c.line), c.kind);
        EXPECT_EQ(progress.Percent(), c.percent);
        EXPECT_EQ(progress.Updating(), c.updating);
    }
    // Blank lines are not kept for the failure message.
    EXPECT_EQ(progress.LastLinesText(),
              "Hit:1 http://deb.debian.org/debian bookworm InRelease\n"
              "Setting up oblimo (1.3.0.1) ...");
    for (int i = 0; i < 20; ++i) progress.Take("line " + std::to_string(i));
    EXPECT_EQ(progress.LastLines().size(), 8u);
    EXPECT_EQ(progress.LastLines().front(), "line 12");
}

TEST(PackageToolStepsTest, ApplyRunsNeverRemoveAndSeeTheSystemFolders) {
    EXPECT_EQ(UpdateArguments(), std::vector<std::string>{"update"});
    const std::vector<std::string> install = InstallArguments("/setup/oblimo.deb");
    EXPECT_EQ(install.front(), "install");
    EXPECT_EQ(install.back(), "/setup/oblimo.deb");
    for (const char* option : {"-y", "--no-remove", "APT::Status-Fd=1"})
        EXPECT_NE(std::find(install.begin(), install.end(), option), install.end()) << option;

    EXPECT_EQ(PackageToolPath("/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin"),
              "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin");
    EXPECT_EQ(PackageToolPath("/home/u/bin:/usr/bin:/bin"),
              "/home/u/bin:/usr/bin:/bin:/usr/local/sbin:/usr/local/bin:/usr/sbin:/sbin");
    EXPECT_EQ(PackageToolPath(""), "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin");
}

class InstallerRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QDir root(m_root.path());
        ASSERT_TRUE(root.mkpath("fakebin") && root.mkpath("log") && root.mkpath("setup"));
        // apt-get notes each call and answers as the case tells it.
        Tool("apt-get",
             "echo \"$1\" >> \"$FAKE_LOG/apt-get.calls\"\n"
             "printf '%s\\n' \"$@\" > \"$FAKE_LOG/apt-get.$1.args\"\n"
             "echo \"$DEBIAN_FRONTEND\" > \"$FAKE_LOG/apt-get.$1.frontend\"\n"
             "echo \"$PATH\" > \"$FAKE_LOG/apt-get.$1.path\"\n"
             "cat \"$FAKE_LOG/apt-get.$1.says\" 2>/dev/null\n"
             "exit $(cat \"$FAKE_LOG/apt-get.$1.exit\" 2>/dev/null || echo 0)\n");
        for (const char* elevator : {"sudo", "pkexec"})
            Tool(elevator,
                 QByteArray("echo ") + elevator + " >> \"$FAKE_LOG/elevator\"\nexec \"$@\"\n");
        // A progress window keeps what it was fed; a box its arguments.
        Tool("zenity",
             "case \" $* \" in\n"
             "*' --progress '*) printf '%s\\n' \"$@\" > \"$FAKE_LOG/zenity.progress\"\n"
             "                  cat > \"$FAKE_LOG/zenity.fed\" ;;\n"
             "*) printf '%s\\n' \"$@\" > \"$FAKE_LOG/zenity.box\" ;;\n"
             "esac\n");

        m_installer = m_root.filePath("setup/oblimo-installer");
        ASSERT_TRUE(QFile::copy(OBLIMO_INSTALLER, m_installer));
    }

    void Tool(const QString& name, const QByteArray& body) {
        const QString path = WriteFile(m_root.filePath("fakebin"), name, "#!/bin/sh\n" + body);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QString Log(const QString& name) const { return m_root.filePath("log/" + name); }
    void Answer(const QString& step, const QByteArray& says, int exitCode) {
        WriteFile(m_root.filePath("log"), "apt-get." + step + ".says", says);
        WriteFile(m_root.filePath("log"), "apt-get." + step + ".exit",
                  QByteArray::number(exitCode));
    }

    ProcessResult RunInstaller(const QProcessEnvironment& session = QProcessEnvironment()) {
        QProcessEnvironment environment;
        environment.insert("PATH", m_root.filePath("fakebin") + ":/usr/bin:/bin");
        environment.insert("FAKE_LOG", m_root.filePath("log"));
        environment.insert("DISPLAY", "");
        environment.insert("WAYLAND_DISPLAY", "");
        for (const QString& key : session.keys()) environment.insert(key, session.value(key));
        return RunProgram(m_installer, {}, m_root.path(), environment, 60000);
    }

    QTemporaryDir m_root;
    QString m_installer;
};

TEST_F(InstallerRunTest, UpdatesTheListsThenInstallsThePackageBesideIt) {
    const QString package =
        WriteFile(m_root.filePath("setup"), "oblimo_1.3.0.1_amd64.deb", "!<arch>");
    Answer("install",
           "pmstatus:oblimo:20:Preparing oblimo\nSetting up oblimo (1.3.0.1) ...\n"
           "pmstatus:oblimo:100:Installed oblimo\n",
           0);
    const ProcessResult run = RunInstaller();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(run.err),
              "Oblimo: インストールしています…\nOblimo: Oblimo をインストールしました。\n");
    // apt-get's own lines reach the terminal; markers and status lines do not.
    EXPECT_EQ(run.out, "Setting up oblimo (1.3.0.1) ...\n");
    EXPECT_EQ(ReadFile(Log("apt-get.calls")), "update\ninstall\n");
    EXPECT_EQ(ReadFile(Log("apt-get.update.args")), "update\n");
    EXPECT_EQ(QString::fromUtf8(ReadFile(Log("apt-get.install.args"))),
              "install\n-y\n--no-remove\n-o\nAPT::Status-Fd=1\n-o\nDPkg::Lock::Timeout=300\n" +
                  package + "\n");
    for (const char* step : {"update", "install"}) {
        EXPECT_EQ(ReadFile(Log(QString("apt-get.%1.frontend").arg(step))), "noninteractive\n");
        // dpkg finds ldconfig even when the caller's PATH lacks the sbin folders.
        const QString path =
            QString::fromUtf8(ReadFile(Log(QString("apt-get.%1.path").arg(step)))).trimmed();
        EXPECT_TRUE(path.split(':').contains("/usr/sbin")) << path.toStdString();
        EXPECT_TRUE(path.split(':').contains("/sbin")) << path.toStdString();
    }
    // Without a display, a user other than root is asked through sudo.
    EXPECT_EQ(ReadFile(Log("elevator")), geteuid() == 0 ? "" : "sudo\n");
    EXPECT_FALSE(QFileInfo::exists(Log("zenity.progress")));
    EXPECT_FALSE(QFileInfo::exists(Log("zenity.box")));
}

TEST_F(InstallerRunTest, ReportsFailureWithTheToolsLastWords) {
    struct FailureCase {
        const char* name;
        QByteArray updateSays;
        int updateExit;
        QByteArray installSays;
        int installExit;
        QString message;  // empty: installed
    };
    const FailureCase cases[] = {
        {"install fails", "", 0, "Reading package lists...\nE: Unmet dependencies.\n", 100,
         "Oblimo: Oblimo をインストールできませんでした。 Reading package lists... "
         "E: Unmet dependencies.\n"},
        {"removal refused", "", 0, "E: Packages need to be removed but remove is disabled.\n", 100,
         "Oblimo: Oblimo をインストールできませんでした。 "
         "E: Packages need to be removed but remove is disabled.\n"},
        // Lists already there may do: a failed update does not stop the installation.
        {"update fails, install works",
         "W: Failed to fetch http://deb.debian.org/debian/dists/bookworm/InRelease\n", 100, "", 0,
         ""},
    };
    WriteFile(m_root.filePath("setup"), "oblimo.deb", "!<arch>");
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        Answer("update", c.updateSays, c.updateExit);
        Answer("install", c.installSays, c.installExit);
        QFile::remove(Log("apt-get.calls"));
        const ProcessResult run = RunInstaller();
        EXPECT_EQ(ReadFile(Log("apt-get.calls")), "update\ninstall\n");
        if (c.message.isEmpty()) {
            EXPECT_EQ(run.exitCode, 0);
            EXPECT_TRUE(QString::fromUtf8(run.err).endsWith("Oblimo をインストールしました。\n"));
            continue;
        }
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(QString::fromUtf8(run.err), "Oblimo: インストールしています…\n" + c.message);
    }
}

TEST_F(InstallerRunTest, NeedsExactlyOnePackage) {
    const QString folder = QFileInfo(m_root.filePath("setup")).canonicalFilePath();
    ProcessResult run = RunInstaller();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(QString::fromUtf8(run.err),
              "Oblimo: インストールするパッケージが見つかりません。 " + folder + "\n");

    WriteFile(folder, "a.deb", "!<arch>");
    WriteFile(folder, "b.deb", "!<arch>");
    run = RunInstaller();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(QString::fromUtf8(run.err),
              "Oblimo: インストールするパッケージが複数あります。 " + folder + "\n");
    EXPECT_FALSE(QFileInfo::exists(Log("apt-get.calls")));
}

// In a graphical session the progress window gets the text, percentages and
// the change of step, and is closed at the end; the result comes as a box.
TEST_F(InstallerRunTest, GraphicalSessionShowsProgressWhileAptRuns) {
    WriteFile(m_root.filePath("setup"), "oblimo.deb", "!<arch>");
    Answer("install", "dlstatus:1:100:Retrieving file 1 of 1\npmstatus:oblimo:50:Unpacking\n", 0);
    const QString socketPath = m_root.filePath("wayland-live");
    UniqueFd live(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, QFile::encodeName(socketPath).constData(),
                 sizeof address.sun_path - 1);
    ASSERT_EQ(bind(live.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(live.Get(), 8), 0);
    QProcessEnvironment session;
    session.insert("WAYLAND_DISPLAY", socketPath);

    const ProcessResult run = RunInstaller(session);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(run.err),
              "Oblimo: インストールしています…\nOblimo: Oblimo をインストールしました。\n");
    EXPECT_EQ(QString::fromUtf8(ReadFile(Log("zenity.fed"))),
              "# インストールしています… パッケージの一覧を更新しています。\n"
              "10\n# インストールしています…\n40\n69\n100\n");
    EXPECT_EQ(QString::fromUtf8(ReadFile(Log("zenity.progress"))),
              "--progress\n--title=Oblimo\n--text=インストールしています…\n--percentage=0\n"
              "--auto-close\n--no-cancel\n");
    EXPECT_EQ(QString::fromUtf8(ReadFile(Log("zenity.box"))),
              "--info\n--title=Oblimo\n--text=Oblimo をインストールしました。\n--no-markup\n");
    // A password, if one were needed, would be asked for in a window.
    EXPECT_EQ(ReadFile(Log("elevator")), geteuid() == 0 ? "" : "pkexec\n");
}

}  // namespace
