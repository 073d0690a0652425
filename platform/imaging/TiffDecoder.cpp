// TIFF through libtiff, first page only, pixels in their stored order: the
// orientation tag is applied by the loader, like every other component's.
//
// The layouts Qt's reader takes sample by sample (bilevel, 8- and 16-bit grey,
// 8-bit palette, 16-bit RGB and RGBA) are read the same way here and converted
// with the same rules, so that one file gives the same pixels through both
// components; everything else (YCbCr, LAB, 2- and 4-bit data, 8-bit RGB(A),
// separate planes, ...) goes through libtiff's RGBA interface, which is also
// what Qt uses for them. CMYK is converted here explicitly (libtiff's RGBA
// interface reads only 8 bits and truncates): ink values as stored, 0 = no ink,
// R = (max - C)(max - K) / max and likewise G from M and B from Y, scaled to 8
// bits and rounded, for 8- and 16-bit samples. No colour profile is applied.

#include <tiffio.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

#include "CodecDecoders.h"
#include "ImageLimits.h"
#include "LibraryMessages.h"
#include "Resolution.h"

namespace {
struct MemorySource {
    QByteArrayView bytes;
    toff_t position = 0;
};

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t size) {
    auto* s = static_cast<MemorySource*>(handle);
    const toff_t total = toff_t(s->bytes.size());
    if (s->position >= total || size <= 0) return 0;
    const tmsize_t count = tmsize_t(std::min<toff_t>(toff_t(size), total - s->position));
    std::memcpy(buffer, s->bytes.data() + s->position, std::size_t(count));
    s->position += toff_t(count);
    return count;
}
tmsize_t WriteProc(thandle_t, void*, tmsize_t) { return 0; }
toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    auto* s = static_cast<MemorySource*>(handle);
    toff_t base = 0;
    if (whence == SEEK_CUR) base = s->position;
    if (whence == SEEK_END) base = toff_t(s->bytes.size());
    if (offset > std::numeric_limits<toff_t>::max() - base) return toff_t(-1);
    s->position = base + offset;
    return s->position;
}
int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t handle) {
    return toff_t(static_cast<MemorySource*>(handle)->bytes.size());
}
// The data is handed to libtiff as a read-only mapping: it reads a mapped file
// in place, and its RGBA interface refuses tiled data read without one
// (libtiff 4.5: "Invalid tile byte count").
int MapProc(thandle_t handle, void** base, toff_t* size) {
    auto* s = static_cast<MemorySource*>(handle);
    *base = const_cast<char*>(s->bytes.data());
    *size = toff_t(s->bytes.size());
    return 1;
}
void UnmapProc(thandle_t, void*, toff_t) {}

struct CloseTiff {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

template <typename T>
T Field(TIFF* tiff, ttag_t tag, T fallback) {
    T value{};
    return TIFFGetField(tiff, tag, &value) ? value : fallback;
}

std::uint8_t Round16To8(std::uint32_t v) { return std::uint8_t((v * 255 + 32767) / 65535); }

// Every row of the page as stored (decompressed, 16-bit samples in the host's
// byte order), from strips or from tiles, handed to the sink top to bottom.
bool ReadRows(TIFF* tiff, std::uint32_t width, std::uint32_t height, int bitsPerPixel,
              const std::function<void(std::uint32_t, const std::uint8_t*)>& sink) {
    const std::size_t rowBytes = (std::size_t(width) * bitsPerPixel + 7) / 8;
    if (!TIFFIsTiled(tiff)) {
        if (TIFFScanlineSize64(tiff) != rowBytes) return false;
        std::vector<std::uint8_t> row(rowBytes);
        for (std::uint32_t y = 0; y < height; ++y) {
            if (TIFFReadScanline(tiff, row.data(), y, 0) < 0) return false;
            sink(y, row.data());
        }
        return true;
    }
    const std::uint32_t tileWidth = Field<std::uint32_t>(tiff, TIFFTAG_TILEWIDTH, 0);
    const std::uint32_t tileLength = Field<std::uint32_t>(tiff, TIFFTAG_TILELENGTH, 0);
    // Tiles are whole multiples of 16 pixels, so a tile column starts on a byte.
    if (tileWidth == 0 || tileLength == 0 || tileWidth % 16 || tileLength % 16 ||
        tileLength > kMaxImageSide)
        return false;
    const std::size_t tileRowBytes = (std::size_t(tileWidth) * bitsPerPixel + 7) / 8;
    if (TIFFTileSize64(tiff) != tileRowBytes * tileLength) return false;
    std::vector<std::uint8_t> tile(tileRowBytes * tileLength);
    std::vector<std::uint8_t> band(rowBytes * tileLength);
    for (std::uint32_t y = 0; y < height; y += tileLength) {
        const std::uint32_t rows = std::min(tileLength, height - y);
        for (std::uint32_t x = 0; x < width; x += tileWidth) {
            if (TIFFReadTile(tiff, tile.data(), x, y, 0, 0) < 0) return false;
            const std::size_t offset = std::size_t(x) * bitsPerPixel / 8;
            const std::size_t count = std::min(tileRowBytes, rowBytes - offset);
            for (std::uint32_t i = 0; i < rows; ++i)
                std::memcpy(band.data() + i * rowBytes + offset, tile.data() + i * tileRowBytes,
                            count);
        }
        for (std::uint32_t i = 0; i < rows; ++i) sink(y + i, band.data() + i * rowBytes);
    }
    return true;
}

struct Page {
    std::uint32_t width = 0, height = 0;
    std::uint16_t photometric = 0, bitsPerSample = 1, samplesPerPixel = 1, planar = 1;
    std::uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    bool premultiplied = false;  // an alpha sample is declared (libtiff then premultiplies)
    bool unassociatedAlpha = false;
};

// Layouts read sample by sample.
enum class Layout { Rgba, Bilevel, Grey8, Indexed8, Grey16, Rgb16, Rgba16, Cmyk };

Layout ChooseLayout(TIFF* tiff, const Page& p) {
    const bool grey =
        p.photometric == PHOTOMETRIC_MINISBLACK || p.photometric == PHOTOMETRIC_MINISWHITE;
    if (p.planar != PLANARCONFIG_CONTIG || p.sampleFormat == SAMPLEFORMAT_IEEEFP)
        return Layout::Rgba;
    if (p.photometric == PHOTOMETRIC_SEPARATED && p.samplesPerPixel >= 4 &&
        (p.bitsPerSample == 8 || p.bitsPerSample == 16) &&
        Field<std::uint16_t>(tiff, TIFFTAG_INKSET, INKSET_CMYK) == INKSET_CMYK)
        return Layout::Cmyk;
    if (p.samplesPerPixel == 1) {
        if (grey && p.bitsPerSample == 1) return Layout::Bilevel;
        if (p.photometric == PHOTOMETRIC_MINISBLACK && p.bitsPerSample == 8) return Layout::Grey8;
        if (p.photometric == PHOTOMETRIC_MINISBLACK && p.bitsPerSample == 16) return Layout::Grey16;
        if ((grey || p.photometric == PHOTOMETRIC_PALETTE) && p.bitsPerSample == 8)
            return Layout::Indexed8;
    }
    if (p.photometric == PHOTOMETRIC_RGB && p.bitsPerSample == 16) {
        if (p.samplesPerPixel == 3) return Layout::Rgb16;
        if (p.samplesPerPixel == 4) return Layout::Rgba16;
    }
    return Layout::Rgba;
}

bool ReadBySamples(TIFF* tiff, const Page& p, Layout layout, QImage* image) {
    const int bitsPerPixel = p.bitsPerSample * p.samplesPerPixel;
    std::array<QRgb, 256> palette{};
    if (layout == Layout::Indexed8) {
        if (p.photometric == PHOTOMETRIC_PALETTE) {
            std::uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
            if (!TIFFGetField(tiff, TIFFTAG_COLORMAP, &red, &green, &blue) || !red || !green ||
                !blue)
                return false;
            for (int i = 0; i < 256; ++i)
                palette[i] = qRgb(red[i] >> 8, green[i] >> 8, blue[i] >> 8);
        } else {
            for (int i = 0; i < 256; ++i) {
                const int v = p.photometric == PHOTOMETRIC_MINISBLACK ? i : 255 - i;
                palette[i] = qRgb(v, v, v);
            }
        }
    }
    // 16-bit RGBA is assembled at full depth and converted as Qt converts it.
    QImage wide;
    if (layout == Layout::Rgba16) {
        wide = QImage(int(p.width), int(p.height),
                      p.premultiplied && !p.unassociatedAlpha ? QImage::Format_RGBA64_Premultiplied
                                                              : QImage::Format_RGBA64);
        if (wide.isNull()) return false;
    }
    const int channelMax = p.bitsPerSample == 16 ? 65535 : 255;
    const bool ok = ReadRows(
        tiff, p.width, p.height, bitsPerPixel, [&](std::uint32_t y, const std::uint8_t* row) {
            auto* out = reinterpret_cast<QRgb*>(image->scanLine(int(y)));
            const auto* row16 = reinterpret_cast<const std::uint16_t*>(row);
            for (std::uint32_t x = 0; x < p.width; ++x) {
                switch (layout) {
                    case Layout::Bilevel: {
                        const bool set = (row[x / 8] >> (7 - x % 8)) & 1;
                        const bool white = set == (p.photometric == PHOTOMETRIC_MINISBLACK);
                        out[x] = white ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
                        break;
                    }
                    case Layout::Grey8:
                        out[x] = qRgb(row[x], row[x], row[x]);
                        break;
                    case Layout::Indexed8:
                        out[x] = palette[row[x]];
                        break;
                    case Layout::Grey16: {
                        const std::uint8_t v = Round16To8(row16[x]);
                        out[x] = qRgb(v, v, v);
                        break;
                    }
                    case Layout::Rgb16: {
                        const std::uint16_t* s = row16 + 3 * x;
                        out[x] = qRgb(Round16To8(s[0]), Round16To8(s[1]), Round16To8(s[2]));
                        break;
                    }
                    case Layout::Rgba16: {
                        const std::uint16_t* s = row16 + 4 * x;
                        reinterpret_cast<QRgba64*>(wide.scanLine(int(y)))[x] =
                            QRgba64::fromRgba64(s[0], s[1], s[2], s[3]);
                        break;
                    }
                    case Layout::Cmyk: {
                        auto sample = [&](int i) -> double {
                            const std::size_t at = std::size_t(x) * p.samplesPerPixel + i;
                            return p.bitsPerSample == 16 ? row16[at] : row[at];
                        };
                        const double max = channelMax, white = 255.0 / (max * max);
                        const double k = max - sample(3);
                        auto ink = [&](int i) {
                            return int(std::lround((max - sample(i)) * k * white));
                        };
                        out[x] = qRgb(ink(0), ink(1), ink(2));
                        break;
                    }
                    case Layout::Rgba:
                        break;
                }
            }
        });
    if (!ok) return false;
    if (layout == Layout::Rgba16) {
        *image = wide.convertToFormat(QImage::Format_ARGB32);
        return !image->isNull();
    }
    return true;
}

// libtiff's RGBA interface, asked for the stored orientation so that it flips
// nothing. It packs a pixel as A B G R from the high byte down, and
// premultiplies when the file declares an alpha sample.
bool ReadThroughRgba(TIFF* tiff, const Page& p, QImage* image) {
    char message[1024] = {};
    TIFFRGBAImage rgba{};
    if (!TIFFRGBAImageOK(tiff, message) || !TIFFRGBAImageBegin(&rgba, tiff, 1, message))
        return false;
    rgba.req_orientation = rgba.orientation;
    auto* raster = reinterpret_cast<std::uint32_t*>(image->bits());
    const bool ok = TIFFRGBAImageGet(&rgba, raster, p.width, p.height) != 0;
    TIFFRGBAImageEnd(&rgba);
    if (!ok) return false;
    const bool opaque = p.samplesPerPixel < 4;
    for (std::size_t i = 0, n = std::size_t(p.width) * p.height; i < n; ++i) {
        const std::uint32_t abgr = raster[i];
        raster[i] = (opaque ? 0xFF000000u : (abgr & 0xFF000000u)) | (abgr & 0x0000FF00u) |
                    (abgr & 0xFFu) << 16 | (abgr >> 16 & 0xFFu);
    }
    if (!opaque && p.premultiplied) {
        image->reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
        *image = image->convertToFormat(QImage::Format_ARGB32);
    }
    return !image->isNull();
}

// The resolution as Qt's reader takes it: XResolution and YResolution in the
// unit ResolutionUnit names (inch when absent), through whole dots per metre.
void ReadResolution(TIFF* tiff, Bitmap* bitmap) {
    float x = 0, y = 0;
    if (!TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &x) ||
        !TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &y))
        return;
    const std::uint16_t unit = Field<std::uint16_t>(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    const double perMetre = unit == RESUNIT_CENTIMETER ? 100.0
                            : unit == RESUNIT_INCH     ? 100 / 2.54
                                                       : 0;
    if (perMetre == 0 || !(x > 0) || !(y > 0)) return;
    bitmap->dpiX = DotsPerInchFromDotsPerMetre(std::round(x * perMetre));
    bitmap->dpiY = DotsPerInchFromDotsPerMetre(std::round(y * perMetre));
}
}  // namespace

std::optional<DecodedImage> DecodeTiffWithLibtiff(QByteArrayView bytes) {
    QuietImagingLibraries();
    MemorySource source{bytes};
    std::unique_ptr<TIFF, CloseTiff> tiff(TIFFClientOpen("image", "r", &source, ReadProc, WriteProc,
                                                         SeekProc, CloseProc, SizeProc, MapProc,
                                                         UnmapProc));
    if (!tiff) return std::nullopt;
    Page p;
    if (!TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &p.width) ||
        !TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &p.height) ||
        !TIFFGetField(tiff.get(), TIFFTAG_PHOTOMETRIC, &p.photometric))
        return std::nullopt;
    if (!ImageSizeAcceptable(p.width, p.height)) return std::nullopt;
    p.bitsPerSample = Field<std::uint16_t>(tiff.get(), TIFFTAG_BITSPERSAMPLE, 1);
    p.samplesPerPixel = Field<std::uint16_t>(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, 1);
    p.planar = Field<std::uint16_t>(tiff.get(), TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    p.sampleFormat = Field<std::uint16_t>(tiff.get(), TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT);
    std::uint16_t extraCount = 0;
    std::uint16_t* extra = nullptr;
    if (TIFFGetField(tiff.get(), TIFFTAG_EXTRASAMPLES, &extraCount, &extra) && extraCount &&
        extra) {
        p.premultiplied = extra[0] != EXTRASAMPLE_UNSPECIFIED;
        p.unassociatedAlpha = extra[0] == EXTRASAMPLE_UNASSALPHA;
    }

    QImage image = AllocateWorkingImage(p.width, p.height);
    if (image.isNull()) return std::nullopt;
    const Layout layout = ChooseLayout(tiff.get(), p);
    const bool ok = layout == Layout::Rgba ? ReadThroughRgba(tiff.get(), p, &image)
                                           : ReadBySamples(tiff.get(), p, layout, &image);
    if (!ok) return std::nullopt;
    DecodedImage decoded;
    ReadResolution(tiff.get(), &decoded.bitmap);
    decoded.bitmap.image = std::move(image);
    return decoded;
}
