#pragma once

#include <QStringList>

#include "resources/Strings.h"

// The lower-case extensions, without the dot, that import accepts, in this
// order; start-up appends "heif" and "heic" when HEIF files can be written.
inline QStringList DefaultImageExtensions() {
    return {QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("jpeg"),
            QStringLiteral("gif"), QStringLiteral("bmp"), QStringLiteral("tif"),
            QStringLiteral("tiff"), QStringLiteral("exif")};
}

// The filter of the open and batch dialogs: every import extension as
// "*.ext", joined by ";", in both places of the filter text.
inline QString ImageFileFilter(const QStringList& extensions) {
    QString patterns;
    for (const QString& extension : extensions) {
        if (!patterns.isEmpty()) patterns += QLatin1Char(';');
        patterns += QStringLiteral("*.") + extension;
    }
    return Strings::OpenFilter().replace(QStringLiteral("#IMGFILEEXTS"), patterns);
}
