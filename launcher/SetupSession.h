#pragma once

#include <QByteArray>
#include <QString>

// How the setup programs (the launcher and the installer it starts) talk to
// the user: message boxes when a graphical display is there, otherwise one
// line per message on standard error.

// A display is there unless Qt is told to draw off screen, or no X11 or
// Wayland display is named for the platform that would be used.
bool HasGraphicalDisplay(const QString& qpaPlatform, const QString& x11Display,
                         const QString& waylandDisplay);
// The same for this process's environment.
bool HasGraphicalDisplay();

// "caption: text" (just the text when the caption is empty) on one line: the
// line breaks of the message become single spaces.
QByteArray MessageLine(const QString& caption, const QString& text);

// The message text for a box: Windows-style line ends become plain ones.
QString MessageBoxText(const QString& text);

// Writes one message line to standard error in a single write, so lines from
// different threads never interleave.
void WriteMessageLine(const QString& caption, const QString& text);
