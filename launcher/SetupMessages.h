#pragma once

#include <string>
#include <string_view>

#include "DesktopDialog.h"

// How the setup programs (the launcher and the installer it starts) tell the
// user something: always one line on standard error, and, when a graphical
// session answers, also a box from the desktop's dialog program.

// "caption: text" (just the text when the caption is empty) on one line: each
// run of line breaks in the message becomes a single space.
std::string MessageLine(std::string_view caption, std::string_view text);

// Writes one message line to standard error in a single write, so lines from
// different threads never interleave.
void WriteMessageLine(std::string_view caption, std::string_view text);

// The line, then the box; returns once the user has closed the box (at once
// when there is none). Nothing here can end the program.
void ShowSetupMessage(MessageKind kind, const std::string& caption, const std::string& text);

// Runs a dialog program with nothing on its standard streams (its toolkit's
// warnings are not the user's business) and waits for it.
void RunDialog(const DialogCommand& command);
