#include "Utf16Text.h"

#include <cstdint>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

void AppendUnit(std::string& out, char16_t unit) {
    out += char(unit & 0xFF);
    out += char(unit >> 8);
}

char16_t UnitAt(const char* data, std::size_t index) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data) + 2 * index;
    return char16_t(bytes[0] | (bytes[1] << 8));
}

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Decodes one character at text[i] and moves i past it.
char32_t NextUtf8(std::string_view text, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80) return lead;
    int length = 0;
    char32_t c = 0;
    char32_t smallest = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 1, c = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 2, c = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 3, c = lead & 0x07, smallest = 0x10000;
    } else {
        return kReplacement;
    }
    for (int k = 0; k < length; ++k) {
        if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            return kReplacement;
        c = (c << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are no characters.
    if (c < smallest || c > 0x10FFFF || IsHighSurrogate(c) || IsLowSurrogate(c))
        return kReplacement;
    return c;
}

}  // namespace

std::string Utf16LeToUtf8(const char* data, std::size_t units) {
    std::string out;
    out.reserve(units);
    for (std::size_t i = 0; i < units; ++i) {
        const char32_t unit = UnitAt(data, i);
        if (IsHighSurrogate(unit) && i + 1 < units && IsLowSurrogate(UnitAt(data, i + 1))) {
            const char32_t low = UnitAt(data, ++i);
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            AppendUtf8(out, kReplacement);
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

std::string Utf8ToUtf16Le(std::string_view text) {
    std::string out;
    out.reserve(2 * text.size());
    for (std::size_t i = 0; i < text.size();) {
        const char32_t c = NextUtf8(text, i);
        if (c >= 0x10000) {
            AppendUnit(out, char16_t(0xD800 + ((c - 0x10000) >> 10)));
            AppendUnit(out, char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            AppendUnit(out, char16_t(c));
        }
    }
    return out;
}
