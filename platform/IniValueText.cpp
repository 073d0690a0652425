#include "IniValueText.h"

#include <QFile>
#include <QStringList>

namespace {
int HexValue(QChar c) {
    if (c >= u'0' && c <= u'9') return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f') return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c.unicode() - u'A' + 10;
    return -1;
}

// Undoes the %XX and %UXXXX escapes QSettings writes into keys and section names.
QString UnescapedKey(QStringView text) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool wide = text[i] == u'%' && i + 1 < text.size() && text[i + 1] == u'U';
        const qsizetype digits = wide ? 4 : 2;
        const qsizetype first = i + (wide ? 2 : 1);
        if (text[i] == u'%' && first + digits <= text.size()) {
            int value = 0;
            for (qsizetype d = 0; d < digits && value >= 0; ++d) {
                const int h = HexValue(text[first + d]);
                value = h < 0 ? -1 : value * 16 + h;
            }
            if (value >= 0) {
                out += QChar(char16_t(value));
                i = first + digits - 1;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

bool IsBlank(QChar c) { return c == u' ' || c == u'\t' || c == u'\r'; }

QStringView Trimmed(QStringView text) {
    while (!text.isEmpty() && IsBlank(text.front())) text = text.sliced(1);
    while (!text.isEmpty() && IsBlank(text.back())) text.chop(1);
    return text;
}

// The value without its comment.
QStringView WithoutComment(QStringView value) {
    bool quoted = false;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u'\\') {
            ++i;  // an escaped character is never a quote or a comment
        } else if (value[i] == u'"') {
            quoted = !quoted;
        } else if (value[i] == u';' && !quoted) {
            return value.first(i);
        }
    }
    return value;
}
}  // namespace

std::optional<QString> IniValueText(const QString& fileName, const QString& section,
                                    const QString& key) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    std::optional<QString> found;
    QString current;  // keys before the first section belong to none of ours
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(u'\r')) line.chop(1);
        while (line.endsWith(u'\\') && i + 1 < lines.size()) {
            line.chop(1);
            QString next = lines[++i];
            if (next.endsWith(u'\r')) next.chop(1);
            line += next;
        }
        const QStringView text = Trimmed(line);
        if (text.isEmpty() || text.front() == u';') continue;
        if (text.front() == u'[') {
            const qsizetype end = text.indexOf(u']');
            current = UnescapedKey(text.sliced(1, (end < 0 ? text.size() : end) - 1));
            continue;
        }
        const qsizetype equals = text.indexOf(u'=');
        if (equals < 0 || current != section) continue;
        if (UnescapedKey(Trimmed(text.first(equals))) != key) continue;
        found = Trimmed(WithoutComment(text.sliced(equals + 1))).toString();
    }
    return found;
}
