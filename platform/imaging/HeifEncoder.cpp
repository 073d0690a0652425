// HEIF with HEVC through libheif and its default encoder settings.

#include <libheif/heif.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "CodecEncoders.h"
#include "RowSource.h"
#include "platform/ByteSink.h"

namespace {
struct ContextDeleter {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct EncoderDeleter {
    void operator()(heif_encoder* e) const { heif_encoder_release(e); }
};
struct ImageDeleter {
    void operator()(heif_image* i) const { heif_image_release(i); }
};

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
}  // namespace

bool EncodeHeifWithLibheif(RowSource& rows, ByteSink& sink) {
    const int width = rows.Width(), height = rows.Height();
    if (width < 1 || height < 1) return false;

    std::unique_ptr<heif_context, ContextDeleter> context(heif_context_alloc());
    if (!context) return false;
    heif_encoder* rawEncoder = nullptr;
    if (heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &rawEncoder)
            .code != heif_error_Ok)
        return false;
    std::unique_ptr<heif_encoder, EncoderDeleter> encoder(rawEncoder);

    heif_image* rawImage = nullptr;
    if (heif_image_create(width, height, heif_colorspace_RGB, heif_chroma_interleaved_RGB,
                          &rawImage)
            .code != heif_error_Ok)
        return false;
    std::unique_ptr<heif_image, ImageDeleter> image(rawImage);
    if (heif_image_add_plane(image.get(), heif_channel_interleaved, width, height, 8).code !=
        heif_error_Ok)
        return false;
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image.get(), heif_channel_interleaved, &stride);
    if (!plane || !FillPlane(rows, plane, stride)) return false;

    heif_image_handle* handle = nullptr;
    if (heif_context_encode_image(context.get(), image.get(), encoder.get(), nullptr, &handle)
            .code != heif_error_Ok)
        return false;
    heif_image_handle_release(handle);

    heif_writer writer{};
    writer.writer_api_version = 1;
    writer.write = WriteToSink;
    return heif_context_write(context.get(), &writer, &sink).code == heif_error_Ok;
}
