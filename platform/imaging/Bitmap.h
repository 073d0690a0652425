#pragma once

#include <QImage>

// A decoded, rendered or converted image together with its resolution: what a
// GDI+ bitmap was to the design. Pixels in the working format are
// QImage::Format_ARGB32, which on little-endian machines is laid out exactly as
// the program's working format: bytes blue, green, red, alpha, not premultiplied,
// rows top-down, stride 4 x width. The resolution is kept in float dots per inch
// because QImage rounds it to whole dots per metre.
struct Bitmap {
    QImage image;
    float dpiX = 0.0f;
    float dpiY = 0.0f;

    bool IsNull() const { return image.isNull(); }
    int Width() const { return image.width(); }
    int Height() const { return image.height(); }
};

// The resolution GDI+ gives a bitmap it creates itself, and so also every image
// that the second imaging component decodes (it does not carry the file's
// resolution over).
inline constexpr float kNewBitmapDpi = 96.0f;
