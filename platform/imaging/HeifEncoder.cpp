// HEIF with HEVC through libheif and its default encoder settings.

#include <libheif/heif.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "CodecEncoders.h"
#include "HeifHandles.h"
#include "RowSource.h"
#include "platform/ByteSink.h"

namespace {
heif_error WriteToSink(heif_context*, const void* data, size_t size, void* userdata) {
    if (static_cast<ByteSink*>(userdata)->Write(data, size))
        return {heif_error_Ok, heif_suberror_Unspecified, "Success"};
    return {heif_error_Encoding_error, heif_suberror_Cannot_write_output_data, "write failed"};
}

// Fills libheif's interleaved RGB plane from the B, G, R(, A) rows. Only PNG
// output keeps transparency, so alpha is left out here as in JPEG and BMP.
bool FillPlane(RowSource& rows, uint8_t* plane, int planeStride) {
    const int in = rows.Layout() == RowLayout::Bgra32 ? 4 : 3;
    const qsizetype rowBytes = qsizetype(rows.Width()) * in;
    const int bandRows = RowsPerBand(rowBytes);
    std::vector<uchar> band(std::size_t(rowBytes) * std::size_t(bandRows));
    for (int y = 0; y < rows.Height(); y += bandRows) {
        const int count = std::min(bandRows, rows.Height() - y);
        if (!rows.ReadRows(y, count, band.data(), rowBytes)) return false;
        for (int i = 0; i < count; ++i) {
            const uchar* source = band.data() + i * rowBytes;
            uint8_t* target = plane + std::ptrdiff_t(y + i) * planeStride;
            for (int x = 0; x < rows.Width(); ++x, source += in, target += 3) {
                target[0] = source[2];
                target[1] = source[1];
                target[2] = source[0];
            }
        }
    }
    return true;
}

// The nclx colour keeps libheif's own matrix and range, so that the pixels are
// stored exactly as without a colour.
bool SetColour(heif_image* image, const ImageMetadata& metadata) {
    if (metadata.nclx.primaries != 0) {
        heif_color_profile_nclx* nclx = heif_nclx_color_profile_alloc();
        if (!nclx) return false;
        nclx->color_primaries = heif_color_primaries(metadata.nclx.primaries);
        nclx->transfer_characteristics = heif_transfer_characteristics(metadata.nclx.transfer);
        const bool set = heif_image_set_nclx_color_profile(image, nclx).code == heif_error_Ok;
        heif_nclx_color_profile_free(nclx);
        return set;
    }
    if (metadata.icc.isEmpty()) return true;
    return heif_image_set_raw_color_profile(image, "prof", metadata.icc.constData(),
                                            std::size_t(metadata.icc.size()))
               .code == heif_error_Ok;
}
}  // namespace

bool EncodeHeifWithLibheif(RowSource& rows, ByteSink& sink, const ImageMetadata& metadata) {
    const int width = rows.Width(), height = rows.Height();
    if (width < 1 || height < 1) return false;

    HeifPtr<heif_context> context(heif_context_alloc());
    if (!context) return false;
    heif_encoder* rawEncoder = nullptr;
    if (heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &rawEncoder)
            .code != heif_error_Ok)
        return false;
    HeifPtr<heif_encoder> encoder(rawEncoder);

    heif_image* rawImage = nullptr;
    if (heif_image_create(width, height, heif_colorspace_RGB, heif_chroma_interleaved_RGB,
                          &rawImage)
            .code != heif_error_Ok)
        return false;
    HeifPtr<heif_image> image(rawImage);
    if (heif_image_add_plane(image.get(), heif_channel_interleaved, width, height, 8).code !=
        heif_error_Ok)
        return false;
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image.get(), heif_channel_interleaved, &stride);
    if (!plane || !FillPlane(rows, plane, stride)) return false;
    if (!SetColour(image.get(), metadata)) return false;

    // libheif leaves the nclx box out by default (for macOS's sake); a colour
    // that is one has to be asked for.
    std::unique_ptr<heif_encoding_options, void (*)(heif_encoding_options*)> options(
        metadata.nclx.primaries != 0 ? heif_encoding_options_alloc() : nullptr,
        heif_encoding_options_free);
    if (options) options->macOS_compatibility_workaround_no_nclx_profile = 0;
    heif_image_handle* handle = nullptr;
    if (heif_context_encode_image(context.get(), image.get(), encoder.get(), options.get(), &handle)
            .code != heif_error_Ok)
        return false;
    const bool exifAdded =
        metadata.exif.isEmpty() ||
        heif_context_add_exif_metadata(context.get(), handle, metadata.exif.constData(),
                                       int(metadata.exif.size()))
                .code == heif_error_Ok;
    heif_image_handle_release(handle);
    if (!exifAdded) return false;

    heif_writer writer{};
    writer.writer_api_version = 1;
    writer.write = WriteToSink;
    return heif_context_write(context.get(), &writer, &sink).code == heif_error_Ok;
}
