#pragma once

#include <QByteArrayView>
#include <QImage>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

#include <vector>

// Which pixels a JPEG decodes to.
enum class JpegPixels {
    // Those of the second component: every colour space libjpeg reads, CMYK
    // and YCCK converted by the program (Adobe's inverted storage included).
    Library,
    // Exactly those Qt's own JPEG reader gives with its default settings (the
    // library's accurate integer transform, fancy upsampling, the colour
    // conversion of libjpeg, RGB shuffled into 32 bits with alpha 255), for
    // grey, RGB and YCbCr data only: Qt converts CMYK by a formula of its own.
    LikeQtReader,
};

// libjpeg-turbo decoding straight into the working format, a batch of rows
// at a time, into an image allocated at full size before the first row. The
// bytes must outlive the decoder. Every step fails rather than fill in rows:
// a cut-off file, corrupt data or a frame header claiming more rows than the
// data holds end decoding at the first sign of it.
class JpegRowDecoder {
public:
    JpegRowDecoder(QByteArrayView bytes, JpegPixels pixels);
    ~JpegRowDecoder();
    JpegRowDecoder(const JpegRowDecoder&) = delete;
    JpegRowDecoder& operator=(const JpegRowDecoder&) = delete;

    // Reads the header and allocates the image. False for damaged data, an
    // image beyond the program's limit, memory short, or (LikeQtReader) a
    // colour space Qt converts differently.
    bool Begin();
    // Decodes up to maxRows further rows; false on failure. The first call
    // does the bulk of the work for data with several scans (progressive),
    // which are all read before the first row comes out.
    bool DecodeRows(int maxRows);
    int RowsDecoded() const { return int(m_info.output_scanline); }
    bool AllRowsDecoded() const {
        return m_started && m_info.output_scanline >= m_info.output_height;
    }
    // Reads the rest of the data after the last row. False on failure, and for
    // data without its end marker that has several scans (progressive): one
    // cut off between two scans would look the same and show a coarser
    // picture than it holds.
    bool Finish();

    // Valid once Begin succeeded; the rows below RowsDecoded() are final.
    QImage& Image() { return m_image; }
    // The JFIF density: unit 0 (aspect ratio only), 1 (per inch), 2 (per cm).
    int DensityUnit() const { return m_info.density_unit; }
    int DensityX() const { return m_info.X_density; }
    int DensityY() const { return m_info.Y_density; }

private:
    static void OnError(j_common_ptr info);
    static void OnMessage(j_common_ptr info, int level);

    jpeg_decompress_struct m_info{};
    jpeg_error_mgr m_errorManager{};
    std::jmp_buf m_jump;
    QByteArrayView m_bytes;
    JpegPixels m_pixels;
    bool m_endOfData = false;  // the decoder asked for bytes beyond the end
    bool m_cmyk = false;
    bool m_failed = false;
    bool m_started = false;  // jpeg_start_decompress has run
    QImage m_image;
    // Taken while the image is not yet shared: writing through scanLine()
    // later would detach it from its users and decode into a copy.
    uchar* m_bits = nullptr;
    qsizetype m_stride = 0;
    std::vector<JSAMPLE> m_cmykRow;
};
