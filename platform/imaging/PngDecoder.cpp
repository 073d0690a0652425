// PNG through libpng's row interface. The samples are taken as stored: no
// gamma is applied, whatever gAMA, sRGB or cHRM say, and 16-bit samples are
// scaled to 8 bits (v x 255 / 65535, rounded), exactly as the first component
// gives them, so that one file shows the same pixels through both. (libpng's
// simplified interface would take 16-bit data as linear light and brighten it.)
// A colour key (tRNS) is compared at the stored depth before scaling: only a
// pixel equal to the key in all 16 bits becomes transparent.

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

#include "CodecDecoders.h"
#include "ContainerMetadata.h"
#include "Resolution.h"

namespace {
// libpng reports errors by longjmp; what the decoding allocates lives here.
struct PngReadSession {
    png_structp png = nullptr;
    png_infop info = nullptr;
    QByteArrayView bytes;
    qsizetype position = 0;
    QImage image;
    std::vector<png_bytep> rows;

    ~PngReadSession() { png_destroy_read_struct(&png, &info, nullptr); }
};

// Quiet: failures are reported as no image, never printed.
void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnWarning(png_structp, png_const_charp) {}

void ReadFromMemory(png_structp png, png_bytep data, png_size_t size) {
    auto* s = static_cast<PngReadSession*>(png_get_io_ptr(png));
    if (qsizetype(size) > s->bytes.size() - s->position) png_error(png, "data ends early");
    std::memcpy(data, s->bytes.data() + s->position, size);
    s->position += qsizetype(size);
}

bool Decode(PngReadSession* s) {
    png_set_read_fn(s->png, s, ReadFromMemory);
    // The program checks the size against its own limit; libpng's default
    // limits (a million pixels a side) would refuse nothing the program takes,
    // but its chunk limits stay.
    png_set_user_limits(s->png, 0x7fffffff, 0x7fffffff);
    png_read_info(s->png, s->info);
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(s->png, s->info, &width, &height, &bitDepth, &colorType, &interlace, nullptr,
                 nullptr);
    s->image = AllocateWorkingImage(width, height);
    if (s->image.isNull()) return false;

    png_set_expand(s->png);  // palette to RGB, grey below 8 bits to 8, tRNS to alpha
    png_set_scale_16(s->png);
    png_set_gray_to_rgb(s->png);
    png_set_bgr(s->png);
    png_set_filler(s->png, 0xFF, PNG_FILLER_AFTER);  // only for images without alpha
    const int passes = png_set_interlace_handling(s->png);
    png_read_update_info(s->png, s->info);
    if (png_get_rowbytes(s->png, s->info) != png_size_t(width) * 4) return false;

    if (passes > 1) {
        s->rows.resize(height);
        for (png_uint_32 y = 0; y < height; ++y) s->rows[y] = s->image.scanLine(int(y));
        png_read_image(s->png, s->rows.data());
    } else {
        for (png_uint_32 y = 0; y < height; ++y)
            png_read_row(s->png, s->image.scanLine(int(y)), nullptr);
    }
    png_read_end(s->png, nullptr);
    return true;
}
// The chunks before the image data: libpng keeps an iCCP profile only once it
// has checked it, and an eXIf block that starts like TIFF data.
ImageMetadata ReadPngMetadata(png_structp png, png_infop info) {
    ImageMetadata metadata;
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 profileBytes = 0;
    if (png_get_iCCP(png, info, &name, &compression, &profile, &profileBytes) && profile &&
        IsRgbIccProfile(QByteArrayView(reinterpret_cast<const char*>(profile), profileBytes)))
        metadata.icc = QByteArray(reinterpret_cast<const char*>(profile), qsizetype(profileBytes));
    png_uint_32 exifBytes = 0;
    png_bytep exif = nullptr;
    if (png_get_eXIf_1(png, info, &exifBytes, &exif) && exif &&
        LooksLikeExifTiff(QByteArrayView(reinterpret_cast<const char*>(exif), exifBytes)))
        metadata.exif = QByteArray(reinterpret_cast<const char*>(exif), qsizetype(exifBytes));
    return metadata;
}
}  // namespace

std::optional<DecodedImage> DecodePngWithLibpng(QByteArrayView bytes) {
    auto session = std::make_unique<PngReadSession>();
    PngReadSession* const s = session.get();
    s->bytes = bytes;
    s->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (!s->png) return std::nullopt;
    s->info = png_create_info_struct(s->png);
    if (!s->info) return std::nullopt;
    if (setjmp(png_jmpbuf(s->png))) return std::nullopt;
    if (!Decode(s)) return std::nullopt;

    DecodedImage decoded;
    png_uint_32 x = 0, y = 0;
    int unit = 0;
    // pHYs in dots per metre; unit 0 gives only the aspect ratio.
    if (png_get_pHYs(s->png, s->info, &x, &y, &unit) && unit == PNG_RESOLUTION_METER) {
        decoded.bitmap.dpiX = DotsPerInchFromDotsPerMetre(x);
        decoded.bitmap.dpiY = DotsPerInchFromDotsPerMetre(y);
    }
    decoded.bitmap.image = std::move(s->image);
    decoded.metadata = ReadPngMetadata(s->png, s->info);
    return decoded;
}
