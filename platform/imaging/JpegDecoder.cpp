// JPEG through libjpeg-turbo, straight into the working format: the library
// converts to BGRA itself (JCS_EXT_BGRA), so a decoded scan is written once.

#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
// jpeglib.h needs size_t and FILE declared before it.
#include <jerror.h>
#include <jpeglib.h>

#include <memory>
#include <vector>

#include "CodecDecoders.h"

namespace {
// libjpeg reports errors by longjmp. Everything the decoding changes lives in
// this heap object, reached through a pointer that is fixed before setjmp, so
// nothing is left in an indeterminate local and the image is released on the
// error path too.
struct JpegSession {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errorManager{};
    std::jmp_buf jump;
    bool endOfData = false;  // the decoder asked for bytes beyond the end
    QImage image;
    std::vector<JSAMPLE> cmykRow;

    ~JpegSession() { jpeg_destroy_decompress(&info); }
};

JpegSession* SessionOf(j_common_ptr info) {
    return static_cast<JpegSession*>(info->client_data);
}

[[noreturn]] void OnError(j_common_ptr info) { std::longjmp(SessionOf(info)->jump, 1); }

void OnMessage(j_common_ptr info, int level) {
    if (level >= 0) return;  // trace messages
    // libjpeg fills missing data with grey and only warns, both for a cut-off
    // file and for a frame header that claims more rows than the data holds;
    // for the program either is a file it cannot load. Decoding stops at the
    // first such warning instead of running on through gigapixels of grey.
    // Harmless warnings (extraneous bytes before a marker, say) are let through.
    JpegSession* const s = SessionOf(info);
    switch (info->err->msg_code) {
        case JWRN_HIT_MARKER:  // a scan needed more data than there was
            std::longjmp(s->jump, 1);
        case JWRN_JPEG_EOF:
            // The Huffman decoder reads a few bytes ahead, so reaching the end
            // is missing data only once a scan needs those bits (JWRN_HIT_MARKER).
            // The arithmetic decoder gives no such second warning.
            s->endOfData = true;
            if (s->info.arith_code) std::longjmp(s->jump, 1);
            break;
        default:
            break;
    }
}

// Adobe writes CMYK inverted; libjpeg hands it over as stored.
void CmykRowToBgra(const JSAMPLE* cmyk, uchar* bgra, int width, bool inverted) {
    for (int x = 0; x < width; ++x, cmyk += 4, bgra += 4) {
        int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        bgra[0] = uchar(y * k / 255);
        bgra[1] = uchar(m * k / 255);
        bgra[2] = uchar(c * k / 255);
        bgra[3] = 255;
    }
}

bool Decode(JpegSession* s, QByteArrayView bytes) {
    jpeg_decompress_struct* info = &s->info;
    jpeg_mem_src(info, reinterpret_cast<const unsigned char*>(bytes.data()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(info, TRUE);
    const bool cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
    info->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    s->image = AllocateWorkingImage(info->image_width, info->image_height);
    if (s->image.isNull()) return false;
    jpeg_start_decompress(info);
    const bool multipleScans = jpeg_has_multiple_scans(info);
    if (cmyk) s->cmykRow.resize(std::size_t(info->output_width) * 4);

    while (info->output_scanline < info->output_height) {
        if (cmyk) {
            JSAMPROW row = s->cmykRow.data();
            uchar* target = s->image.scanLine(int(info->output_scanline));
            jpeg_read_scanlines(info, &row, 1);
            CmykRowToBgra(row, target, int(info->output_width), info->saw_Adobe_marker);
        } else {
            // Several rows at a time where the sampling allows it.
            JSAMPROW rows[16];
            const int count =
                int(std::min<JDIMENSION>(16, info->output_height - info->output_scanline));
            for (int i = 0; i < count; ++i)
                rows[i] = s->image.scanLine(int(info->output_scanline) + i);
            jpeg_read_scanlines(info, rows, JDIMENSION(count));
        }
    }
    jpeg_finish_decompress(info);
    // Every row came from data that was there. A file without its end marker
    // is then complete when it has one scan; with several (progressive), one
    // cut off between two scans would look the same and show a coarser picture
    // than it holds, so it is refused.
    return !(s->endOfData && multipleScans);
}
}  // namespace

std::optional<DecodedImage> DecodeJpegWithLibjpeg(QByteArrayView bytes) {
    auto session = std::make_unique<JpegSession>();
    JpegSession* const s = session.get();
    s->info.err = jpeg_std_error(&s->errorManager);
    s->errorManager.error_exit = OnError;
    s->errorManager.emit_message = OnMessage;
    s->info.client_data = s;
    jpeg_create_decompress(&s->info);
    if (setjmp(s->jump)) return std::nullopt;
    if (!Decode(s, bytes)) return std::nullopt;
    DecodedImage decoded;
    decoded.bitmap.image = std::move(s->image);
    // The JFIF density, in dots per inch or per centimetre; units 0 give only
    // the aspect ratio, which is no resolution.
    if (s->info.density_unit == 1 || s->info.density_unit == 2) {
        const float scale = s->info.density_unit == 1 ? 1.0f : 2.54f;
        decoded.bitmap.dpiX = s->info.X_density * scale;
        decoded.bitmap.dpiY = s->info.Y_density * scale;
    }
    return decoded;
}
