#include "QtImageEncoder.h"

#include <QIODevice>
#include <QImageWriter>
#include <cmath>
#include <optional>

#include "MetadataSegments.h"
#include "MetadataSplicingSink.h"
#include "platform/ByteSink.h"

namespace {
// Hands Qt's writers a device that forwards to the sink, so a file is written
// as it is encoded and a failing sink stops the writer.
class SinkDevice : public QIODevice {
public:
    explicit SinkDevice(ByteSink& sink) : m_sink(sink) {}
    bool isSequential() const override { return true; }
    bool Failed() const { return m_failed; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        if (m_failed || !m_sink.Write(data, std::size_t(size))) {
            m_failed = true;
            return -1;
        }
        return size;
    }

private:
    ByteSink& m_sink;
    bool m_failed = false;
};

int DotsPerMetre(float dpi) { return int(std::lround(double(dpi) / 0.0254)); }
}  // namespace

int FindEncoderClsid(const QByteArray& mimeType, QByteArray* format) {
    const QList<QByteArray> mimeTypes = QImageWriter::supportedMimeTypes();
    const int index = int(mimeTypes.indexOf(mimeType));
    if (index < 0) return -1;
    const QList<QByteArray> formats = QImageWriter::imageFormatsForMimeType(mimeType);
    if (formats.isEmpty()) return -1;
    if (format) *format = formats.first();
    return index;
}

bool EncodeWithQt(const Bitmap& bitmap, const QByteArray& format, ByteSink& sink,
                  const ImageMetadata& metadata) {
    if (bitmap.IsNull()) return false;
    // Setting the resolution on a shared image would copy all of its pixels; a
    // read-only view of the same buffer takes it without copying.
    const QImage& pixels = bitmap.image;
    QImage image(pixels.constBits(), pixels.width(), pixels.height(), pixels.bytesPerLine(),
                 pixels.format());
    const bool stamped = bitmap.dpiX > 0.0f && bitmap.dpiY > 0.0f;
    image.setDotsPerMeterX(DotsPerMetre(stamped ? bitmap.dpiX : kNewBitmapDpi));
    image.setDotsPerMeterY(DotsPerMetre(stamped ? bitmap.dpiY : kNewBitmapDpi));

    const bool png = format.compare("png", Qt::CaseInsensitive) == 0;
    const bool jpeg = format.compare("jpeg", Qt::CaseInsensitive) == 0 ||
                      format.compare("jpg", Qt::CaseInsensitive) == 0;
    const QByteArray inserted = png    ? PngMetadataBytes(metadata)
                                : jpeg ? JpegMetadataBytes(metadata)
                                       : QByteArray();
    std::optional<MetadataSplicingSink> splicer;
    if (!inserted.isEmpty())
        splicer.emplace(
            sink,
            png ? MetadataSplicingSink::Container::Png : MetadataSplicingSink::Container::Jpeg,
            inserted);
    SinkDevice device(splicer ? static_cast<ByteSink&>(*splicer) : sink);
    device.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    QImageWriter writer(&device, format);
    if (!writer.write(image) || device.Failed()) return false;
    return !splicer || splicer->Finish();
}
