#pragma once

#include <sys/types.h>

#include <QByteArray>

// Starts the unpacked installer as a child process with its folder as the
// working folder, the launcher's environment and no arguments. Returns its
// process id, or -1 when it could not be started.
pid_t StartInstaller(const QByteArray& programPath, const QByteArray& workingFolder);

// Waits without a time-out until the child has ended.
void WaitForInstaller(pid_t installer);
