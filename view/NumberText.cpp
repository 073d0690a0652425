#include "NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>

// The fields are read and written without regard to the user's locale: a
// German desktop must not turn "100.000000" into 100000000 or a comma.

namespace {
// Skips leading white space and a plus sign, as the C runtime's readers do.
const char* SkipPrefix(const char* p, const char* end) {
    while (p < end && (*p == ' ' || (*p >= '\t' && *p <= '\r'))) ++p;
    if (p < end && *p == '+' && p + 1 < end && p[1] != '-') ++p;
    return p;
}
}  // namespace

double LeadingNumber(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    const char* end = bytes.constData() + bytes.size();
    const char* begin = SkipPrefix(bytes.constData(), end);
    double value = 0.0;
    const auto [stop, error] = std::from_chars(begin, end, value, std::chars_format::general);
    if (stop == begin || error != std::errc() || !std::isfinite(value)) return 0.0;
    return value;
}

int LeadingInteger(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    const char* end = bytes.constData() + bytes.size();
    const char* begin = SkipPrefix(bytes.constData(), end);
    long long value = 0;
    const auto [stop, error] = std::from_chars(begin, end, value, 10);
    if (stop == begin) return 0;
    if (error == std::errc::result_out_of_range)
        return *begin == '-' ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max();
    if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return int(value);
}

QString FormatFixed(double value) {
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                      std::chars_format::fixed, 6);
    return QString::fromLatin1(buffer, int(result.ptr - buffer));
}
