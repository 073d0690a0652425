#include "InstallerProcess.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <csignal>

extern char** environ;

pid_t StartInstaller(const QByteArray& programPath, const QByteArray& workingFolder) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (posix_spawn_file_actions_init(&actions) != 0) return -1;
    if (posix_spawnattr_init(&attributes) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return -1;
    }
    // The installer gets a clean signal mask whatever the worker thread has
    // blocked; the folder change happens in the child, before the program runs.
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);

    pid_t installer = -1;
    char* const arguments[] = {const_cast<char*>(programPath.constData()), nullptr};
    const bool started =
        posix_spawn_file_actions_addchdir_np(&actions, workingFolder.constData()) == 0 &&
        posix_spawn(&installer, programPath.constData(), &actions, &attributes, arguments,
                    environ) == 0;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return started ? installer : -1;
}

void WaitForInstaller(pid_t installer) {
    int status = 0;
    while (waitpid(installer, &status, 0) < 0 && errno == EINTR) {
    }
}
