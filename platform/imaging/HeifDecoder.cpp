// HEIF and HEIC (and AVIF where libheif has an AV1 decoder). libheif applies the
// file's rotation and mirroring (irot, imir) while decoding; the EXIF
// orientation such files also carry describes the same turn and must not be
// applied a second time.

#include <libheif/heif.h>

#include <cstring>
#include <memory>

#include "CodecDecoders.h"
#include "ContainerMetadata.h"
#include "HeifColour.h"
#include "HeifHandles.h"
#include "ImageLimits.h"

namespace {
// The Exif item holds a 4-byte offset to the TIFF header, then the block.
QByteArray ReadExif(const heif_image_handle* handle) {
    heif_item_id id = 0;
    if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) < 1) return {};
    const std::size_t size = heif_image_handle_get_metadata_size(handle, id);
    if (size < 4 || size > kMaxMetadataBytes) return {};
    QByteArray item(qsizetype(size), Qt::Uninitialized);
    if (heif_image_handle_get_metadata(handle, id, item.data()).code != heif_error_Ok) return {};
    const auto* p = reinterpret_cast<const unsigned char*>(item.constData());
    const quint32 offset = quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
    if (offset > size - 4) return {};
    const QByteArray exif = item.sliced(4 + qsizetype(offset));
    return LooksLikeExifTiff(exif) ? exif : QByteArray();
}

ImageMetadata ReadMetadata(const heif_image_handle* handle) {
    ImageMetadata metadata;
    const std::size_t iccSize = heif_image_handle_get_raw_color_profile_size(handle);
    if (iccSize > 0 && iccSize <= kMaxMetadataBytes) {
        QByteArray icc(qsizetype(iccSize), Qt::Uninitialized);
        if (heif_image_handle_get_raw_color_profile(handle, icc.data()).code == heif_error_Ok &&
            IsRgbIccProfile(icc))
            metadata.icc = icc;
    }
    heif_color_profile_nclx* nclx = nullptr;
    if (metadata.icc.isEmpty() &&
        heif_image_handle_get_nclx_color_profile(handle, &nclx).code == heif_error_Ok && nclx) {
        metadata.nclx = KeptNclxColour(*nclx);
        metadata.icc = IccProfileForNclx(*nclx);
        heif_nclx_color_profile_free(nclx);
    }
    metadata.exif = ReadExif(handle);
    return metadata;
}
}  // namespace

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
    decoded.metadata = ReadMetadata(handle.get());
    return decoded;
}
