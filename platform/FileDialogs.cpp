#include "FileDialogs.h"

#include <QStringList>

QStringList QtNameFilters(const QString& pipeFilter) {
    QStringList parts = pipeFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return filters;
}

QStringList FilterPatterns(const QString& pipeFilter) {
    const QStringList parts = pipeFilter.split(QLatin1Char('|'));
    QStringList patterns;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;
        patterns << parts[i + 1];
    }
    return patterns;
}

QString DefaultSuffixFor(const QString& patterns, const QString& fallback) {
    const QString first = patterns.section(QLatin1Char(';'), 0, 0).trimmed();
    if (!first.startsWith(QLatin1String("*."))) return fallback;
    const QString extension = first.mid(2);
    if (extension.isEmpty() || extension.contains(QLatin1Char('*')) ||
        extension.contains(QLatin1Char('?')))
        return fallback;
    return extension;
}
