#pragma once

#include <QString>

#include "PackageInstallPlan.h"

struct PackageToolOutcome {
    bool succeeded = false;
    // The last lines the tool printed (or why it could not start), for the
    // failure message.
    QString lastLines;
};

// Runs the command to its end. Its output is passed on to standard output as
// it comes, so a terminal shows the progress; the terminal also stays the
// standard input, where sudo may ask for a password.
PackageToolOutcome RunPackageTool(const InstallCommand& command);
