#include "QtRowEncoder.h"

#include <cmath>

#include "Bitmap.h"
#include "CodecEncoders.h"

namespace {
int DotsPerMetre(float dpi) { return int(std::lround(double(dpi) / 0.0254)); }

// The JFIF density Qt's JPEG writer derives from whole dots per metre: per inch
// when the per-inch values lie nearer to whole numbers, else per centimetre.
void SetJpegDensity(int dpmX, int dpmY, EncoderSettings* settings) {
    const double inchX = dpmX * 2.54 / 100.0, inchY = dpmY * 2.54 / 100.0;
    const double cmX = dpmX / 100.0, cmY = dpmY / 100.0;
    const auto off = [](double v) { return std::fabs(v - std::round(v)); };
    const double diffInch = off(inchX) + off(inchY);
    const double diffCm = (off(cmX) + off(cmY)) * 2.54;
    if (diffInch < diffCm) {
        settings->jpegDensityUnit = 1;
        settings->jpegDensityX = int(std::round(inchX));
        settings->jpegDensityY = int(std::round(inchY));
    } else {
        settings->jpegDensityUnit = 2;
        settings->jpegDensityX = (dpmX + 50) / 100;
        settings->jpegDensityY = (dpmY + 50) / 100;
    }
}
}  // namespace

bool EncodeRowsLikeQt(const QByteArray& format, RowSource& rows, float dpiX, float dpiY,
                      ByteSink& sink, const ImageMetadata& metadata) {
    const bool stamped = dpiX > 0.0f && dpiY > 0.0f;
    const int dpmX = DotsPerMetre(stamped ? dpiX : kNewBitmapDpi);
    const int dpmY = DotsPerMetre(stamped ? dpiY : kNewBitmapDpi);
    EncoderSettings settings;
    const QByteArray name = format.toLower();
    if (name == "jpeg" || name == "jpg") {
        SetJpegDensity(dpmX, dpmY, &settings);
        return EncodeJpegWithLibjpeg(rows, sink, settings, metadata);
    }
    if (name == "png") {
        settings.dotsPerMetreX = dpmX;
        settings.dotsPerMetreY = dpmY;
        return EncodePngWithLibpng(rows, sink, settings, metadata);
    }
    if (name == "bmp") {
        settings.dotsPerMetreX = dpmX ? dpmX : 2834;
        settings.dotsPerMetreY = dpmY ? dpmY : 2834;
        return EncodeBmp24(rows, sink, settings);
    }
    return false;
}
