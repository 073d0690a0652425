#include "JpegWriter.h"

#include <jpeglib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace JpegWriter {
namespace {
QByteArray ExifWithOrientation(int orientation) {
    // "Exif\0\0", a little-endian TIFF header, one IFD with the one tag.
    const unsigned char bytes[] = {'E', 'x',  'i',  'f', 0,
                                   0,   'I',  'I',  42,  0,
                                   8,   0,    0,    0,   1,
                                   0,   0x12, 0x01, 3,   0,
                                   1,   0,    0,    0,   (unsigned char)orientation,
                                   0,   0,    0,    0,   0,
                                   0,   0};
    return QByteArray(reinterpret_cast<const char*>(bytes), sizeof bytes);
}
}  // namespace

QByteArray Jpeg(const JpegSpec& spec) {
    const QImage image = spec.image.convertToFormat(QImage::Format_ARGB32);
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(image.width());
    info.image_height = JDIMENSION(image.height());
    using Colour = JpegSpec::Colour;
    const bool grey = spec.colour == Colour::Grey;
    const bool four = spec.colour == Colour::Cmyk || spec.colour == Colour::Ycck;
    info.input_components = grey ? 1 : four ? 4 : 3;
    info.in_color_space = grey ? JCS_GRAYSCALE : four ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    switch (spec.colour) {
        case Colour::Rgb:
            jpeg_set_colorspace(&info, JCS_RGB);
            break;
        case Colour::Cmyk:
            jpeg_set_colorspace(&info, JCS_CMYK);
            break;
        case Colour::Ycck:
            jpeg_set_colorspace(&info, JCS_YCCK);
            break;
        default:
            break;
    }
    jpeg_set_quality(&info, spec.quality, TRUE);
    info.comp_info[0].h_samp_factor = spec.hSampling;
    info.comp_info[0].v_samp_factor = spec.vSampling;
    info.write_JFIF_header = spec.jfif ? TRUE : FALSE;
    info.density_unit = UINT8(spec.densityUnit);
    info.X_density = UINT16(spec.densityX);
    info.Y_density = UINT16(spec.densityY);
    info.restart_in_rows = spec.restartRows;
    if (spec.progressive) jpeg_simple_progression(&info);
    info.arith_code = spec.arithmetic ? TRUE : FALSE;
    jpeg_start_compress(&info, TRUE);
    if (spec.orientation) {
        const QByteArray exif = ExifWithOrientation(spec.orientation);
        jpeg_write_marker(&info, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(exif.data()),
                          unsigned(exif.size()));
    }
    std::vector<JSAMPLE> row(std::size_t(image.width()) * 4);
    while (info.next_scanline < info.image_height) {
        const QRgb* pixels =
            reinterpret_cast<const QRgb*>(image.constScanLine(int(info.next_scanline)));
        JSAMPLE* out = row.data();
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = pixels[x];
            if (grey) {
                *out++ = JSAMPLE(qGreen(p));
            } else {
                *out++ = JSAMPLE(qRed(p)), *out++ = JSAMPLE(qGreen(p)), *out++ = JSAMPLE(qBlue(p));
                if (four) *out++ = JSAMPLE(qAlpha(p));
            }
        }
        JSAMPROW pointer = row.data();
        jpeg_write_scanlines(&info, &pointer, 1);
    }
    jpeg_finish_compress(&info);
    QByteArray bytes(reinterpret_cast<const char*>(buffer), qsizetype(size));
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return bytes;
}

QImage Noisy(int width, int height, quint32 seed) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = int(seed >> 27) - 16;
            image.setPixel(x, y,
                           qRgba(std::clamp(x * 255 / std::max(1, width) + noise, 0, 255),
                                 std::clamp(y * 255 / std::max(1, height) - noise, 0, 255),
                                 (x * y / 13 + noise) & 0xff, (x * 7 + y * 3) & 0xff));
        }
    return image;
}

}  // namespace JpegWriter
