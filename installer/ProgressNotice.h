#pragma once

#include <sys/types.h>

#include <string>

#include "launcher/FileIo.h"
#include "launcher/GraphicalSession.h"

// Tells the user that the installation is running: one line on standard
// error, and, in a graphical session, a window of the desktop's dialog
// program that stays until Close. zenity shows a progress bar fed with
// percentages; kdialog and xmessage show the text alone.
class ProgressNotice {
public:
    ProgressNotice(const std::string& caption, const std::string& text,
                   const ReachableSession& session, const std::string& searchPath);
    ~ProgressNotice();
    ProgressNotice(const ProgressNotice&) = delete;
    ProgressNotice& operator=(const ProgressNotice&) = delete;

    // Only sent on when something changed.
    void Update(int percent, const std::string& text);
    // Takes the window away (a no-op the second time).
    void Close();

private:
    pid_t m_dialog = -1;
    UniqueFd m_feed;  // zenity's standard input
    int m_percent = 0;
    std::string m_text;
};
