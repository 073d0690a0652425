#include "ChildProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

extern char** environ;

pid_t StartChild(const std::string& program, const std::vector<std::string>& arguments,
                 const ChildSetup& setup) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (posix_spawn_file_actions_init(&actions) != 0) return -1;
    if (posix_spawnattr_init(&attributes) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return -1;
    }
    // The child gets a clean signal mask whatever the calling thread has
    // blocked, and the default action for a broken pipe even though the
    // caller ignores it.
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    bool prepared = true;
    const int targets[] = {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO};
    const int sources[] = {setup.input, setup.output, setup.error};
    for (int i = 0; i < 3; ++i) {
        if (sources[i] >= 0)
            prepared &= posix_spawn_file_actions_adddup2(&actions, sources[i], targets[i]) == 0;
    }
    // The folder change happens in the child, before the program runs.
    if (!setup.workingFolder.empty())
        prepared &=
            posix_spawn_file_actions_addchdir_np(&actions, setup.workingFolder.c_str()) == 0;

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    std::vector<char*> envp;
    for (char** entry = environ; *entry; ++entry) {
        const std::string_view existing(*entry);
        const std::string_view name = existing.substr(0, existing.find('='));
        bool replaced = false;
        for (const std::string& added : setup.environment)
            replaced |= added.size() > name.size() && added.compare(0, name.size(), name) == 0 &&
                        added[name.size()] == '=';
        if (!replaced) envp.push_back(*entry);
    }
    for (const std::string& added : setup.environment)
        envp.push_back(const_cast<char*>(added.c_str()));
    envp.push_back(nullptr);

    pid_t child = -1;
    const bool started = prepared && posix_spawn(&child, program.c_str(), &actions, &attributes,
                                                 argv.data(), envp.data()) == 0;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return started ? child : -1;
}

int WaitForChild(pid_t child) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return status;
}

bool ChildSucceeded(int status) {
    return status >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string FindProgram(std::string_view name, std::string_view searchPath) {
    if (name.empty()) return std::string();
    const auto isProgram = [](const std::string& path) {
        struct stat status;
        return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
               access(path.c_str(), X_OK) == 0;
    };
    if (name.find('/') != std::string_view::npos) {
        const std::string path(name);
        return isProgram(path) ? path : std::string();
    }
    std::size_t start = 0;
    while (start <= searchPath.size()) {
        std::size_t end = searchPath.find(':', start);
        if (end == std::string_view::npos) end = searchPath.size();
        const std::string_view folder = searchPath.substr(start, end - start);
        // An empty entry means the working folder; a setup never wants that.
        if (!folder.empty() && folder.front() == '/') {
            std::string path(folder);
            if (path.back() != '/') path += '/';
            path += name;
            if (isProgram(path)) return path;
        }
        start = end + 1;
    }
    return std::string();
}

std::string FindProgram(std::string_view name) {
    const char* path = std::getenv("PATH");
    return FindProgram(name, path ? path : "/usr/local/bin:/usr/bin:/bin");
}

int OpenNullDevice() { return open("/dev/null", O_RDWR | O_CLOEXEC); }
