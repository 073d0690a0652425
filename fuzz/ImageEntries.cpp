#include <QByteArray>
#include <QByteArrayView>
#include <QCoreApplication>
#include <algorithm>
#include <memory>

#include "FuzzEntries.h"
#include "FuzzSupport.h"
#include "platform/imaging/CodecFactory.h"
#include "platform/imaging/DataPlausibility.h"
#include "platform/imaging/DibReader.h"
#include "platform/imaging/ExifOrientation.h"
#include "platform/imaging/ImageFormatSniffer.h"
#include "platform/imaging/JpegStructure.h"
#include "platform/imaging/LibraryMessages.h"
#include "platform/imaging/QtImageComponent.h"
#include "platform/imaging/TiffDirectory.h"

namespace {
// Checks a decoded image for what every decoder promises: a picture within
// the limits, or none at all. Reading rows all down the image makes a short
// buffer show.
void Consume(const std::optional<DecodedImage>& decoded) {
    if (!decoded) return;
    const QImage& image = decoded->bitmap.image;
    if (image.isNull()) return;
    std::uint64_t sum = std::uint64_t(decoded->orientation);
    for (int y = 0; y < image.height(); y += std::max(1, image.height() / 16)) {
        const uchar* row = image.constScanLine(y);
        sum += row[0] + row[image.bytesPerLine() - 1];
    }
    FuzzSink(sum);
}
}  // namespace

void PrepareImageFuzzing(int* argc, char*** argv) {
    // Qt's image plug-ins are found through the application object; no
    // window system is needed. It lives until the process ends: destroyed
    // among the static objects it would outlive what it refers to.
    static QCoreApplication* application = nullptr;
    if (application) return;
    application = new QCoreApplication(*argc, *argv);
    QuietImagingLibraries();
}

void FuzzSniffer(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes = FuzzBytes(data, size);
    FuzzSink(std::uint64_t(SniffContainerFormat(bytes)) + JpegHasEndOfImage(bytes) +
             BmpPixelDataComplete(bytes));
}

void FuzzPreChecks(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes = FuzzBytes(data, size);
    const JpegStructure jpeg = InspectJpeg(bytes);
    const PngStructure png = InspectPng(bytes);
    std::uint64_t sum = std::uint64_t(jpeg.blocks + jpeg.entropyBytes + jpeg.scans) +
                        JpegDataPlausible(jpeg) + std::uint64_t(png.width + png.imageDataBytes);
    sum += ImageDataPlausible(SniffContainerFormat(bytes), bytes);
    if (const auto directory = TiffDirectory::ReadFirst(bytes)) {
        for (const std::uint16_t tag : {TiffTag::kImageWidth, TiffTag::kBitsPerSample,
                                        TiffTag::kStripOffsets, TiffTag::kStripByteCounts}) {
            sum += directory->Number(tag).value_or(0) + directory->Sum(tag).value_or(0);
            if (const auto entry = directory->Find(tag))
                sum += directory->Number(*entry, entry->count ? entry->count - 1 : 0).value_or(0);
        }
        sum += std::uint64_t(directory->Rational(TiffTag::kXResolution).value_or(0.0));
    }
    FuzzSink(sum);
}

void FuzzCodecDecode(const std::uint8_t* data, std::size_t size) {
    if (const CodecFactory* codecs = FuzzCodecs()) Consume(codecs->Decode(FuzzBytes(data, size)));
}

void FuzzQtDecode(const std::uint8_t* data, std::size_t size) {
    Consume(DecodeWithQt(FuzzBytes(data, size)));
}

void FuzzOrientation(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes = FuzzBytes(data, size);
    FuzzSink(std::uint64_t(ReadOrientationTag(bytes)) +
             std::uint64_t(ReadOrientationFromTiff(bytes)));
}

void FuzzDib(const std::uint8_t* data, std::size_t size) {
    // A private copy of exactly the input's size: a read beyond it is a read
    // beyond an allocation.
    const QByteArray block(reinterpret_cast<const char*>(data), qsizetype(size));
    const QImage image = ReadDib(block);
    if (!image.isNull()) FuzzSink(image.pixel(image.width() - 1, image.height() - 1));
}
