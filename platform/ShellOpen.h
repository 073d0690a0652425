#pragma once

#include <QUrl>
#include <functional>

// The shell's "open" of a file or a web page with the user's default program
// (QDesktopServices::openUrl), reached through one function so that tests can
// see what would be opened without starting any program.

// True when a program was asked to open it.
bool ShellOpenUrl(const QUrl& url);

using ShellOpenHandler = std::function<bool(const QUrl&)>;
// Replaces the handler and returns the previous one; an empty handler restores
// QDesktopServices.
ShellOpenHandler SetShellOpenHandler(ShellOpenHandler handler);
