#include "SettingsText.h"

#include <algorithm>
#include <cstdint>

namespace {
bool IsBlank(QChar c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

int DigitValue(QChar c) {
    if (c >= u'0' && c <= u'9') return c.unicode() - u'0';
    if (c >= u'\uFF10' && c <= u'\uFF19') return c.unicode() - 0xFF10;
    return -1;
}

// The C runtime's reading of a decimal number: blanks, a sign, digits. The
// value saturates instead of overflowing; `end` is where reading stopped
// (the start of the text when there was no digit).
struct Reading {
    bool negative = false;
    std::uint64_t magnitude = 0;
    qsizetype end = 0;
};

Reading ReadDecimal(const QString& text) {
    Reading reading;
    qsizetype i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        reading.negative = text[i] == u'-';
        ++i;
    }
    const qsizetype firstDigit = i;
    constexpr std::uint64_t kCeiling = std::uint64_t(1) << 40;
    for (; i < text.size(); ++i) {
        const int digit = DigitValue(text[i]);
        if (digit < 0) break;
        reading.magnitude = std::min(kCeiling, reading.magnitude * 10 + unsigned(digit));
    }
    reading.end = i > firstDigit ? i : 0;
    return reading;
}
}  // namespace

unsigned ColorComponentFromText(const QString& text) {
    const Reading reading = ReadDecimal(text);
    if (reading.negative && reading.magnitude != 0) return 255;
    return reading.magnitude > 255 ? 255 : unsigned(reading.magnitude);
}

std::optional<unsigned> OpacityFromText(const QString& text) {
    if (text.isEmpty()) return 0u;
    const Reading reading = ReadDecimal(text);
    if (reading.end != text.size()) return std::nullopt;
    if (reading.negative && reading.magnitude != 0) return std::nullopt;
    if (reading.magnitude > 255) return std::nullopt;
    return unsigned(reading.magnitude);
}

bool HasForbiddenFolderCharacter(const QString& name) {
    for (const QChar c : name)
        if (QStringView(u"\"*/:<>?\\|").contains(c)) return true;
    return false;
}
