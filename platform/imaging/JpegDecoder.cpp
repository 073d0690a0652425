// JPEG through libjpeg-turbo, straight into the working format: the library
// converts to BGRA itself (JCS_EXT_BGRA), so a decoded scan is written once.

#include <memory>

#include "CodecDecoders.h"
#include "JpegRowDecoder.h"

std::optional<DecodedImage> DecodeJpegWithLibjpeg(QByteArrayView bytes) {
    auto decoder = std::make_unique<JpegRowDecoder>(bytes, JpegPixels::Library);
    if (!decoder->Begin()) return std::nullopt;
    while (!decoder->AllRowsDecoded())
        if (!decoder->DecodeRows(1 << 20)) return std::nullopt;
    if (!decoder->Finish()) return std::nullopt;
    DecodedImage decoded;
    decoded.bitmap.image = std::move(decoder->Image());
    // The JFIF density, in dots per inch or per centimetre; units 0 give only
    // the aspect ratio, which is no resolution.
    if (decoder->DensityUnit() == 1 || decoder->DensityUnit() == 2) {
        const float scale = decoder->DensityUnit() == 1 ? 1.0f : 2.54f;
        decoded.bitmap.dpiX = decoder->DensityX() * scale;
        decoded.bitmap.dpiY = decoder->DensityY() * scale;
    }
    return decoded;
}
