#include "SetupMessages.h"

#include <unistd.h>

#include "ChildProcess.h"
#include "FileIo.h"
#include "GraphicalSession.h"

std::string MessageLine(std::string_view caption, std::string_view text) {
    std::string line;
    if (!caption.empty()) {
        line += caption;
        line += ": ";
    }
    bool inBreak = false;
    for (const char c : text) {
        const bool lineBreak = c == '\r' || c == '\n';
        if (lineBreak && !inBreak) line += ' ';
        if (!lineBreak) line += c;
        inBreak = lineBreak;
    }
    line += '\n';
    return line;
}

void WriteMessageLine(std::string_view caption, std::string_view text) {
    const std::string line = MessageLine(caption, text);
    WriteAll(STDERR_FILENO, line.data(), line.size());
}

void RunDialog(const DialogCommand& command) {
    const UniqueFd null(OpenNullDevice());
    ChildSetup setup;
    setup.input = setup.output = setup.error = null.Get();
    setup.environment = command.environment;
    const pid_t dialog = StartChild(command.program, command.arguments, setup);
    if (dialog >= 0) WaitForChild(dialog);
}

void ShowSetupMessage(MessageKind kind, const std::string& caption, const std::string& text) {
    WriteMessageLine(caption, text);
    const SessionEnvironment environment = SessionEnvironment::OfThisProcess();
    const ReachableSession session = ProbeSession(environment);
    if (!session.Any()) return;
    const DialogCommand command = MessageDialogCommand(
        kind, caption, text, session,
        [&](std::string_view name) { return FindProgram(name, environment.path); });
    if (command) RunDialog(command);
}
