// The installer program that the setup launcher starts: it installs the
// Debian package lying beside it through the system's package tool and
// reports the result. Exit code 0 when the package was installed, 1 otherwise.

#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QStandardPaths>
#include <memory>

#include "InstallerStrings.h"
#include "PackageInstallPlan.h"
#include "PackageToolRun.h"
#include "launcher/SetupSession.h"

namespace {

QString Text(const char16_t* text) { return QString::fromUtf16(text); }

int Report(bool graphical, bool succeeded, const QString& text) {
    const QString caption = Text(InstallerText::kCaption);
    if (graphical) {
        QMessageBox box(succeeded ? QMessageBox::Information : QMessageBox::Critical, caption,
                        MessageBoxText(text), QMessageBox::Ok);
        box.exec();
    } else {
        WriteMessageLine(caption, text);
    }
    return succeeded ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const bool graphical = HasGraphicalDisplay();
    std::unique_ptr<QCoreApplication> application;
    if (graphical)
        application = std::make_unique<QApplication>(argc, argv);
    else
        application = std::make_unique<QCoreApplication>(argc, argv);

    const QString folder = QCoreApplication::applicationDirPath();
    const QStringList packages = FindPackagesBeside(folder);
    if (packages.isEmpty())
        return Report(graphical, false, Text(InstallerText::kNoPackage) + folder);
    if (packages.size() > 1)
        return Report(graphical, false, Text(InstallerText::kSeveralPackages) + folder);

    const InstallPlan plan = PlanPackageInstall(
        packages.first(), geteuid() == 0, graphical,
        [](const QString& name) { return QStandardPaths::findExecutable(name); });
    switch (plan.status) {
        case InstallPlanStatus::Ready:
            break;
        case InstallPlanStatus::NoPackageTool:
            return Report(graphical, false, Text(InstallerText::kNoPackageTool));
        case InstallPlanStatus::NoPrivileges:
            return Report(graphical, false, Text(InstallerText::kNoPrivileges));
    }

    const PackageToolOutcome outcome = RunPackageTool(plan.command);
    if (!outcome.succeeded)
        return Report(graphical, false, Text(InstallerText::kInstallFailed) + outcome.lastLines);
    return Report(graphical, true, Text(InstallerText::kInstalled));
}
