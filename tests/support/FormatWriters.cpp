#include "FormatWriters.h"

#include <gif_lib.h>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>

namespace FormatWriters {

namespace {
void AppendPng(png_structp png, png_bytep data, png_size_t size) {
    static_cast<QByteArray*>(png_get_io_ptr(png))
        ->append(reinterpret_cast<const char*>(data), qsizetype(size));
}
void FlushPng(png_structp) {}

int ChannelsOf(int colorType) {
    switch (colorType) {
        case 0:
        case 3:
            return 1;
        case 4:
            return 2;
        case 2:
            return 3;
        default:
            return 4;
    }
}

void Put32(QByteArray& bytes, std::uint32_t v) {
    for (int shift : {24, 16, 8, 0}) bytes.append(char(v >> shift));
}
}  // namespace

QByteArray Png(const PngSpec& spec) {
    QByteArray out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, AppendPng, FlushPng);
    png_set_IHDR(png, info, png_uint_32(spec.width), png_uint_32(spec.height), spec.bitDepth,
                 spec.colorType, spec.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    for (std::size_t i = 0; i + 2 < spec.palette.size(); i += 3)
        palette.push_back({png_byte(spec.palette[i]), png_byte(spec.palette[i + 1]),
                           png_byte(spec.palette[i + 2])});
    if (!palette.empty()) png_set_PLTE(png, info, palette.data(), int(palette.size()));
    std::vector<png_byte> alphas;
    if (!spec.transparency.empty()) {
        png_color_16 key{};
        if (spec.colorType == 3) {
            for (int a : spec.transparency) alphas.push_back(png_byte(a));
            png_set_tRNS(png, info, alphas.data(), int(alphas.size()), nullptr);
        } else {
            if (spec.colorType == 0) {
                key.gray = png_uint_16(spec.transparency[0]);
            } else {
                key.red = png_uint_16(spec.transparency[0]);
                key.green = png_uint_16(spec.transparency[1]);
                key.blue = png_uint_16(spec.transparency[2]);
            }
            png_set_tRNS(png, info, nullptr, 0, &key);
        }
    }
    if (spec.gamma) png_set_gAMA(png, info, *spec.gamma);
    if (spec.dotsPerMetre)
        png_set_pHYs(png, info, png_uint_32(spec.dotsPerMetre->first),
                     png_uint_32(spec.dotsPerMetre->second), PNG_RESOLUTION_METER);
    if (!spec.iccProfile.isEmpty())
        png_set_iCCP(png, info, "fixture", PNG_COMPRESSION_TYPE_BASE,
                     reinterpret_cast<png_const_bytep>(spec.iccProfile.constData()),
                     png_uint_32(spec.iccProfile.size()));
    if (!spec.exif.isEmpty())
        png_set_eXIf_1(png, info, png_uint_32(spec.exif.size()),
                       reinterpret_cast<png_bytep>(const_cast<char*>(spec.exif.constData())));
    png_write_info(png, info);

    const int channels = ChannelsOf(spec.colorType);
    const std::size_t rowBytes = (std::size_t(spec.width) * channels * spec.bitDepth + 7) / 8;
    std::vector<std::vector<png_byte>> rows(std::size_t(spec.height),
                                            std::vector<png_byte>(rowBytes));
    for (int y = 0; y < spec.height; ++y) {
        auto& row = rows[std::size_t(y)];
        for (int i = 0; i < spec.width * channels; ++i) {
            const int v = spec.samples[std::size_t(y) * spec.width * channels + i];
            if (spec.bitDepth == 16) {
                row[2 * i] = png_byte(v >> 8);
                row[2 * i + 1] = png_byte(v);
            } else if (spec.bitDepth == 8) {
                row[i] = png_byte(v);
            } else {
                const int bit = i * spec.bitDepth;
                row[bit / 8] |= png_byte(v << (8 - spec.bitDepth - bit % 8));
            }
        }
    }
    std::vector<png_bytep> pointers;
    for (auto& row : rows) pointers.push_back(row.data());
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);

    if (spec.brokenTextChunk) {
        // Before IEND: length, type, data, and a CRC that does not match.
        QByteArray chunk;
        const QByteArray text("Comment\0made by hand", 20);
        Put32(chunk, std::uint32_t(text.size()));
        chunk.append("tEXt").append(text);
        Put32(chunk, 0x12345678u);
        out.insert(out.size() - 12, chunk);
    }
    return out;
}

namespace {
struct TiffSink {
    QByteArray bytes;
    toff_t position = 0;
};
tmsize_t TiffNoRead(thandle_t, void*, tmsize_t) { return 0; }
tmsize_t TiffWrite(thandle_t handle, void* data, tmsize_t size) {
    auto* s = static_cast<TiffSink*>(handle);
    const qsizetype end = qsizetype(s->position) + qsizetype(size);
    if (end > s->bytes.size()) s->bytes.resize(end, '\0');
    std::memcpy(s->bytes.data() + s->position, data, std::size_t(size));
    s->position = toff_t(end);
    return size;
}
toff_t TiffSeek(thandle_t handle, toff_t offset, int whence) {
    auto* s = static_cast<TiffSink*>(handle);
    const toff_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? s->position : s->bytes.size();
    s->position = base + offset;
    return s->position;
}
int TiffClose(thandle_t) { return 0; }
toff_t TiffSize(thandle_t handle) { return toff_t(static_cast<TiffSink*>(handle)->bytes.size()); }
int TiffMap(thandle_t, void**, toff_t*) { return 0; }
void TiffUnmap(thandle_t, void*, toff_t) {}

constexpr ttag_t kPrivateTag = 65000;
const TIFFFieldInfo kPrivateField[] = {
    {kPrivateTag, 1, 1, TIFF_LONG, FIELD_CUSTOM, 1, 0, const_cast<char*>("PrivateTestTag")}};
}  // namespace

QByteArray Tiff(const TiffSpec& spec) {
    TiffSink sink;
    TIFF* tiff = TIFFClientOpen("fixture", "w", &sink, TiffNoRead, TiffWrite, TiffSeek, TiffClose,
                                TiffSize, TiffMap, TiffUnmap);
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, std::uint32_t(spec.width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, std::uint32_t(spec.height));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, std::uint16_t(spec.bitsPerSample));
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, std::uint16_t(spec.samplesPerPixel));
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, std::uint16_t(spec.photometric));
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, std::uint16_t(PLANARCONFIG_CONTIG));
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, std::uint16_t(spec.compression));
    if (spec.photometric == PHOTOMETRIC_PALETTE) {
        const std::size_t n = std::size_t(1) << spec.bitsPerSample;
        std::vector<std::uint16_t> map = spec.colorMap;
        map.resize(3 * n, 0);
        TIFFSetField(tiff, TIFFTAG_COLORMAP, map.data(), map.data() + n, map.data() + 2 * n);
    }
    if (!spec.extraSamples.empty())
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, std::uint16_t(spec.extraSamples.size()),
                     spec.extraSamples.data());
    if (spec.orientation) TIFFSetField(tiff, TIFFTAG_ORIENTATION, std::uint16_t(spec.orientation));
    if (spec.resolution) {
        TIFFSetField(tiff, TIFFTAG_XRESOLUTION, float(spec.resolution->first));
        TIFFSetField(tiff, TIFFTAG_YRESOLUTION, float(spec.resolution->second));
    }
    if (spec.resolutionUnit)
        TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, std::uint16_t(spec.resolutionUnit));
    if (!spec.iccProfile.isEmpty())
        TIFFSetField(tiff, TIFFTAG_ICCPROFILE, std::uint32_t(spec.iccProfile.size()),
                     spec.iccProfile.constData());
    if (spec.unknownTag) {
        TIFFMergeFieldInfo(tiff, kPrivateField, 1);
        TIFFSetField(tiff, kPrivateTag, std::uint32_t(42));
    }
    const std::size_t rowBytes =
        (std::size_t(spec.width) * spec.samplesPerPixel * spec.bitsPerSample + 7) / 8;
    std::vector<std::uint8_t> rows = spec.rows;
    rows.resize(rowBytes * std::size_t(spec.height), 0);
    if (spec.tileSize > 0) {
        TIFFSetField(tiff, TIFFTAG_TILEWIDTH, std::uint32_t(spec.tileSize));
        TIFFSetField(tiff, TIFFTAG_TILELENGTH, std::uint32_t(spec.tileSize));
        const std::size_t tileRow =
            std::size_t(spec.tileSize) * spec.samplesPerPixel * spec.bitsPerSample / 8;
        std::vector<std::uint8_t> tile(tileRow * std::size_t(spec.tileSize));
        for (int ty = 0; ty < spec.height; ty += spec.tileSize)
            for (int tx = 0; tx < spec.width; tx += spec.tileSize) {
                std::fill(tile.begin(), tile.end(), 0);
                const std::size_t offset =
                    std::size_t(tx) * spec.samplesPerPixel * spec.bitsPerSample / 8;
                for (int i = 0; i < spec.tileSize && ty + i < spec.height; ++i)
                    std::memcpy(tile.data() + i * tileRow,
                                rows.data() + std::size_t(ty + i) * rowBytes + offset,
                                std::min(tileRow, rowBytes - offset));
                TIFFWriteTile(tiff, tile.data(), std::uint32_t(tx), std::uint32_t(ty), 0, 0);
            }
    } else {
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
        for (int y = 0; y < spec.height; ++y)
            TIFFWriteScanline(tiff, rows.data() + std::size_t(y) * rowBytes, std::uint32_t(y), 0);
    }
    TIFFClose(tiff);
    return sink.bytes;
}

std::vector<std::uint8_t> Samples16(const std::vector<std::uint16_t>& samples) {
    std::vector<std::uint8_t> bytes(samples.size() * 2);
    std::memcpy(bytes.data(), samples.data(), bytes.size());
    return bytes;
}

namespace {
int AppendGif(GifFileType* gif, const GifByteType* data, int size) {
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(data), size);
    return size;
}

ColorMapObject* MakeMap(const std::vector<int>& colours) {
    if (colours.empty()) return nullptr;
    std::vector<GifColorType> entries;
    for (std::size_t i = 0; i + 2 < colours.size(); i += 3)
        entries.push_back(
            {GifByteType(colours[i]), GifByteType(colours[i + 1]), GifByteType(colours[i + 2])});
    return GifMakeMapObject(int(entries.size()), entries.data());
}
}  // namespace

QByteArray Gif(const GifSpec& spec) {
    QByteArray out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, AppendGif, &error);
    EGifSetGifVersion(gif, true);
    ColorMapObject* global = MakeMap(spec.colours);
    EGifPutScreenDesc(gif, spec.screenWidth, spec.screenHeight, 8, spec.background, global);
    for (const GifFrame& frame : spec.frames) {
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSAL_UNSPECIFIED;
        control.TransparentColor = frame.transparentIndex;
        control.DelayTime = 10;
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension);
        ColorMapObject* local = MakeMap(frame.localColours);
        EGifPutImageDesc(gif, frame.left, frame.top, frame.width, frame.height, frame.interlaced,
                         local);
        std::vector<GifPixelType> row(std::size_t(frame.width));
        // Interlaced frames are written in the order of the four passes.
        std::vector<int> order;
        if (frame.interlaced) {
            for (auto [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
                for (int y = start; y < frame.height; y += step) order.push_back(y);
        } else {
            for (int y = 0; y < frame.height; ++y) order.push_back(y);
        }
        for (int y : order) {
            std::memcpy(row.data(), frame.indices.data() + std::size_t(y) * frame.width,
                        row.size());
            EGifPutLine(gif, row.data(), frame.width);
        }
        if (local) GifFreeMapObject(local);
    }
    EGifCloseFile(gif, &error);
    if (global) GifFreeMapObject(global);
    return out;
}

namespace {
void Le16(QByteArray& bytes, std::uint32_t v) { bytes.append(char(v)).append(char(v >> 8)); }
void Le32(QByteArray& bytes, std::uint32_t v) {
    Le16(bytes, v & 0xFFFF);
    Le16(bytes, v >> 16);
}
}  // namespace

QByteArray Bmp(const BmpSpec& spec) {
    const bool runLength = spec.compression == 1 || spec.compression == 2;
    const int height = spec.height < 0 ? -spec.height : spec.height;
    const std::size_t rowBytes = (std::size_t(spec.width) * spec.bitCount + 7) / 8;
    const std::size_t stride = (std::size_t(spec.width) * spec.bitCount + 31) / 32 * 4;
    QByteArray pixels;
    if (runLength) {
        pixels.append(reinterpret_cast<const char*>(spec.pixelData.data()),
                      qsizetype(spec.pixelData.size()));
    } else {
        for (int y = 0; y < height; ++y) {
            QByteArray row(qsizetype(stride), '\0');
            const std::size_t at = std::size_t(y) * rowBytes;
            if (at + rowBytes <= spec.pixelData.size())
                std::memcpy(row.data(), spec.pixelData.data() + at, rowBytes);
            pixels.append(row);
        }
    }
    // Masks after a 40-byte header; inside larger ones.
    QByteArray masks;
    for (std::uint32_t m : spec.masks) Le32(masks, m);
    QByteArray header;
    Le32(header, std::uint32_t(spec.headerSize));
    if (spec.headerSize == 12) {
        Le16(header, std::uint32_t(spec.width));
        Le16(header, std::uint32_t(height));
        Le16(header, 1);
        Le16(header, std::uint32_t(spec.bitCount));
    } else {
        Le32(header, std::uint32_t(spec.width));
        Le32(header, std::uint32_t(spec.height));
        Le16(header, 1);
        Le16(header, std::uint32_t(spec.bitCount));
        Le32(header, std::uint32_t(spec.compression));
        Le32(header, std::uint32_t(pixels.size()));
        Le32(header, std::uint32_t(spec.dotsPerMetreX));
        Le32(header, std::uint32_t(spec.dotsPerMetreY));
        const std::size_t entries = spec.palette.size() / 4;
        Le32(header, std::uint32_t(spec.bitCount <= 8 ? entries : 0));
        Le32(header, 0);
        if (spec.headerSize > 40) {
            header.append(masks.left(spec.headerSize - 40));
            masks.clear();
        }
        header.resize(spec.headerSize, '\0');
    }
    QByteArray table(reinterpret_cast<const char*>(spec.palette.data()),
                     qsizetype(spec.palette.size()));
    if (spec.headerSize == 12) {  // 3-byte entries
        QByteArray core;
        for (qsizetype i = 0; i + 3 < table.size() + 1; i += 4) core.append(table.mid(i, 3));
        table = core;
    }
    const std::uint32_t offset = std::uint32_t(14 + header.size() + masks.size() + table.size());
    QByteArray file("BM");
    Le32(file, offset + std::uint32_t(pixels.size()));
    Le32(file, 0);
    Le32(file, offset);
    return file + header + masks + table + pixels;
}

std::vector<std::uint8_t> Pixels16(const std::vector<std::uint16_t>& pixels) {
    std::vector<std::uint8_t> bytes;
    for (std::uint16_t p : pixels)
        bytes.insert(bytes.end(), {std::uint8_t(p), std::uint8_t(p >> 8)});
    return bytes;
}

std::vector<std::uint8_t> Pixels32(const std::vector<std::uint32_t>& pixels) {
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t p : pixels)
        bytes.insert(bytes.end(), {std::uint8_t(p), std::uint8_t(p >> 8), std::uint8_t(p >> 16),
                                   std::uint8_t(p >> 24)});
    return bytes;
}

}  // namespace FormatWriters
