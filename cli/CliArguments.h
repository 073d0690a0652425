#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>
#include <set>

// The arguments of one tavlo-cli command: positional arguments and options.
// An option that takes a value accepts it as the next argument or after "=";
// the value may begin with a minus sign ("--frame -80,-80,80,80").
class CliArguments {
public:
    struct Spec {
        std::set<QString> valueOptions;  // "--angle", ...
        std::set<QString> flagOptions;   // "--flip-x", ...
    };

    // None, with the reason in *error, for an unknown option or a missing value.
    static std::optional<CliArguments> Parse(const QStringList& arguments, const Spec& spec,
                                             QString* error);

    const QStringList& Positional() const { return m_positional; }
    bool Has(const QString& option) const { return m_values.contains(option); }
    QString Value(const QString& option) const { return m_values.value(option); }

private:
    QStringList m_positional;
    QMap<QString, QString> m_values;
};
