#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "PackageInstallPlan.h"

struct PackageToolOutcome {
    bool started = false;
    int waitStatus = -1;  // as waitpid reports it
    bool Succeeded() const;
    int ExitCode() const;  // -1 when it did not exit normally
};

// Runs the command to its end with its standard output and error on one pipe,
// handing each line (without its line break) to onLine as it comes. Standard
// input stays the caller's: sudo may ask for a password on the terminal.
PackageToolOutcome RunPackageTool(const InstallCommand& command,
                                  const std::function<void(std::string_view line)>& onLine);
