// The installer program that the setup launcher starts: it installs the
// Debian package lying beside it through apt-get and reports the result.
// Exit code 0 when the package was installed, 1 otherwise. Like the launcher
// it links nothing beyond the C and C++ runtime.
//
//   oblimo-installer                         install the package beside it
//   oblimo-installer --install-package DEB   the elevated step (as root)

#include <limits.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <string>

#include "InstallProgress.h"
#include "InstallerStrings.h"
#include "PackageInstallPlan.h"
#include "PackageToolRun.h"
#include "PackageToolSteps.h"
#include "ProgressNotice.h"
#include "launcher/ChildProcess.h"
#include "launcher/FileIo.h"
#include "launcher/GraphicalSession.h"
#include "launcher/SetupMessages.h"

namespace {

// pkexec's exit codes when the password question was refused or dismissed.
constexpr int kPkexecNotAuthorized = 126;
constexpr int kPkexecDismissed = 127;

std::string OwnProgramPath() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || std::size_t(length) >= sizeof path) return std::string();
    return std::string(path, std::size_t(length));
}

int Report(MessageKind kind, const std::string& text) {
    ShowSetupMessage(kind, InstallerText::kCaption, text);
    return kind == MessageKind::Information ? 0 : 1;
}

int Fail(const std::string& text) { return Report(MessageKind::Error, text); }

int InstallPackageBeside() {
    const std::string self = OwnProgramPath();
    if (self.empty()) return Fail(InstallerText::kNoOwnPath);
    const std::string folder = self.substr(0, self.rfind('/'));

    const std::vector<std::string> packages = FindPackagesBeside(folder);
    if (packages.empty()) return Fail(InstallerText::kNoPackage + folder);
    if (packages.size() > 1) return Fail(InstallerText::kSeveralPackages + folder);

    const SessionEnvironment environment = SessionEnvironment::OfThisProcess();
    const ReachableSession session = ProbeSession(environment);
    const InstallPlan plan = PlanPackageInstall(
        self, packages.front(), geteuid() == 0, session.Any(),
        [&environment](std::string_view name) { return FindProgram(name, environment.path); });
    switch (plan.status) {
        case InstallPlanStatus::Ready:
            break;
        case InstallPlanStatus::NoPackageTool:
            return Fail(InstallerText::kNoPackageTool);
        case InstallPlanStatus::NoPrivileges:
            return Fail(InstallerText::kNoPrivileges);
    }

    InstallProgress progress;
    ProgressNotice notice(InstallerText::kCaption, InstallerText::kInstalling, session,
                          environment.path);
    const PackageToolOutcome outcome = RunPackageTool(plan.command, [&](std::string_view line) {
        if (progress.Take(line) == InstallProgress::LineKind::Progress) {
            notice.Update(progress.Percent(), progress.Text());
            return;
        }
        // The terminal, if there is one, shows apt-get's own account.
        const std::string text = std::string(line) + '\n';
        WriteAll(STDOUT_FILENO, text.data(), text.size());
    });
    notice.Close();

    if (outcome.Succeeded()) return Report(MessageKind::Information, InstallerText::kInstalled);
    if (plan.command.elevator == "pkexec" &&
        (outcome.ExitCode() == kPkexecNotAuthorized || outcome.ExitCode() == kPkexecDismissed))
        return Fail(InstallerText::kNotAuthorized);
    return Fail(InstallerText::kInstallFailed + progress.LastLinesText());
}

}  // namespace

int main(int argc, char** argv) {
    // A progress window that was closed must not end the installation.
    std::signal(SIGPIPE, SIG_IGN);
    if (argc == 3 && std::strcmp(argv[1], kInstallPackageOption) == 0)
        return RunPackageToolSteps(argv[2]);
    if (argc != 1) {
        WriteMessageLine("oblimo-installer",
                         "usage: oblimo-installer (installs the package lying beside it)");
        return 2;
    }
    return InstallPackageBeside();
}
