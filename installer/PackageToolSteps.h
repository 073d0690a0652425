#pragma once

#include <string>
#include <string_view>
#include <vector>

// The elevated step of the installer program: refresh the package lists
// (a fresh system often has none, or stale ones), then install the package
// file together with what it depends on. apt-get runs without questions, the
// user asked for the installation by starting the setup, but it must never
// remove an installed package to make room for this one: --no-remove turns
// that into an error the user sees. Everything goes to standard output and
// error, which the unprivileged installer reads; before each apt-get run one
// marker line says which one follows, and apt-get's own status lines
// ("dlstatus:", "pmstatus:") report its progress.

inline constexpr char kStepMarkerUpdate[] = "oblimo-step:update";
inline constexpr char kStepMarkerInstall[] = "oblimo-step:install";

std::vector<std::string> UpdateArguments();
std::vector<std::string> InstallArguments(const std::string& packagePath);

// PATH for apt-get and dpkg: the given one with the standard folders it
// lacks added at the end. dpkg needs /usr/sbin and /sbin (ldconfig,
// start-stop-daemon), which "su" without "-" or a user's own PATH leave out.
std::string PackageToolPath(std::string_view path);

// Runs both steps on the package; returns the exit code of the program: 0
// installed, 1 apt-get failed or is missing, 2 the package path is unusable.
// A failed update does not stop the installation: the lists already there
// may well do.
int RunPackageToolSteps(const std::string& packagePath);
