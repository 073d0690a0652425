#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "GraphicalSession.h"

// The desktop's own dialog programs, which stand in for message boxes: the
// setup programs link no toolkit, since they run before the editor's
// libraries are installed. zenity (GNOME and most others) comes first, then
// kdialog (KDE), then xmessage (any X server). zenity and kdialog work on
// X11 and Wayland; xmessage only on X11.

enum class MessageKind { Error, Information };

struct DialogCommand {
    std::string program;  // absolute path; empty: no dialog can be shown
    std::vector<std::string> arguments;
    std::vector<std::string> environment;  // "NAME=value" entries the program needs
    explicit operator bool() const { return !program.empty(); }
};

using ProgramFinder = std::function<std::string(std::string_view name)>;

// The command that shows text in a box with one OK button and the caption
// as its title, for the first dialog program that is present and can reach
// the session.
DialogCommand MessageDialogCommand(MessageKind kind, const std::string& caption,
                                   const std::string& text, const ReachableSession& session,
                                   const ProgramFinder& findProgram);

// A window that says what is going on while a long step runs. With zenity it
// is a progress bar that reads "PERCENT" and "# TEXT" lines on its standard
// input; the others only show the text and are closed by the caller.
struct ProgressDialogCommand {
    DialogCommand command;
    bool readsProgress = false;
};
ProgressDialogCommand ProgressDialogCommandFor(const std::string& caption, const std::string& text,
                                               const ReachableSession& session,
                                               const ProgramFinder& findProgram);

// Message texts use Windows-style line ends; dialogs want plain ones.
std::string DialogText(std::string_view text);
