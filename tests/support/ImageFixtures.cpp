#include "ImageFixtures.h"

#include <libheif/heif.h>

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QtEndian>

namespace Fixtures {

QImage Quadrants(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    QPainter painter(&image);
    const int hw = width / 2, hh = height / 2;
    painter.fillRect(0, 0, hw, hh, QColor(255, 0, 0));
    painter.fillRect(hw, 0, width - hw, hh, QColor(0, 255, 0));
    painter.fillRect(0, hh, hw, height - hh, QColor(0, 0, 255));
    painter.fillRect(hw, hh, width - hw, height - hh, QColor(255, 255, 255));
    return image;
}

QuadrantColors SampleQuadrants(const QImage& image) {
    const int w = image.width(), h = image.height();
    return {image.pixelColor(w / 4, h / 4), image.pixelColor(3 * w / 4, h / 4),
            image.pixelColor(w / 4, 3 * h / 4), image.pixelColor(3 * w / 4, 3 * h / 4)};
}

bool ColorNear(const QColor& a, const QColor& b, int tolerance) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance &&
           std::abs(a.alpha() - b.alpha()) <= tolerance;
}

QByteArray EncodeWithQt(const QImage& image, const char* format, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality >= 0) writer.setQuality(quality);
    writer.write(image);
    return bytes;
}

namespace {
QByteArray ExifWithOrientation(int orientation, bool bigEndian) {
    QByteArray tiff(26, '\0');
    auto* p = reinterpret_cast<uchar*>(tiff.data());
    auto put16 = [&](int at, quint16 v) {
        bigEndian ? qToBigEndian(v, p + at) : qToLittleEndian(v, p + at);
    };
    auto put32 = [&](int at, quint32 v) {
        bigEndian ? qToBigEndian(v, p + at) : qToLittleEndian(v, p + at);
    };
    p[0] = p[1] = bigEndian ? 'M' : 'I';
    put16(2, 42);
    put32(4, 8);       // first IFD
    put16(8, 1);       // one entry
    put16(10, 0x0112); // orientation
    put16(12, 3);      // SHORT
    put32(14, 1);      // count
    put16(18, quint16(orientation));
    put32(22, 0);      // no next IFD
    return QByteArray("Exif\0\0", 6) + tiff;
}
}  // namespace

QByteArray JpegWithOrientation(const QImage& image, int orientation, bool bigEndian) {
    const QByteArray jpeg = EncodeWithQt(image, "jpeg", 100);
    const QByteArray exif = ExifWithOrientation(orientation, bigEndian);
    QByteArray segment("\xFF\xE1", 2);
    segment.append(char((exif.size() + 2) >> 8));
    segment.append(char((exif.size() + 2) & 0xFF));
    segment.append(exif);
    return jpeg.left(2) + segment + jpeg.mid(2);
}

namespace {
heif_error WriteToByteArray(heif_context*, const void* data, size_t size, void* userdata) {
    static_cast<QByteArray*>(userdata)->append(static_cast<const char*>(data), qsizetype(size));
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
}
}  // namespace

QByteArray EncodeHeic(const QImage& source, int orientation) {
    const QImage rgb = source.convertToFormat(QImage::Format_RGB888);
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder);
    heif_encoder_set_lossy_quality(encoder, 95);
    heif_image* image = nullptr;
    heif_image_create(rgb.width(), rgb.height(), heif_colorspace_RGB,
                      heif_chroma_interleaved_RGB, &image);
    heif_image_add_plane(image, heif_channel_interleaved, rgb.width(), rgb.height(), 8);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < rgb.height(); ++y)
        memcpy(plane + y * stride, rgb.constScanLine(y), size_t(rgb.width()) * 3);
    heif_encoding_options* options = heif_encoding_options_alloc();
    if (orientation > 0) options->image_orientation = heif_orientation(orientation);
    heif_image_handle* handle = nullptr;
    heif_context_encode_image(context, image, encoder, options, &handle);
    if (orientation > 0) {
        // libheif puts the offset to the TIFF header in front itself.
        const QByteArray exif = ExifWithOrientation(orientation, false).mid(6);
        heif_context_add_exif_metadata(context, handle, exif.constData(), int(exif.size()));
    }
    QByteArray bytes;
    heif_writer writer{1, &WriteToByteArray};
    heif_context_write(context, &writer, &bytes);
    heif_image_handle_release(handle);
    heif_encoding_options_free(options);
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(context);
    return bytes;
}

QString WriteFile(const QString& folder, const QString& name, const QByteArray& bytes) {
    const QString path = folder + QLatin1Char('/') + name;
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
    return path;
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString FixturePath(const QString& name) {
    return QStringLiteral(OBLIMO_FIXTURE_DIR "/") + name;
}

}  // namespace Fixtures
