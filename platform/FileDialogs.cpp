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
