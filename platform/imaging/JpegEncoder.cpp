// JPEG through libjpeg-turbo, which reads the rows in their own byte order
// (JCS_EXT_BGR, JCS_EXT_BGRA) so no conversion pass is needed.

#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
// jpeglib.h needs size_t and FILE declared before it.
#include <jerror.h>
#include <jpeglib.h>

#include <memory>
#include <vector>

#include "CodecEncoders.h"
#include "MetadataSegments.h"
#include "RowSource.h"
#include "platform/ByteSink.h"

namespace {
constexpr std::size_t kOutputBufferBytes = 64 * 1024;

// libjpeg reports errors by longjmp; everything the encoding changes lives in
// this heap object, so nothing is left in an indeterminate local.
struct JpegWriteSession {
    jpeg_compress_struct info{};
    jpeg_error_mgr errorManager{};
    jpeg_destination_mgr destination{};
    std::jmp_buf jump;
    ByteSink* sink = nullptr;
    std::vector<JOCTET> output;
    std::vector<uchar> band;
    std::vector<JSAMPROW> pointers;

    ~JpegWriteSession() { jpeg_destroy_compress(&info); }
};

JpegWriteSession* SessionOf(j_common_ptr info) {
    return static_cast<JpegWriteSession*>(info->client_data);
}

[[noreturn]] void OnError(j_common_ptr info) { std::longjmp(SessionOf(info)->jump, 1); }
void OnMessage(j_common_ptr, int) {}

void InitDestination(j_compress_ptr info) {
    JpegWriteSession* s = SessionOf(reinterpret_cast<j_common_ptr>(info));
    s->destination.next_output_byte = s->output.data();
    s->destination.free_in_buffer = s->output.size();
}

boolean EmptyOutputBuffer(j_compress_ptr info) {
    // libjpeg asks for the whole buffer to be written, whatever free_in_buffer says.
    JpegWriteSession* s = SessionOf(reinterpret_cast<j_common_ptr>(info));
    if (!s->sink->Write(s->output.data(), s->output.size())) ERREXIT(info, JERR_FILE_WRITE);
    InitDestination(info);
    return TRUE;
}

void TermDestination(j_compress_ptr info) {
    JpegWriteSession* s = SessionOf(reinterpret_cast<j_common_ptr>(info));
    const std::size_t used = s->output.size() - s->destination.free_in_buffer;
    if (used > 0 && !s->sink->Write(s->output.data(), used)) ERREXIT(info, JERR_FILE_WRITE);
}

bool Encode(JpegWriteSession* s, RowSource& rows, const EncoderSettings& settings,
            const ImageMetadata& metadata) {
    jpeg_compress_struct* info = &s->info;
    const bool bgra = rows.Layout() == RowLayout::Bgra32;
    info->image_width = JDIMENSION(rows.Width());
    info->image_height = JDIMENSION(rows.Height());
    info->input_components = bgra ? 4 : 3;
    info->in_color_space = bgra ? JCS_EXT_BGRA : JCS_EXT_BGR;
    // Quality 75 and the library's other defaults.
    jpeg_set_defaults(info);
    info->density_unit = UINT8(settings.jpegDensityUnit);
    info->X_density = UINT16(settings.jpegDensityX);
    info->Y_density = UINT16(settings.jpegDensityY);
    jpeg_start_compress(info, TRUE);
    // After the JFIF header that jpeg_start_compress wrote.
    for (const auto& [marker, payload] : JpegMetadataSegments(metadata))
        jpeg_write_marker(info, marker, reinterpret_cast<const JOCTET*>(payload.constData()),
                          unsigned(payload.size()));

    const qsizetype rowBytes = qsizetype(rows.Width()) * info->input_components;
    const int bandRows = RowsPerBand(rowBytes);
    s->band.resize(std::size_t(rowBytes) * std::size_t(bandRows));
    s->pointers.resize(std::size_t(bandRows));
    for (int y = 0; y < rows.Height(); y += bandRows) {
        const int count = std::min(bandRows, rows.Height() - y);
        if (!rows.ReadRows(y, count, s->band.data(), rowBytes)) return false;
        for (int i = 0; i < count; ++i) s->pointers[std::size_t(i)] = s->band.data() + i * rowBytes;
        // The destination never suspends, so every row is taken at once.
        if (jpeg_write_scanlines(info, s->pointers.data(), JDIMENSION(count)) != JDIMENSION(count))
            return false;
    }
    jpeg_finish_compress(info);
    return true;
}
}  // namespace

bool EncodeJpegWithLibjpeg(RowSource& rows, ByteSink& sink, const EncoderSettings& settings,
                           const ImageMetadata& metadata) {
    if (rows.Width() < 1 || rows.Height() < 1) return false;
    auto session = std::make_unique<JpegWriteSession>();
    JpegWriteSession* const s = session.get();
    s->sink = &sink;
    s->output.resize(kOutputBufferBytes);
    s->info.err = jpeg_std_error(&s->errorManager);
    s->errorManager.error_exit = OnError;
    s->errorManager.emit_message = OnMessage;
    s->info.client_data = s;
    jpeg_create_compress(&s->info);
    s->destination.init_destination = InitDestination;
    s->destination.empty_output_buffer = EmptyOutputBuffer;
    s->destination.term_destination = TermDestination;
    s->info.dest = &s->destination;
    if (setjmp(s->jump)) return false;
    return Encode(s, rows, settings, metadata);
}
