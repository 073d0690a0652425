// PNG through libpng's row interface (the simplified one wants the whole image
// at once). png_set_bgr lets libpng take the rows in their own byte order.

#include <png.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "CodecEncoders.h"
#include "MetadataSegments.h"
#include "RowSource.h"
#include "platform/ByteSink.h"

namespace {
// libpng reports errors by longjmp; what the encoding allocates lives here.
struct PngWriteSession {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ByteSink* sink = nullptr;
    std::vector<uchar> band;
    std::vector<png_bytep> pointers;

    ~PngWriteSession() { png_destroy_write_struct(&png, &info); }
};

// Quiet: failures are reported as a false result, never printed.
void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnWarning(png_structp, png_const_charp) {}

void WriteToSink(png_structp png, png_bytep data, png_size_t size) {
    auto* s = static_cast<PngWriteSession*>(png_get_io_ptr(png));
    if (!s->sink->Write(data, size)) png_error(png, "write failed");
}
void Flush(png_structp) {}

bool Encode(PngWriteSession* s, RowSource& rows, const EncoderSettings& settings,
            const ImageMetadata& metadata) {
    const bool bgra = rows.Layout() == RowLayout::Bgra32;
    png_set_write_fn(s->png, s, WriteToSink, Flush);
    png_set_IHDR(s->png, s->info, png_uint_32(rows.Width()), png_uint_32(rows.Height()), 8,
                 bgra ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (settings.dotsPerMetreX > 0 || settings.dotsPerMetreY > 0)
        png_set_pHYs(s->png, s->info, png_uint_32(std::max(0, settings.dotsPerMetreX)),
                     png_uint_32(std::max(0, settings.dotsPerMetreY)), PNG_RESOLUTION_METER);
    if (!metadata.IsEmpty()) {
        // Right after IHDR, where the first component's files have them too
        // (pHYs follows with the rest of the header).
        png_write_info_before_PLTE(s->png, s->info);
        for (const auto& [type, data] : PngMetadataChunks(metadata))
            png_write_chunk(s->png, reinterpret_cast<png_const_bytep>(type.constData()),
                            reinterpret_cast<png_const_bytep>(data.constData()),
                            png_size_t(data.size()));
    }
    png_write_info(s->png, s->info);
    png_set_bgr(s->png);

    const qsizetype rowBytes = qsizetype(rows.Width()) * (bgra ? 4 : 3);
    const int bandRows = RowsPerBand(rowBytes);
    s->band.resize(std::size_t(rowBytes) * std::size_t(bandRows));
    s->pointers.resize(std::size_t(bandRows));
    for (int y = 0; y < rows.Height(); y += bandRows) {
        const int count = std::min(bandRows, rows.Height() - y);
        if (!rows.ReadRows(y, count, s->band.data(), rowBytes)) return false;
        for (int i = 0; i < count; ++i) s->pointers[std::size_t(i)] = s->band.data() + i * rowBytes;
        png_write_rows(s->png, s->pointers.data(), png_uint_32(count));
    }
    png_write_end(s->png, s->info);
    return true;
}
}  // namespace

bool EncodePngWithLibpng(RowSource& rows, ByteSink& sink, const EncoderSettings& settings,
                         const ImageMetadata& metadata) {
    if (rows.Width() < 1 || rows.Height() < 1) return false;
    auto session = std::make_unique<PngWriteSession>();
    PngWriteSession* const s = session.get();
    s->sink = &sink;
    s->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (!s->png) return false;
    s->info = png_create_info_struct(s->png);
    if (!s->info) return false;
    if (setjmp(png_jmpbuf(s->png))) return false;
    return Encode(s, rows, settings, metadata);
}
