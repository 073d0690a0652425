#pragma once

#include <string>
#include <string_view>
#include <vector>

// Reads the output of the elevated step line by line: the step markers and
// apt-get's status lines become a percentage and a text for the progress
// window; every other line is apt-get's own output, passed on to the
// terminal, and the last of them explain a failure.
//
// The whole run is split into: updating the lists 0-10 %, downloading 10-40 %
// (apt-get's "dlstatus:ID:PERCENT:TEXT"), unpacking and setting up 40-99 %
// ("pmstatus:PACKAGE:PERCENT:TEXT").
class InstallProgress {
public:
    enum class LineKind { Output, Progress };

    // Takes one line without its line break.
    LineKind Take(std::string_view line);

    int Percent() const { return m_percent; }
    // The Japanese text for the current part of the run.
    const char* Text() const;
    bool Updating() const { return m_updating; }

    // The last few non-empty output lines, oldest first.
    const std::vector<std::string>& LastLines() const { return m_lastLines; }
    std::string LastLinesText() const;

private:
    void Advance(int percent);

    bool m_updating = false;
    int m_percent = 0;
    std::vector<std::string> m_lastLines;
};
