#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// What the installer program runs: itself once more, with administrator
// rights, as the step that drives the system's package tool on the Debian
// package lying beside it (see PackageToolSteps.h). One elevated process for
// both of apt-get's runs means one password question.

// The Debian packages (*.deb, regular files, not links) in the folder, sorted
// by name, as absolute paths.
std::vector<std::string> FindPackagesBeside(const std::string& folder);

// The option that makes the installer program the elevated step.
inline constexpr char kInstallPackageOption[] = "--install-package";

struct InstallCommand {
    std::string program;  // absolute path
    std::vector<std::string> arguments;
    // The elevator's name ("pkexec", "sudo"), empty when already root.
    std::string elevator;
};

enum class InstallPlanStatus { Ready, NoPackageTool, NoPrivileges };

struct InstallPlan {
    InstallPlanStatus status = InstallPlanStatus::NoPackageTool;
    InstallCommand command;
};

// Resolves a program name to its absolute path, empty when it is not there.
using ExecutableFinder = std::function<std::string(std::string_view name)>;

// Without root the step goes through pkexec, which asks for the password in
// a window, when a graphical session is there, otherwise through sudo, which
// asks on the terminal; either one serves when the other is missing.
InstallPlan PlanPackageInstall(const std::string& installerPath, const std::string& packagePath,
                               bool isRoot, bool graphical, const ExecutableFinder& findExecutable);
