#include "JpegRowDecoder.h"

#include <jerror.h>

#include <algorithm>

#include "CodecDecoders.h"

// libjpeg reports errors by longjmp. Each step sets the jump target in its own
// frame, and everything the decoding changes lives in this object, so nothing
// is left in an indeterminate local and the image is released on the error
// path too. The code between setjmp and libjpeg's calls keeps only trivially
// destructible locals.
#define JPEG_GUARDED(decoder)              \
    if ((decoder)->m_failed) return false; \
    if (setjmp((decoder)->m_jump)) {       \
        (decoder)->m_failed = true;        \
        return false;                      \
    }

namespace {
JpegRowDecoder* DecoderOf(j_common_ptr info) {
    return static_cast<JpegRowDecoder*>(info->client_data);
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
}  // namespace

void JpegRowDecoder::OnError(j_common_ptr info) { std::longjmp(DecoderOf(info)->m_jump, 1); }

void JpegRowDecoder::OnMessage(j_common_ptr info, int level) {
    if (level >= 0) return;  // trace messages
    // libjpeg fills missing data with grey and only warns, both for a cut-off
    // file and for a frame header that claims more rows than the data holds;
    // for the program either is a file it cannot load. Decoding stops at the
    // first such warning instead of running on through gigapixels of grey.
    // Harmless warnings (extraneous bytes before a marker, say) are let through.
    JpegRowDecoder* const d = DecoderOf(info);
    switch (info->err->msg_code) {
        case JWRN_HIT_MARKER:  // a scan needed more data than there was
            std::longjmp(d->m_jump, 1);
        case JWRN_JPEG_EOF:
            // The Huffman decoder reads a few bytes ahead, so reaching the end
            // is missing data only once a scan needs those bits (JWRN_HIT_MARKER).
            // The arithmetic decoder gives no such second warning. Qt's reader
            // only ever meets data with its end marker, so there it is a fault.
            d->m_endOfData = true;
            if (d->m_info.arith_code || d->m_pixels == JpegPixels::LikeQtReader)
                std::longjmp(d->m_jump, 1);
            break;
        default:
            break;
    }
}

JpegRowDecoder::JpegRowDecoder(QByteArrayView bytes, JpegPixels pixels)
    : m_bytes(bytes), m_pixels(pixels) {
    m_info.err = jpeg_std_error(&m_errorManager);
    m_errorManager.error_exit = OnError;
    m_errorManager.emit_message = OnMessage;
    m_info.client_data = this;
    jpeg_create_decompress(&m_info);
}

JpegRowDecoder::~JpegRowDecoder() { jpeg_destroy_decompress(&m_info); }

bool JpegRowDecoder::Begin() {
    JPEG_GUARDED(this);
    jpeg_mem_src(&m_info, reinterpret_cast<const unsigned char*>(m_bytes.data()),
                 static_cast<unsigned long>(m_bytes.size()));
    jpeg_read_header(&m_info, TRUE);
    m_cmyk = m_info.jpeg_color_space == JCS_CMYK || m_info.jpeg_color_space == JCS_YCCK;
    if (m_pixels == JpegPixels::LikeQtReader) {
        const J_COLOR_SPACE space = m_info.jpeg_color_space;
        if (space != JCS_GRAYSCALE && space != JCS_RGB && space != JCS_YCbCr) return false;
        // The 32-bit form of Qt's RGB rows: the same conversion, the bytes in
        // B, G, R order and the fourth 0xFF.
        m_info.out_color_space = JCS_EXT_BGRX;
    } else {
        m_info.out_color_space = m_cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    }
    m_image = AllocateWorkingImage(m_info.image_width, m_info.image_height);
    if (m_image.isNull()) return false;
    m_bits = m_image.bits();
    m_stride = m_image.bytesPerLine();
    if (m_cmyk) m_cmykRow.resize(std::size_t(m_info.image_width) * 4);
    return true;
}

bool JpegRowDecoder::DecodeRows(int maxRows) {
    JPEG_GUARDED(this);
    if (!m_started) {
        m_started = true;
        jpeg_start_decompress(&m_info);
    }
    const JDIMENSION end =
        std::min<JDIMENSION>(m_info.output_height, m_info.output_scanline + JDIMENSION(maxRows));
    while (m_info.output_scanline < end) {
        if (m_cmyk) {
            JSAMPROW row = m_cmykRow.data();
            uchar* target = m_bits + m_info.output_scanline * m_stride;
            jpeg_read_scanlines(&m_info, &row, 1);
            CmykRowToBgra(row, target, int(m_info.output_width), m_info.saw_Adobe_marker);
        } else {
            // Several rows at a time where the sampling allows it.
            JSAMPROW rows[16];
            const int count = int(std::min<JDIMENSION>(16, end - m_info.output_scanline));
            for (int i = 0; i < count; ++i)
                rows[i] = m_bits + (m_info.output_scanline + i) * m_stride;
            jpeg_read_scanlines(&m_info, rows, JDIMENSION(count));
        }
    }
    return true;
}

bool JpegRowDecoder::Finish() {
    JPEG_GUARDED(this);
    if (!AllRowsDecoded()) return false;
    const bool multipleScans = jpeg_has_multiple_scans(&m_info);
    jpeg_finish_decompress(&m_info);
    // Every row came from data that was there.
    return !(m_endOfData && multipleScans);
}
