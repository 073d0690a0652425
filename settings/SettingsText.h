#pragma once

#include <QString>
#include <optional>

// How the pages read their fields. The fields accept any text; full-width
// digits, which a Japanese input method types, count as digits.

// A colour component: the integer the text starts with (leading white space
// and a sign allowed, reading stops at the first character that is no digit,
// no digits give 0); anything above 255, a negative number included, is 255.
unsigned ColorComponentFromText(const QString& text);

// The opacity: an unsigned decimal number that is the whole text (leading
// white space and a sign allowed; a minus before a number other than 0 wraps
// it far above 255) and at most 255; an empty text is 0. Nothing when the
// text is refused.
std::optional<unsigned> OpacityFromText(const QString& text);

// A sub-folder name may hold none of the characters that no file name on
// Windows may hold: " * / : < > ? \ |
bool HasForbiddenFolderCharacter(const QString& name);
