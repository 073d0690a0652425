#include "EncodedFiles.h"

#include <QtEndian>
#include <cmath>

namespace EncodedFiles {

namespace {
template <typename Combine>
bool ForEachChannel(const QImage& a, const QImage& b, Combine combine) {
    if (a.size() != b.size()) return false;
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    for (int row = 0; row < x.height(); ++row) {
        const uchar* p = x.constScanLine(row);
        const uchar* q = y.constScanLine(row);
        for (int i = 0; i < x.width() * 4; ++i) combine(std::abs(int(p[i]) - int(q[i])));
    }
    return true;
}
}  // namespace

int MaxDifference(const QImage& a, const QImage& b) {
    int most = 0;
    if (!ForEachChannel(a, b, [&](int d) { most = std::max(most, d); })) return 255;
    return most;
}

double MeanDifference(const QImage& a, const QImage& b) {
    double sum = 0;
    qint64 count = 0;
    if (!ForEachChannel(a, b, [&](int d) { sum += d, ++count; })) return 255;
    return count ? sum / double(count) : 0.0;
}

QImage Opaque(const QImage& image) {
    QImage result = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < result.height(); ++y) {
        uchar* p = result.scanLine(y);
        for (int x = 0; x < result.width(); ++x) p[4 * x + 3] = 255;
    }
    return result;
}

QImage Pattern(int width, int height, bool withAlpha) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int r = width > 1 ? 255 * x / (width - 1) : 128;
            const int g = height > 1 ? 255 * y / (height - 1) : 128;
            // A dark block in the top-left quarter: turned rows or columns show.
            const int b = (x < width / 4 && y < height / 4) ? 0 : 200;
            const int a = withAlpha ? 255 - (x + y) % 256 : 255;
            row[x] = qRgba(r, g, b, a);
        }
    }
    return image;
}

int PngColorType(const QByteArray& png) {
    return png.size() > 25 && png.startsWith("\x89PNG") ? uchar(png[25]) : -1;
}

std::optional<Resolution> StoredResolution(const QByteArray& file) {
    const auto* p = reinterpret_cast<const uchar*>(file.constData());
    if (file.startsWith("\x89PNG")) {
        const qsizetype at = file.indexOf("pHYs");
        if (at < 0 || at + 13 > file.size()) return std::nullopt;
        const double x = qFromBigEndian<quint32>(p + at + 4);
        const double y = qFromBigEndian<quint32>(p + at + 8);
        if (p[at + 12] != 1) return std::nullopt;  // unit: metre
        return Resolution{x * 0.0254, y * 0.0254};
    }
    if (file.startsWith("\xFF\xD8\xFF\xE0") && file.mid(6, 5) == QByteArray("JFIF\0", 5)) {
        const int units = p[13];
        const double x = qFromBigEndian<quint16>(p + 14), y = qFromBigEndian<quint16>(p + 16);
        if (units == 1) return Resolution{x, y};
        if (units == 2) return Resolution{x * 2.54, y * 2.54};
        return std::nullopt;
    }
    if (file.startsWith("BM") && file.size() >= 54) {
        const double x = qFromLittleEndian<qint32>(p + 38), y = qFromLittleEndian<qint32>(p + 42);
        if (x == 0 && y == 0) return std::nullopt;
        return Resolution{x * 0.0254, y * 0.0254};
    }
    return std::nullopt;
}

}  // namespace EncodedFiles
