#include "InstallProgress.h"

#include <algorithm>
#include <charconv>

#include "InstallerStrings.h"
#include "PackageToolSteps.h"

namespace {

constexpr std::size_t kReportedLines = 8;

struct Phase {
    std::string_view prefix;
    int from, to;
};
constexpr Phase kDownload{"dlstatus:", 10, 40};
constexpr Phase kSetUp{"pmstatus:", 40, 99};

// The percentage field of "KIND:ID:PERCENT:TEXT" (apt-get writes a decimal
// fraction such as "37.5"); -1 when the line is not of that form.
double StatusPercent(std::string_view line) {
    const std::size_t first = line.find(':');
    const std::size_t second = line.find(':', first + 1);
    if (first == std::string_view::npos || second == std::string_view::npos) return -1;
    const std::size_t third = line.find(':', second + 1);
    if (third == std::string_view::npos) return -1;
    const std::string_view field = line.substr(second + 1, third - second - 1);
    double percent = -1;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), percent);
    if (error != std::errc() || end != field.data() + field.size()) return -1;
    return std::clamp(percent, 0.0, 100.0);
}

bool StartsWith(std::string_view line, std::string_view prefix) {
    return line.substr(0, prefix.size()) == prefix;
}

}  // namespace

InstallProgress::LineKind InstallProgress::Take(std::string_view line) {
    if (line == kStepMarkerUpdate) {
        m_updating = true;
        return LineKind::Progress;
    }
    if (line == kStepMarkerInstall) {
        m_updating = false;
        Advance(10);
        return LineKind::Progress;
    }
    for (const Phase& phase : {kDownload, kSetUp}) {
        if (!StartsWith(line, phase.prefix)) continue;
        const double percent = StatusPercent(line);
        // While the lists are updated everything counts as that part.
        if (percent >= 0 && !m_updating)
            Advance(phase.from + int(percent * (phase.to - phase.from) / 100.0));
        return LineKind::Progress;
    }
    // apt-get's other status lines ("pmerror:", "pmconffile:", "media-change:")
    // say the same as its plain output does.
    if (StartsWith(line, "pmerror:") || StartsWith(line, "pmconffile:") ||
        StartsWith(line, "media-change:"))
        return LineKind::Progress;

    std::string_view trimmed = line;
    while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\r'))
        trimmed.remove_suffix(1);
    if (!trimmed.empty()) {
        m_lastLines.emplace_back(trimmed);
        if (m_lastLines.size() > kReportedLines) m_lastLines.erase(m_lastLines.begin());
    }
    return LineKind::Output;
}

void InstallProgress::Advance(int percent) { m_percent = std::max(m_percent, percent); }

const char* InstallProgress::Text() const {
    return m_updating ? InstallerText::kUpdatingLists : InstallerText::kInstalling;
}

std::string InstallProgress::LastLinesText() const {
    std::string text;
    for (const std::string& line : m_lastLines) {
        if (!text.empty()) text += '\n';
        text += line;
    }
    return text;
}
