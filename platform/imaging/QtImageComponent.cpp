#include "QtImageComponent.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImageReader>
#include <mutex>

#include "CodecDecoders.h"
#include "ContainerMetadata.h"
#include "DataPlausibility.h"
#include "ExifOrientation.h"
#include "ImageAllocation.h"
#include "ImageFormatSniffer.h"
#include "ImageLimits.h"
#include "JpegStructure.h"
#include "LibraryMessages.h"
#include "Resolution.h"
#include "StoredResolution.h"
#include "TiffDirectory.h"

namespace {
void PrepareQtImageIo() {
    static std::once_flag once;
    std::call_once(once, [] {
        QuietImagingLibraries();
        // Qt refuses images above 256 MB by default, far below a large scan. The
        // program checks the pixel count itself; this only keeps Qt from refusing
        // what the program accepts (its limit is in whole megabytes).
        QImageReader::setAllocationLimit(int(kMaxImagePixels * 4 / (1024 * 1024)) + 1);
    });
}

// Files that Qt 6.4's readers get wrong are decoded by the program's own
// readers instead, keeping the file's resolution as Qt would:
// - a JPEG without its end marker: Qt cannot tell a cut-off file (which it
//   fills with grey) from one whose rows are all there; libjpeg can;
// - every PNG: Qt returns a 16-bit truecolour PNG with a colour key (tRNS)
//   with mangled samples, and its libpng prints errors on standard error; the
//   program's libpng reader gives the same pixels as Qt for every other PNG;
// - BMPs with bit fields (16-bit ones included), whose channels Qt shifts
//   instead of scaling (a 5-bit 31 reads 248), and run-length BMPs, whose
//   missing rows Qt pads instead of failing;
// - CMYK TIFF, which Qt reads only at 8 bits and truncates, and tiled TIFF,
//   which Qt hands to libtiff without a mapping, so that libtiff 4.5 refuses
//   the layouts it reads through its RGBA interface.
enum class Reader { Qt, Libjpeg, Libpng, OwnBmp, Libtiff };

bool BmpNeedsOwnReader(QByteArrayView bytes) {
    const auto* d = reinterpret_cast<const unsigned char*>(bytes.data());
    if (bytes.size() < 34) return false;
    const quint32 headerSize = d[14] | d[15] << 8 | d[16] << 16 | quint32(d[17]) << 24;
    if (headerSize < 40) return false;
    const int bitCount = d[28] | d[29] << 8;
    const quint32 compression = d[30] | d[31] << 8 | d[32] << 16 | quint32(d[33]) << 24;
    return bitCount == 16 || compression == 1 || compression == 2 || compression == 3 ||
           compression == 6;
}

// Which reader decodes a file other than JPEG (which the caller decides from
// its markers, walking the whole file only once).
Reader ChooseReader(ContainerFormat container, QByteArrayView bytes) {
    switch (container) {
        case ContainerFormat::Png:
            return Reader::Libpng;
        case ContainerFormat::Bmp:
            return BmpNeedsOwnReader(bytes) ? Reader::OwnBmp : Reader::Qt;
        case ContainerFormat::Tiff: {
            const auto ifd = TiffDirectory::ReadFirst(bytes);
            const bool cmyk = ifd && ifd->Number(TiffTag::kPhotometric) == 5u;
            const bool tiled = ifd && ifd->Find(TiffTag::kTileByteCounts);
            return cmyk || tiled ? Reader::Libtiff : Reader::Qt;
        }
        default:
            return Reader::Qt;
    }
}

std::optional<DecodedImage> DecodeWithOwnReader(Reader reader, QByteArrayView bytes) {
    switch (reader) {
        case Reader::Libjpeg:
            return DecodeJpegWithLibjpeg(bytes);
        case Reader::Libpng:
            return DecodePngWithLibpng(bytes);
        case Reader::OwnBmp:
            return DecodeBmp(bytes);
        case Reader::Libtiff:
            return DecodeTiffWithLibtiff(bytes);
        case Reader::Qt:
            break;
    }
    return std::nullopt;
}

std::optional<DecodedImage> DecodeWithQtReader(ContainerFormat container, QByteArrayView bytes) {
    const ImagingMessageScope quiet;
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
    const int warningsBefore = QtJpegDataMissingWarnings();
    if (!reader.read(&image) || image.isNull()) return std::nullopt;
    if (QtJpegDataMissingWarnings() != warningsBefore) return std::nullopt;
    if (!ImageSizeAcceptable(image.width(), image.height())) return std::nullopt;
    // Formats the program does not read itself keep the profile Qt found.
    const QByteArray icc = image.colorSpace().iccProfile();
    if (IsRgbIccProfile(icc)) decoded.metadata.icc = icc;

    SetResolutionAsQtRead(decoded.bitmap, image.dotsPerMeterX(), image.dotsPerMeterY(), container,
                          bytes);
    // An index beyond a short colour table shows opaque black, as GDI and the
    // second component draw it; Qt would make it transparent.
    if (image.format() == QImage::Format_Indexed8 && image.colorCount() < 256) {
        QList<QRgb> table = image.colorTable();
        table.resize(256, qRgb(0, 0, 0));
        image.setColorTable(table);
    }
    image = image.format() == QImage::Format_RGB32 ? ViewRgb32AsArgb32(image)
                                                   : image.convertToFormat(QImage::Format_ARGB32);
    if (image.isNull()) return std::nullopt;
    return decoded;
}
}  // namespace

void SetResolutionAsQtRead(Bitmap& bitmap, int dotsPerMetreX, int dotsPerMetreY,
                           ContainerFormat container, QByteArrayView bytes) {
    // A file that stores no resolution gets Qt's default, which is not the
    // program's; an image that shows exactly that default is taken from the
    // file only when the file has a resolution of its own.
    const QImage fresh(1, 1, QImage::Format_ARGB32);
    const bool qtDefault =
        dotsPerMetreX == fresh.dotsPerMeterX() && dotsPerMetreY == fresh.dotsPerMeterY();
    if (qtDefault && !FileStoresResolution(container, bytes)) {
        bitmap.dpiX = bitmap.dpiY = kNewBitmapDpi;
    } else {
        bitmap.dpiX = DotsPerInchFromDotsPerMetre(dotsPerMetreX);
        bitmap.dpiY = DotsPerInchFromDotsPerMetre(dotsPerMetreY);
    }
}

std::optional<DecodedImage> DecodeWithQt(QByteArrayView bytes) {
    PrepareQtImageIo();
    const ContainerFormat container = SniffContainerFormat(bytes);
    Reader reader = Reader::Qt;
    if (container == ContainerFormat::Jpeg) {
        const JpegStructure jpeg = InspectJpeg(bytes);
        if (!JpegDataPlausible(jpeg)) return std::nullopt;
        reader = jpeg.endOfImage ? Reader::Qt : Reader::Libjpeg;
    } else {
        if (!ImageDataPlausible(container, bytes)) return std::nullopt;
        reader = ChooseReader(container, bytes);
    }
    std::optional<DecodedImage> decoded = reader == Reader::Qt
                                              ? DecodeWithQtReader(container, bytes)
                                              : DecodeWithOwnReader(reader, bytes);
    if (!decoded) return std::nullopt;
    if (reader != Reader::Qt) {
        if (decoded->bitmap.dpiX <= 0 || decoded->bitmap.dpiY <= 0)
            decoded->bitmap.dpiX = decoded->bitmap.dpiY = kNewBitmapDpi;
    }
    if (container == ContainerFormat::Jpeg || container == ContainerFormat::Tiff) {
        decoded->orientation = ReadOrientationTag(bytes);
        decoded->metadata = ReadContainerMetadata(bytes);
    }
    return decoded;
}
