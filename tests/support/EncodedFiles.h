#pragma once

#include <QByteArray>
#include <QImage>
#include <optional>

// Looking into encoded files and comparing what came back out of them.
namespace EncodedFiles {

// Channel differences between two images of the same size, compared as
// Format_ARGB32. Images of different sizes differ by 255.
int MaxDifference(const QImage& a, const QImage& b);
double MeanDifference(const QImage& a, const QImage& b);

// The same pixels with alpha forced to 255, for comparing an opaque file with
// the image it was written from.
QImage Opaque(const QImage& image);

// A gradient with a few sharp edges (so row order, mirroring and channel order
// all show) and, when withAlpha, alpha varying across the image.
QImage Pattern(int width, int height, bool withAlpha);

// The colour type byte of a PNG's header: 2 = RGB, 6 = RGB with alpha.
int PngColorType(const QByteArray& png);
// The resolution a file stores, in dots per inch (x, y): a PNG's pHYs chunk, a
// JPEG's JFIF density in dots per inch or per cm, a BMP's pixels per metre.
// None when the file stores no resolution (no pHYs, JFIF units 0, BMP 0).
struct Resolution {
    double x, y;
};
std::optional<Resolution> StoredResolution(const QByteArray& file);

}  // namespace EncodedFiles
