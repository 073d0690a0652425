#include "DesktopDialog.h"

namespace {

enum class Program { Zenity, Kdialog, Xmessage };

// xmessage draws Latin-1 unless its widgets use font sets, which need a UTF-8
// locale; the messages are Japanese.
constexpr char kXmessageInternational[] = "*international: true";
constexpr char kXmessageLocale[] = "LC_ALL=C.UTF-8";

struct Found {
    Program program;
    std::string path;
};

// The first program present that can show a window in this session.
bool FindDialogProgram(const ReachableSession& session, const ProgramFinder& findProgram,
                       Found* found) {
    const struct {
        Program program;
        const char* name;
        bool usable;
    } choices[] = {
        {Program::Zenity, "zenity", session.Any()},
        {Program::Kdialog, "kdialog", session.Any()},
        {Program::Xmessage, "xmessage", session.x11},
    };
    for (const auto& choice : choices) {
        if (!choice.usable) continue;
        std::string path = findProgram(choice.name);
        if (path.empty()) continue;
        *found = {choice.program, std::move(path)};
        return true;
    }
    return false;
}

}  // namespace

std::string DialogText(std::string_view text) {
    std::string plain;
    plain.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        plain += text[i];
    }
    return plain;
}

DialogCommand MessageDialogCommand(MessageKind kind, const std::string& caption,
                                   const std::string& text, const ReachableSession& session,
                                   const ProgramFinder& findProgram) {
    Found found;
    if (!FindDialogProgram(session, findProgram, &found)) return DialogCommand();
    const std::string body = DialogText(text);
    const bool error = kind == MessageKind::Error;
    DialogCommand command;
    command.program = found.path;
    switch (found.program) {
        case Program::Zenity:
            // Paths may hold "<" or "&", which would otherwise be markup.
            command.arguments = {error ? "--error" : "--info", "--title=" + caption,
                                 "--text=" + body, "--no-markup"};
            break;
        case Program::Kdialog:
            command.arguments = {"--title", caption, error ? "--error" : "--msgbox", body};
            break;
        case Program::Xmessage:
            command.arguments = {"-xrm",    kXmessageInternational,
                                 "-title",  caption,
                                 "-center", "-buttons",
                                 "OK:0",    "-default",
                                 "OK",      body};
            command.environment = {kXmessageLocale};
            break;
    }
    return command;
}

ProgressDialogCommand ProgressDialogCommandFor(const std::string& caption, const std::string& text,
                                               const ReachableSession& session,
                                               const ProgramFinder& findProgram) {
    Found found;
    if (!FindDialogProgram(session, findProgram, &found)) return ProgressDialogCommand();
    const std::string body = DialogText(text);
    ProgressDialogCommand progress;
    progress.command.program = found.path;
    switch (found.program) {
        case Program::Zenity:
            progress.readsProgress = true;
            progress.command.arguments = {"--progress",     "--title=" + caption, "--text=" + body,
                                          "--percentage=0", "--auto-close",       "--no-cancel"};
            break;
        case Program::Kdialog:
            progress.command.arguments = {"--title", caption, "--msgbox", body};
            break;
        case Program::Xmessage:
            // No buttons: the caller closes it when the step is over.
            progress.command.arguments = {
                "-xrm", kXmessageInternational, "-title", caption, "-center", "-buttons", "", body};
            progress.command.environment = {kXmessageLocale};
            break;
    }
    return progress;
}
