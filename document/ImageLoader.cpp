#include "ImageLoader.h"

#include <QTransform>
#include <utility>

#include "platform/imaging/CodecFactory.h"
#include "platform/imaging/ImageStream.h"
#include "platform/imaging/ProgressiveJpegDecoder.h"
#include "platform/imaging/QtImageComponent.h"

namespace {
QImage Turned(const QImage& image, int degrees) {
    // Qt turns by multiples of 90 degrees with its fast exact path.
    return image.transformed(QTransform().rotate(degrees));
}

// knownOpaque: the decoder gives no transparent pixel, so the holder need not
// look at every one.
HolderPtr HolderFrom(DecodedImage decoded, bool knownOpaque = false) {
    Bitmap& bitmap = decoded.bitmap;
    if (bitmap.Width() != 0 && bitmap.Height() != 0) {
        ApplyExifOrientation(bitmap.image, decoded.orientation);
        // A quarter turn exchanges the axes, and with them the resolutions: a
        // 300 x 200 dpi photo turned upright is 200 x 300 dpi.
        if (decoded.orientation >= 5 && decoded.orientation <= 8)
            std::swap(bitmap.dpiX, bitmap.dpiY);
    }
    return MakeHolder(bitmap, decoded.metadata, knownOpaque);
}
}  // namespace

void ApplyExifOrientation(QImage& image, int value) {
    if (image.width() == 0 || image.height() == 0) return;
    switch (value) {
        case 2:
            image.mirror(true, false);
            break;
        case 3:
            image.mirror(true, true);
            break;
        case 4:
            image.mirror(false, true);
            break;
        case 5:
            image = Turned(image, 90).mirrored(true, false);
            break;
        case 6:
            image = Turned(image, 90);
            break;
        case 7:
            image = Turned(image, 270).mirrored(true, false);
            break;
        case 8:
            image = Turned(image, 270);
            break;
        default:
            break;
    }
}

HolderPtr LoadImageFromStream(const ImageStream& stream, const ImagingServices& imaging) {
    if (imaging.UseWIC != 2) {
        // JPEG data that Qt's reader would decode goes through the program's
        // own libjpeg loop set up exactly as Qt's reader: it fills the working
        // format directly (no copy, no scan for transparency) and refuses
        // damaged data that Qt may let through padded with grey. Damaged data
        // is no image for the first component; the second may still try it.
        auto jpeg = ProgressiveJpegDecoder::DecodeWhole(stream.SharedBytes(),
                                                        ProgressiveJpegDecoder::Component::First);
        if (jpeg.decoded) return HolderFrom(std::move(*jpeg.decoded), true);
        if (!jpeg.taken)
            if (auto decoded = DecodeWithQt(stream.Bytes())) return HolderFrom(std::move(*decoded));
    }
    if (imaging.UseWIC != 0 && imaging.WicFactory) {
        if (auto decoded = imaging.WicFactory->Decode(stream.Bytes()))
            return HolderFrom(std::move(*decoded));
    }
    return nullptr;
}

namespace {
// The component that would decode the stream first, when it is one that can
// hand over rows as they are decoded.
HolderPtr StartDecodingWhileUsed(const ImageStream& stream, const ImagingServices& imaging) {
    using Component = ProgressiveJpegDecoder::Component;
    if (imaging.UseWIC == 2 && !imaging.WicFactory) return nullptr;
    const auto decode = ProgressiveJpegDecoder::Start(
        stream.SharedBytes(), imaging.UseWIC == 2 ? Component::Second : Component::First);
    if (!decode) return nullptr;
    const DecodedImage& decoded = decode->Decoded();
    auto holder = std::make_shared<CBitmapHolder>();
    if (!holder->FillWhileArriving(decoded.bitmap, decoded.metadata, decode)) return nullptr;
    return holder;
}
}  // namespace

HolderPtr LoadImageFromFile(const QString& path, const ImagingServices& imaging,
                            SourceDecoding decoding) {
    const auto stream = ImageStream::OpenFile(path);
    if (!stream) return nullptr;
    if (decoding == SourceDecoding::WhileUsed)
        if (HolderPtr holder = StartDecodingWhileUsed(*stream, imaging)) return holder;
    return LoadImageFromStream(*stream, imaging);
}
