// PNG through libpng's simplified interface, which expands palettes, grey,
// 16-bit samples and tRNS transparency into 8-bit BGRA in the caller's buffer.

#include <png.h>

#include "CodecDecoders.h"

std::optional<DecodedImage> DecodePngWithLibpng(QByteArrayView bytes) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes.data(), std::size_t(bytes.size())))
        return std::nullopt;
    png.format = PNG_FORMAT_BGRA;
    QImage image = AllocateWorkingImage(png.width, png.height);
    if (image.isNull()) {
        png_image_free(&png);
        return std::nullopt;
    }
    if (!png_image_finish_read(&png, nullptr, image.bits(), png_int_32(image.bytesPerLine()),
                               nullptr)) {
        png_image_free(&png);
        return std::nullopt;
    }
    DecodedImage decoded;
    decoded.bitmap.image = std::move(image);
    return decoded;
}
