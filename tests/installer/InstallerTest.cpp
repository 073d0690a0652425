// The installer program: which command it plans, and the real program run
// against stand-ins for apt-get, sudo and pkexec (found first on PATH), so
// that nothing is ever installed.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include "installer/PackageInstallPlan.h"
#include "support/ImageFixtures.h"
#include "support/ProcessRunner.h"

using Fixtures::ReadFile;
using Fixtures::WriteFile;

namespace {

TEST(InstallPlanTest, ChoosesToolAndPrivileges) {
    struct PlanCase {
        const char* name;
        bool isRoot, graphical;
        QSet<QString> available;
        InstallPlanStatus status;
        QString program;  // the elevator, or env for root
    };
    const QSet<QString> all{"apt-get", "env", "sudo", "pkexec"};
    const PlanCase cases[] = {
        {"root needs no elevator", true, true, all, InstallPlanStatus::Ready, "/x/env"},
        {"window asks through pkexec", false, true, all, InstallPlanStatus::Ready, "/x/pkexec"},
        {"terminal asks through sudo", false, false, all, InstallPlanStatus::Ready, "/x/sudo"},
        {"pkexec when sudo is missing",
         false,
         false,
         {"apt-get", "env", "pkexec"},
         InstallPlanStatus::Ready,
         "/x/pkexec"},
        {"sudo when pkexec is missing",
         false,
         true,
         {"apt-get", "env", "sudo"},
         InstallPlanStatus::Ready,
         "/x/sudo"},
        {"no elevator", false, true, {"apt-get", "env"}, InstallPlanStatus::NoPrivileges, ""},
        {"no apt-get", true, false, {"env", "sudo"}, InstallPlanStatus::NoPackageTool, ""},
    };
    for (const PlanCase& c : cases) {
        SCOPED_TRACE(c.name);
        const InstallPlan plan = PlanPackageInstall(
            "/setup/oblimo.deb", c.isRoot, c.graphical, [&](const QString& name) {
                return c.available.contains(name) ? "/x/" + name : QString();
            });
        EXPECT_EQ(plan.status, c.status);
        if (plan.status != InstallPlanStatus::Ready) continue;
        EXPECT_EQ(plan.command.program, c.program);
        QStringList expected{"DEBIAN_FRONTEND=noninteractive", "/x/apt-get", "install", "-y",
                             "/setup/oblimo.deb"};
        if (!c.isRoot) expected.prepend("/x/env");
        EXPECT_EQ(plan.command.arguments, expected);
    }
}

class InstallerRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QDir root(m_root.path());
        ASSERT_TRUE(root.mkpath("fakebin") && root.mkpath("log") && root.mkpath("setup"));
        // Each stand-in notes how it was called; apt-get answers as told.
        Tool("apt-get",
             "printf '%s\\n' \"$@\" > \"$FAKE_LOG/apt-get.args\"\n"
             "echo \"$DEBIAN_FRONTEND\" > \"$FAKE_LOG/apt-get.frontend\"\n"
             "echo 'Setting up oblimo'\n"
             "cat \"$FAKE_LOG/apt-get.says\" 2>/dev/null\n"
             "exit $(cat \"$FAKE_LOG/apt-get.exit\" 2>/dev/null || echo 0)\n");
        for (const char* elevator : {"sudo", "pkexec"})
            Tool(elevator,
                 QByteArray("echo ") + elevator + " >> \"$FAKE_LOG/elevator\"\nexec \"$@\"\n");

        m_installer = m_root.filePath("setup/oblimo-installer");
        ASSERT_TRUE(QFile::copy(OBLIMO_INSTALLER, m_installer));
    }

    void Tool(const QString& name, const QByteArray& body) {
        const QString path = WriteFile(m_root.filePath("fakebin"), name, "#!/bin/sh\n" + body);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QString Log(const QString& name) const { return m_root.filePath("log/" + name); }

    ProcessResult RunInstaller() {
        QProcessEnvironment environment;
        environment.insert("PATH", m_root.filePath("fakebin") + ":/usr/bin:/bin");
        environment.insert("FAKE_LOG", m_root.filePath("log"));
        return RunProgram(m_installer, {}, m_root.path(), environment, 60000);
    }

    QTemporaryDir m_root;
    QString m_installer;
};

TEST_F(InstallerRunTest, InstallsThePackageBesideIt) {
    const QString package =
        WriteFile(m_root.filePath("setup"), "oblimo_1.3.0.1_amd64.deb", "!<arch>");
    const ProcessResult run = RunInstaller();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(run.err), "Oblimo: Oblimo をインストールしました。\n");
    EXPECT_EQ(run.out, "Setting up oblimo\n");
    EXPECT_EQ(QString::fromUtf8(ReadFile(Log("apt-get.args"))), "install\n-y\n" + package + "\n");
    EXPECT_EQ(ReadFile(Log("apt-get.frontend")), "noninteractive\n");
    // Without a display, a user other than root is asked through sudo.
    EXPECT_EQ(ReadFile(Log("elevator")), geteuid() == 0 ? "" : "sudo\n");
}

TEST_F(InstallerRunTest, ReportsFailureWithTheToolsLastWords) {
    WriteFile(m_root.filePath("setup"), "oblimo.deb", "!<arch>");
    WriteFile(m_root.filePath("log"), "apt-get.says", "E: Unmet dependencies.\n");
    WriteFile(m_root.filePath("log"), "apt-get.exit", "100\n");
    const ProcessResult run = RunInstaller();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(QString::fromUtf8(run.err),
              "Oblimo: Oblimo をインストールできませんでした。 Setting up oblimo "
              "E: Unmet dependencies.\n");
}

TEST_F(InstallerRunTest, NeedsExactlyOnePackage) {
    const QString folder = m_root.filePath("setup");
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
    EXPECT_FALSE(QFileInfo::exists(Log("apt-get.args")));
}

}  // namespace
