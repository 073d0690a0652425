#include "OutputFormat.h"

OutputFormat OutputFormatForPath(const QString& path, bool heifAvailable) {
    const auto endsWith = [&path](const char* extension) {
        return path.endsWith(QLatin1String(extension), Qt::CaseInsensitive);
    };
    if (endsWith(".jpg") || endsWith(".jpeg")) return OutputFormat::Jpeg;
    if (heifAvailable && (endsWith(".heic") || endsWith(".heif"))) return OutputFormat::Heic;
    if (endsWith(".bmp")) return OutputFormat::Bmp;
    return OutputFormat::Png;
}

QString FormatName(OutputFormat format) {
    switch (format) {
        case OutputFormat::Jpeg:
            return QStringLiteral("jpeg");
        case OutputFormat::Bmp:
            return QStringLiteral("bmp");
        case OutputFormat::Heic:
            return QStringLiteral("heic");
        case OutputFormat::Png:
            break;
    }
    return QStringLiteral("png");
}
