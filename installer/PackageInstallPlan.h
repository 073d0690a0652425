#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// What the installer program runs: the system's package tool on the Debian
// package that lies beside it, with the privileges that needs.

// The Debian packages (*.deb, regular files) in the folder, sorted by name.
QStringList FindPackagesBeside(const QString& folder);

struct InstallCommand {
    QString program;  // absolute path
    QStringList arguments;
};

enum class InstallPlanStatus { Ready, NoPackageTool, NoPrivileges };

struct InstallPlan {
    InstallPlanStatus status = InstallPlanStatus::NoPackageTool;
    InstallCommand command;
};

// Resolves a program name to its absolute path, empty when it is not there.
using ExecutableFinder = std::function<QString(const QString& name)>;

// apt-get installs a local package file together with the packages it depends
// on. It runs without questions (the user asked for the installation by
// starting the setup). Without root it goes through pkexec, which asks for the
// password in a window, when a display is there, otherwise through sudo, which
// asks on the terminal; either one serves when the other is missing.
InstallPlan PlanPackageInstall(const QString& packagePath, bool isRoot, bool graphical,
                               const ExecutableFinder& findExecutable);
