#pragma once

#include <QString>
#include <optional>

// The text of a value in a settings file as it stands there. QSettings takes a
// value written by hand without quotes for a list of texts when it contains a
// comma, and drops the spaces around each comma on the way, so the list alone
// cannot give the original back.
//
// The file is read as QSettings reads it: sections in brackets (keys before
// the first one are in none), "key=value" lines, section names and keys
// with their %XX and %UXXXX escapes undone, a backslash at the end of a line
// continuing the value on the next, a ";" outside double quotes starting a
// comment, the last line for a key winning. The value is returned without its
// comment and the blanks around it; escapes and quotes in it are left as
// written. None when the file or the key is not there.
std::optional<QString> IniValueText(const QString& fileName, const QString& section,
                                    const QString& key);
