#include "QtImageComponent.h"

#include <QBuffer>
#include <QImageReader>
#include <QLoggingCategory>
#include <cmath>
#include <cstring>
#include <mutex>

#include "ExifOrientation.h"
#include "ImageAllocation.h"
#include "ImageFormatSniffer.h"
#include "ImageLimits.h"

namespace {
// Qt's JPEG reader (Qt 6.4) decodes a file whose data ends early, or whose frame
// header claims more rows than the data holds, into a grey-filled image and
// reports success; libjpeg only warns, and Qt passes the warning on as a log
// message of category "qt.gui.imageio.jpeg". The message is caught on the
// decoding thread and turned into a failure; other messages go on as before.
constexpr char kJpegCategory[] = "qt.gui.imageio.jpeg";
thread_local bool t_jpegDataMissing = false;
QtMessageHandler g_previousHandler = nullptr;
QLoggingCategory::CategoryFilter g_previousFilter = nullptr;

void CatchJpegWarnings(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (context.category && std::strcmp(context.category, kJpegCategory) == 0) {
        // libjpeg's JWRN_HIT_MARKER and JWRN_JPEG_EOF. Harmless warnings such as
        // "extraneous bytes before marker" are not taken as missing data.
        if (text.contains(QLatin1String("premature end of data segment")) ||
            text.contains(QLatin1String("Premature end of JPEG file")))
            t_jpegDataMissing = true;
        return;
    }
    if (g_previousHandler) g_previousHandler(type, context, text);
}

void KeepJpegWarningsOn(QLoggingCategory* category) {
    if (g_previousFilter) g_previousFilter(category);
    if (std::strcmp(category->categoryName(), kJpegCategory) == 0)
        category->setEnabled(QtWarningMsg, true);
}

void PrepareQtImageIo() {
    static std::once_flag once;
    std::call_once(once, [] {
        // Qt refuses images above 256 MB by default, far below a large scan. The
        // program checks the pixel count itself; this only keeps Qt from refusing
        // what the program accepts (its limit is in whole megabytes).
        QImageReader::setAllocationLimit(int(kMaxImagePixels * 4 / (1024 * 1024)) + 1);
        g_previousHandler = qInstallMessageHandler(CatchJpegWarnings);
        g_previousFilter = QLoggingCategory::installFilter(KeepJpegWarningsOn);
    });
}

// Qt keeps resolutions in whole dots per metre, so 300 dpi comes back as
// 299.9994; a value that close to a whole number is taken as that number.
float DotsPerInch(int dotsPerMetre) {
    const double dpi = dotsPerMetre * 0.0254;
    const double whole = std::round(dpi);
    return float(std::abs(dpi - whole) < 0.02 ? whole : dpi);
}
}  // namespace

std::optional<DecodedImage> DecodeWithQt(QByteArrayView bytes) {
    PrepareQtImageIo();
    const ContainerFormat container = SniffContainerFormat(bytes);
    if (container == ContainerFormat::Jpeg && !JpegHasEndOfImage(bytes)) return std::nullopt;
    // Qt's BMP reader pads missing rows instead of failing.
    if (container == ContainerFormat::Bmp && !BmpPixelDataComplete(bytes)) return std::nullopt;

    QByteArray data = QByteArray::fromRawData(bytes.data(), bytes.size());
    QBuffer device(&data);
    device.open(QIODevice::ReadOnly);
    QImageReader reader(&device);
    reader.setAutoTransform(false);
    reader.setDecideFormatFromContent(true);
    if (!reader.canRead()) return std::nullopt;
    const QSize announced = reader.size();
    if (announced.isValid() && !ImageSizeAcceptable(announced.width(), announced.height()))
        return std::nullopt;

    DecodedImage decoded;
    QImage& image = decoded.bitmap.image;
    // Qt's JPEG and PNG readers decode into an image handed to them when its size
    // and format are the ones they would choose, so the pixels land in memory
    // that huge pages can back.
    const QImage::Format format = reader.imageFormat();
    if (announced.isValid() && format != QImage::Format_Invalid)
        image = AllocateLargeImage(announced.width(), announced.height(), format);
    t_jpegDataMissing = false;
    if (!reader.read(&image) || image.isNull() || t_jpegDataMissing) return std::nullopt;
    if (!ImageSizeAcceptable(image.width(), image.height())) return std::nullopt;
    image = image.format() == QImage::Format_RGB32 ? ViewRgb32AsArgb32(image)
                                                    : image.convertToFormat(QImage::Format_ARGB32);
    if (image.isNull()) return std::nullopt;
    decoded.bitmap.dpiX = DotsPerInch(image.dotsPerMeterX());
    decoded.bitmap.dpiY = DotsPerInch(image.dotsPerMeterY());
    if (container == ContainerFormat::Jpeg || container == ContainerFormat::Tiff)
        decoded.orientation = ReadOrientationTag(bytes);
    return decoded;
}
