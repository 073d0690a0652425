#pragma once

#include <QString>

class QStatusBar;

// What the window tells assistive technology beyond Qt's own interfaces:
// - the combo boxes of the bars are named by their captions ("表示", "回転"),
//   not by the number they show (which stays their value);
// - the zoom up-down control is a spin button named like its box, whose
//   increase and decrease actions zoom in and out;
// - the status bar exposes its message as its value and as text, and every
//   change of the message is announced as a text change.
// Installed once per process; the window calls it when it is created.
void InstallFrameAccessibility();

// Announces a change of the status bar's message to assistive technology.
void AnnounceStatusMessage(QStatusBar* statusBar, const QString& oldText, const QString& text);
