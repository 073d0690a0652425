#include "CliArguments.h"

std::optional<CliArguments> CliArguments::Parse(const QStringList& arguments, const Spec& spec,
                                                QString* error) {
    CliArguments parsed;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const QString bare = argument.section(QLatin1Char('='), 0, 0);
        const bool shortOption = spec.valueOptions.count(bare) || spec.flagOptions.count(bare);
        if (!argument.startsWith(QLatin1String("--")) && !shortOption) {
            parsed.m_positional << argument;
            continue;
        }
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        const QString name = equals < 0 ? argument : argument.left(equals);
        if (spec.flagOptions.count(name)) {
            if (equals >= 0) {
                *error = QStringLiteral("%1 takes no value").arg(name);
                return std::nullopt;
            }
            parsed.m_values[name] = QString();
        } else if (spec.valueOptions.count(name)) {
            if (equals >= 0) {
                parsed.m_values[name] = argument.mid(equals + 1);
            } else if (i + 1 < arguments.size()) {
                parsed.m_values[name] = arguments[++i];
            } else {
                *error = QStringLiteral("%1 needs a value").arg(name);
                return std::nullopt;
            }
        } else {
            *error = QStringLiteral("unknown option %1").arg(name);
            return std::nullopt;
        }
    }
    return parsed;
}
