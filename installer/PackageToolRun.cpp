#include "PackageToolRun.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "launcher/ChildProcess.h"
#include "launcher/FileIo.h"

bool PackageToolOutcome::Succeeded() const { return started && ChildSucceeded(waitStatus); }

int PackageToolOutcome::ExitCode() const {
    return started && waitStatus >= 0 && WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
}

PackageToolOutcome RunPackageTool(const InstallCommand& command,
                                  const std::function<void(std::string_view line)>& onLine) {
    PackageToolOutcome outcome;
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return outcome;
    UniqueFd reading(ends[0]);
    UniqueFd writing(ends[1]);

    ChildSetup setup;
    setup.output = setup.error = writing.Get();
    const pid_t child = StartChild(command.program, command.arguments, setup);
    // Only the child may hold the writing end, or the reads below never end.
    writing.Reset();
    if (child < 0) return outcome;
    outcome.started = true;

    // The child's own children (a service a package starts) may keep the pipe
    // open after it has ended, so its end, not the pipe's, ends the reading.
    fcntl(reading.Get(), F_SETFL, fcntl(reading.Get(), F_GETFL) | O_NONBLOCK);
    std::string pending;
    const auto drain = [&] {
        char chunk[4096];
        for (;;) {
            const ssize_t got = read(reading.Get(), chunk, sizeof chunk);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return got == 0;  // true: every writer is gone
            pending.append(chunk, std::size_t(got));
            std::size_t start = 0;
            for (std::size_t end; (end = pending.find('\n', start)) != std::string::npos;
                 start = end + 1)
                onLine(std::string_view(pending).substr(start, end - start));
            pending.erase(0, start);
        }
    };
    for (;;) {
        pollfd waiting{reading.Get(), POLLIN, 0};
        if (poll(&waiting, 1, 250) < 0 && errno != EINTR) break;
        const bool closed = drain();
        int status = 0;
        const pid_t ended = waitpid(child, &status, WNOHANG);
        if (ended == child) {
            drain();
            outcome.waitStatus = status;
            break;
        }
        if (ended < 0 && errno != EINTR) break;
        if (closed) {
            outcome.waitStatus = WaitForChild(child);
            break;
        }
    }
    if (!pending.empty()) onLine(pending);
    return outcome;
}
