#include "CliSupport.h"

#include <cmath>
#include <cstdio>

#include "CliArguments.h"
#include "CliUsage.h"
#include "app/CTavloApp.h"

int UsageError(const QString& reason) {
    std::fprintf(stderr, "tavlo-cli: %s\n%s", reason.toUtf8().constData(),
                 FullUsage().toUtf8().constData());
    return 2;
}

int WorkFailed(const QString& message) {
    std::fprintf(stderr, "%s\n", message.toUtf8().constData());
    return 1;
}

void PrintLine(const QByteArray& line) {
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

bool ParseInt(const QString& text, int* value) {
    bool ok = false;
    *value = text.trimmed().toInt(&ok);
    return ok;
}

bool ParseFloat(const QString& text, float* value) {
    bool ok = false;
    *value = text.trimmed().toFloat(&ok);
    return ok && std::isfinite(*value);
}

bool ParseDouble(const QString& text, double* value) {
    bool ok = false;
    *value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(*value);
}

bool ParseSize(const QString& text, int* width, int* height) {
    const QStringList parts = text.split(QLatin1Char('x'));
    return parts.size() == 2 && ParseInt(parts[0], width) && ParseInt(parts[1], height);
}

namespace {
template <typename T, typename Parse>
bool ParseList(const QString& text, T* values, int count, Parse parse) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != count) return false;
    for (int i = 0; i < count; ++i)
        if (!parse(parts[i], &values[i])) return false;
    return true;
}
}  // namespace

bool ParseFloatList(const QString& text, float* values, int count) {
    return ParseList(text, values, count, ParseFloat);
}

bool ParseIntList(const QString& text, int* values, int count) {
    return ParseList(text, values, count, ParseInt);
}

bool ApplyUseWicOption(CTavloApp& app, const CliArguments& arguments) {
    if (!arguments.Has(QStringLiteral("--use-wic"))) return true;
    int useWic = 0;
    if (!ParseInt(arguments.Value(QStringLiteral("--use-wic")), &useWic) || useWic < 0 ||
        useWic > 2)
        return false;
    // Without the second component the program can only use the first.
    app.UseWIC = app.WicFactory ? useWic : 0;
    return true;
}
