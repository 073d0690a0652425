#pragma once

#include <QStringList>

// The lower-case extensions, without the dot, that import accepts, in this
// order; start-up appends "heif" and "heic" when HEIF files can be written.
inline QStringList DefaultImageExtensions() {
    return {QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("jpeg"),
            QStringLiteral("gif"), QStringLiteral("bmp"), QStringLiteral("tif"),
            QStringLiteral("tiff"), QStringLiteral("exif")};
}
