// HEIF and HEIC (and AVIF where libheif has an AV1 decoder). libheif applies the
// file's rotation and mirroring (irot, imir) while decoding; the EXIF
// orientation such files also carry describes the same turn and must not be
// applied a second time.

#include <libheif/heif.h>

#include <cstring>
#include <memory>

#include "CodecDecoders.h"
#include "HeifHandles.h"
#include "ImageLimits.h"

std::optional<DecodedImage> DecodeHeifWithLibheif(QByteArrayView bytes) {
    HeifPtr<heif_context> context(heif_context_alloc());
    if (!context) return std::nullopt;
    if (heif_context_read_from_memory_without_copy(context.get(), bytes.data(),
                                                   std::size_t(bytes.size()), nullptr)
            .code != heif_error_Ok)
        return std::nullopt;
    heif_image_handle* rawHandle = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &rawHandle).code != heif_error_Ok)
        return std::nullopt;
    HeifPtr<heif_image_handle> handle(rawHandle);
    if (!ImageSizeAcceptable(heif_image_handle_get_width(handle.get()),
                             heif_image_handle_get_height(handle.get())))
        return std::nullopt;

    heif_image* rawImage = nullptr;
    if (heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
                          heif_chroma_interleaved_RGBA, nullptr)
            .code != heif_error_Ok)
        return std::nullopt;
    HeifPtr<heif_image> decodedImage(rawImage);

    const int width = heif_image_get_width(decodedImage.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(decodedImage.get(), heif_channel_interleaved);
    int stride = 0;
    const uint8_t* source =
        heif_image_get_plane_readonly(decodedImage.get(), heif_channel_interleaved, &stride);
    QImage image = AllocateWorkingImage(width, height);
    if (!source || image.isNull()) return std::nullopt;
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = source + std::ptrdiff_t(y) * stride;
        uchar* out = image.scanLine(y);
        for (int x = 0; x < width; ++x, in += 4, out += 4) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = in[3];
        }
    }
    DecodedImage decoded;
    decoded.bitmap.image = std::move(image);
    return decoded;
}
