#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <optional>

// Files with a colour profile and an EXIF block, written and read back through
// the formats' own libraries (libjpeg, libpng, libheif, libexif), not through
// the program's code.
namespace MetadataFiles {

// A camera's EXIF block (a TIFF structure) with a thumbnail in the second
// directory: model kModel, taken kDate, exposure 1/250 s, 72 dpi.
inline constexpr char kModel[] = "Oblimo Test Camera";
inline constexpr char kDate[] = "2024:05:06 07:08:09";
QByteArray CameraExif(int orientation, int width, int height);

QByteArray JpegWithMetadata(const QImage& image, const QByteArray& icc, const QByteArray& exif);
// HEVC through libheif with an nclx colour (primaries, transfer) and EXIF.
QByteArray HeicWithNclx(const QImage& image, int primaries, int transfer, const QByteArray& exif);

struct FileMetadata {
    QByteArray icc;
    QByteArray exif;  // the TIFF structure
    int nclxPrimaries = 0, nclxTransfer = 0;
    int profileParts = 0;  // JPEG: APP2 ICC segments
};
FileMetadata ReadFileMetadata(const QByteArray& file);

struct ExifFacts {
    QString model, date, exposure;
    int orientation = 0;  // 0: none
    long pixelX = 0, pixelY = 0;
    bool thumbnail = false;  // a second directory or thumbnail data
    std::optional<double> xResolution, yResolution;
    int resolutionUnit = 0;
};
// None when libexif finds nothing in it.
std::optional<ExifFacts> ReadExifFacts(const QByteArray& tiff);

}  // namespace MetadataFiles
