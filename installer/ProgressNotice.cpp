#include "ProgressNotice.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <ctime>

#include "launcher/ChildProcess.h"
#include "launcher/DesktopDialog.h"
#include "launcher/SetupMessages.h"

namespace {

// How long a dialog gets to close by itself before it is told to.
constexpr int kCloseWaitMs = 2000;

bool WaitUntilEnded(pid_t child, int timeoutMs) {
    for (int waited = 0;; waited += 20) {
        int status = 0;
        const pid_t ended = waitpid(child, &status, WNOHANG);
        if (ended == child || (ended < 0 && errno != EINTR)) return true;
        if (waited >= timeoutMs) return false;
        const timespec pause{0, 20'000'000};
        nanosleep(&pause, nullptr);
    }
}

}  // namespace

ProgressNotice::ProgressNotice(const std::string& caption, const std::string& text,
                               const ReachableSession& session, const std::string& searchPath)
    : m_text(text) {
    WriteMessageLine(caption, text);
    if (!session.Any()) return;
    const ProgressDialogCommand progress = ProgressDialogCommandFor(
        caption, text, session,
        [&searchPath](std::string_view name) { return FindProgram(name, searchPath); });
    if (!progress.command) return;

    const UniqueFd null(OpenNullDevice());
    int ends[2] = {-1, -1};
    if (progress.readsProgress && pipe2(ends, O_CLOEXEC) != 0) return;
    UniqueFd reading(ends[0]);
    UniqueFd writing(ends[1]);
    ChildSetup setup;
    setup.input = progress.readsProgress ? reading.Get() : null.Get();
    setup.output = setup.error = null.Get();
    setup.environment = progress.command.environment;
    m_dialog = StartChild(progress.command.program, progress.command.arguments, setup);
    if (m_dialog >= 0) m_feed = std::move(writing);
}

ProgressNotice::~ProgressNotice() { Close(); }

void ProgressNotice::Update(int percent, const std::string& text) {
    if (!m_feed || (percent == m_percent && text == m_text)) return;
    std::string lines;
    if (percent != m_percent) lines += std::to_string(percent) + '\n';
    if (text != m_text) lines += "# " + text + '\n';
    m_percent = percent;
    m_text = text;
    // A dialog the user closed leaves a broken pipe, which is ignored.
    WriteAll(m_feed.Get(), lines.data(), lines.size());
}

void ProgressNotice::Close() {
    if (m_dialog < 0) return;
    if (m_feed) {
        // At 100 % zenity closes itself (--auto-close).
        WriteAll(m_feed.Get(), "100\n", 4);
        m_feed.Reset();
        if (WaitUntilEnded(m_dialog, kCloseWaitMs)) {
            m_dialog = -1;
            return;
        }
    }
    kill(m_dialog, SIGTERM);
    WaitForChild(m_dialog);
    m_dialog = -1;
}
