#include "CodecFactory.h"

#include <libheif/heif.h>

#include "CodecDecoders.h"
#include "CodecEncoders.h"
#include "ContainerMetadata.h"
#include "DataPlausibility.h"
#include "ExifOrientation.h"
#include "ImageAllocation.h"
#include "ImageFormatSniffer.h"
#include "ImageLimits.h"
#include "LibraryMessages.h"

std::unique_ptr<CodecFactory> CodecFactory::Create() {
    QuietImagingLibraries();
    if (heif_init(nullptr).code != heif_error_Ok) return nullptr;
    return std::unique_ptr<CodecFactory>(new CodecFactory);
}

CodecFactory::~CodecFactory() { heif_deinit(); }

bool CodecFactory::HasHeifEncoder() const {
    const heif_encoder_descriptor* descriptor = nullptr;
    return heif_context_get_encoder_descriptors(nullptr, heif_compression_HEVC, nullptr,
                                                &descriptor, 1) > 0;
}

std::optional<DecodedImage> CodecFactory::Decode(QByteArrayView bytes) const {
    const ContainerFormat container = SniffContainerFormat(bytes);
    if (!ImageDataPlausible(container, bytes)) return std::nullopt;
    std::optional<DecodedImage> decoded;
    switch (container) {
        case ContainerFormat::Jpeg:
            decoded = DecodeJpegWithLibjpeg(bytes);
            break;
        case ContainerFormat::Png:
            decoded = DecodePngWithLibpng(bytes);
            break;
        case ContainerFormat::Heif:
            decoded = DecodeHeifWithLibheif(bytes);
            break;
        case ContainerFormat::Bmp:
            decoded = DecodeBmp(bytes);
            break;
        case ContainerFormat::Gif:
            decoded = DecodeGifWithGiflib(bytes);
            break;
        case ContainerFormat::Tiff:
            decoded = DecodeTiffWithLibtiff(bytes);
            break;
        default:
            break;
    }
    if (!decoded) return std::nullopt;
    if (container == ContainerFormat::Jpeg || container == ContainerFormat::Tiff) {
        decoded->orientation = ReadOrientationTag(bytes);
        decoded->metadata = ReadContainerMetadata(bytes);
    }
    decoded->bitmap.dpiX = decoded->bitmap.dpiY = kNewBitmapDpi;
    return decoded;
}

bool CodecFactory::Encode(const QString& formatName, RowSource& rows, ByteSink& sink,
                          const ImageMetadata& metadata) const {
    using Encoder = bool (*)(RowSource&, ByteSink&, const ImageMetadata&);
    struct Container {
        const char* name;
        Encoder encode;
    };
    // Searched in this order.
    static constexpr Container kContainers[] = {
        {"png", [](RowSource& r, ByteSink& s,
                   const ImageMetadata& m) { return EncodePngWithLibpng(r, s, {}, m); }},
        {"jpeg", [](RowSource& r, ByteSink& s,
                    const ImageMetadata& m) { return EncodeJpegWithLibjpeg(r, s, {}, m); }},
        {"heic", EncodeHeifWithLibheif},
        {"bmp", [](RowSource& r, ByteSink& s, const ImageMetadata&) { return EncodeBmp24(r, s); }},
    };
    for (const Container& container : kContainers)
        if (formatName.compare(QLatin1String(container.name), Qt::CaseInsensitive) == 0)
            return container.encode(rows, sink, metadata);
    return false;
}

QImage AllocateWorkingImage(long long width, long long height) {
    if (!ImageSizeAcceptable(width, height)) return QImage();
    return AllocateLargeImage(int(width), int(height), QImage::Format_ARGB32);
}
