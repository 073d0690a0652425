// One file, the same pixels through both imaging components: PNG of every
// colour type and depth (16-bit and gAMA files as stored, colour keys exact),
// BMP with colour tables, bit fields and run-length data, GIF first frames and
// TIFF pages, each held against pixels worked out here from what was written.

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

#include "document/ImageLoader.h"
#include "platform/imaging/DibReader.h"
#include "platform/imaging/ImageStream.h"
#include "support/FormatWriters.h"
#include "support/ImageFixtures.h"
#include "support/SharedCodecs.h"

using namespace FormatWriters;

namespace {
HolderPtr Decode(const QByteArray& bytes, int useWic) {
    const auto stream = ImageStream::FromBytes(bytes);
    return LoadImageFromStream(*stream, ImagingServices{useWic, SharedCodecs(), true});
}

QImage Build(int width, int height, const std::function<QRgb(int, int)>& pixel) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.setPixel(x, y, pixel(x, y));
    return image;
}

// "" when equal, else where and how the images first differ. The colour of a
// fully transparent pixel is no part of the picture and is not compared.
std::string Difference(const QImage& seen, const QImage& expected) {
    if (seen.size() != expected.size())
        return "size " + std::to_string(seen.width()) + "x" + std::to_string(seen.height()) +
               " instead of " + std::to_string(expected.width()) + "x" +
               std::to_string(expected.height());
    for (int y = 0; y < seen.height(); ++y)
        for (int x = 0; x < seen.width(); ++x)
            if (seen.pixel(x, y) != expected.pixel(x, y) &&
                (qAlpha(seen.pixel(x, y)) != 0 || qAlpha(expected.pixel(x, y)) != 0)) {
                char text[96];
                std::snprintf(text, sizeof text, "(%d,%d) is %08x instead of %08x", x, y,
                              seen.pixel(x, y), expected.pixel(x, y));
                return text;
            }
    return "";
}

QImage Opaque(QImage image) {
    image = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, image.pixel(x, y) | 0xFF000000u);
    return image;
}

int Round16(int v) { return (v * 255 + 32767) / 65535; }
int Scale(int v, int max) { return int(std::lround(v * 255.0 / max)); }

// A sample pattern that reaches both ends of the range and much in between.
int SampleAt(int x, int y, int channel, int max) {
    if (x == 0) return channel == 0 ? max : 0;
    if (x == 1) return max;
    return int((std::int64_t(x) * 7919 + std::int64_t(y) * 104729 + channel * 15485863) %
               (max + 1));
}

struct Case {
    std::string name;
    QByteArray file;
    QImage expected;
};

void ExpectBothComponentsGive(const Case& c) {
    ASSERT_FALSE(c.file.isEmpty()) << c.name;
    for (int useWic : {0, 2}) {
        const HolderPtr image = Decode(c.file, useWic);
        ASSERT_TRUE(image) << c.name << ", UseWIC " << useWic;
        EXPECT_EQ(Difference(image->Image(), c.expected), "") << c.name << ", UseWIC " << useWic;
    }
}

// ---- PNG ----------------------------------------------------------------

struct PngVariant {
    int colorType, bitDepth;
    bool key;  // a tRNS colour key (or palette alpha)
    bool interlaced;
    std::optional<double> gamma;
};

Case MakePngCase(const PngVariant& v) {
    const int w = 19, h = 7, max = (1 << v.bitDepth) - 1;
    PngSpec spec;
    spec.width = w, spec.height = h, spec.bitDepth = v.bitDepth, spec.colorType = v.colorType;
    spec.interlaced = v.interlaced, spec.gamma = v.gamma;
    const int channels = v.colorType == 2 ? 3 : v.colorType == 4 ? 2 : v.colorType == 6 ? 4 : 1;
    const int entries = v.colorType == 3 ? std::min(256, max + 1) : 0;
    for (int i = 0; i < entries; ++i)
        spec.palette.insert(spec.palette.end(), {i * 37 % 256, 255 - i, i / 2});
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < channels; ++c)
                spec.samples.push_back(v.colorType == 3 ? SampleAt(x, y, 0, entries - 1)
                                                        : SampleAt(x, y, c, max));
    auto sample = [&](int x, int y, int c) {
        return spec.samples[std::size_t((y * w + x) * channels + c)];
    };
    if (v.key) {
        if (v.colorType == 3)
            spec.transparency = {0, 128};  // alpha of the first two entries
        else if (v.colorType == 0)
            spec.transparency = {sample(3, 0, 0)};
        else
            spec.transparency = {sample(3, 0, 0), sample(3, 0, 1), sample(3, 0, 2)};
    }
    const auto to8 = [&](int s) { return v.bitDepth == 16 ? Round16(s) : Scale(s, max); };
    QImage expected = Build(w, h, [&](int x, int y) -> QRgb {
        switch (v.colorType) {
            case 0: {
                const int g = to8(sample(x, y, 0));
                const bool clear = v.key && sample(x, y, 0) == spec.transparency[0];
                return qRgba(g, g, g, clear ? 0 : 255);
            }
            case 2: {
                const bool clear = v.key && sample(x, y, 0) == spec.transparency[0] &&
                                   sample(x, y, 1) == spec.transparency[1] &&
                                   sample(x, y, 2) == spec.transparency[2];
                return qRgba(to8(sample(x, y, 0)), to8(sample(x, y, 1)), to8(sample(x, y, 2)),
                             clear ? 0 : 255);
            }
            case 3: {
                const int i = sample(x, y, 0);
                const int alpha = v.key && i < 2 ? spec.transparency[std::size_t(i)] : 255;
                return qRgba(spec.palette[3 * i], spec.palette[3 * i + 1], spec.palette[3 * i + 2],
                             alpha);
            }
            case 4: {
                const int g = to8(sample(x, y, 0));
                return qRgba(g, g, g, to8(sample(x, y, 1)));
            }
            default:
                return qRgba(to8(sample(x, y, 0)), to8(sample(x, y, 1)), to8(sample(x, y, 2)),
                             to8(sample(x, y, 3)));
        }
    });
    std::string name =
        "PNG type " + std::to_string(v.colorType) + " depth " + std::to_string(v.bitDepth);
    if (v.key) name += " tRNS";
    if (v.interlaced) name += " interlaced";
    if (v.gamma) name += " gAMA " + std::to_string(*v.gamma);
    return {name, Png(spec), expected};
}

TEST(DecoderAgreementTest, PngOfEveryTypeAndDepthGivesItsStoredSamplesOnBothComponents) {
    std::vector<PngVariant> variants;
    for (int depth : {1, 2, 4, 8, 16}) {
        variants.push_back({0, depth, false, false, {}});
        variants.push_back({0, depth, true, false, {}});
        if (depth <= 8) variants.push_back({3, depth, true, false, {}});
    }
    for (int depth : {8, 16}) {
        variants.push_back({2, depth, false, false, {}});
        variants.push_back({2, depth, true, false, {}});  // 16: mangled by Qt 6.4
        variants.push_back({4, depth, false, false, {}});
        variants.push_back({6, depth, false, false, {}});
        variants.push_back({6, depth, false, true, {}});
    }
    variants.push_back({2, 16, true, true, {}});
    variants.push_back({3, 8, false, true, {}});
    // Gamma is not applied: the stored samples come out, whatever gAMA says.
    variants.push_back({2, 8, false, false, 1 / 2.2});
    variants.push_back({0, 16, false, false, 1 / 2.2});
    variants.push_back({6, 16, false, false, 1.0});
    for (const PngVariant& v : variants) ExpectBothComponentsGive(MakePngCase(v));
}

TEST(DecoderAgreementTest, SixteenBitPngWithoutGammaIsNotTakenAsLinearLight) {
    // libpng's simplified reader brightens these: 32 x 257 would read 100.
    PngSpec spec;
    spec.width = 3, spec.bitDepth = 16, spec.colorType = 0;
    spec.samples = {32 * 257, 130 * 257, 65535};
    const QImage expected = Build(3, 1, [](int x, int) {
        const int g = std::array{32, 130, 255}[std::size_t(x)];
        return qRgb(g, g, g);
    });
    ExpectBothComponentsGive({"grey 16", Png(spec), expected});
}

// ---- Issue table: 16-bit colour keys, 16-bit BMP, CMYK TIFF --------------

TEST(UncommonEncodingTest, SixteenBitColourKeyMakesOnlyTheExactKeyTransparent) {
    // The key is white; 65534 and 65280 become 255 and 254 in eight bits but
    // are not the key, so they stay opaque.
    const std::vector<int> values = {65535, 65534, 65280, 0, 32768, 65535, 257, 65535};
    for (int colorType : {2, 0}) {
        PngSpec spec;
        spec.width = int(values.size()), spec.bitDepth = 16, spec.colorType = colorType;
        const int channels = colorType == 2 ? 3 : 1;
        for (std::size_t i = 0; i < values.size(); ++i)
            for (int c = 0; c < channels; ++c)
                // In colour, pixel 5 differs from the key in green only.
                spec.samples.push_back(i == 5 && c == 1 && channels == 3 ? 65534 : values[i]);
        spec.transparency = std::vector<int>(std::size_t(channels), 65535);
        const QImage expected = Build(spec.width, 1, [&](int x, int) {
            const int v = Round16(values[std::size_t(x)]);
            const bool differsInGreen = x == 5 && channels == 3;
            const bool key = values[std::size_t(x)] == 65535 && !differsInGreen;
            return qRgba(v, differsInGreen ? 255 : v, v, key ? 0 : 255);
        });
        ExpectBothComponentsGive(
            {colorType == 2 ? "RGB 16 keyed white" : "grey 16 keyed white", Png(spec), expected});
    }
}

struct BitFieldCase {
    const char* name;
    int headerSize, bitCount, compression;
    std::vector<std::uint32_t> masks;  // empty: 5-5-5
};

TEST(UncommonEncodingTest, SixteenBitBmpChannelsReachFullIntensity) {
    const BitFieldCase cases[] = {
        {"5-5-5 without masks", 40, 16, 0, {}},
        {"5-6-5 masks after the header", 40, 16, 3, {0xF800, 0x07E0, 0x001F}},
        {"5-5-5 masks in a V5 header", 124, 16, 3, {0x7C00, 0x03E0, 0x001F}},
        {"4-4-4-4 with alpha", 124, 16, 3, {0x0F00, 0x00F0, 0x000F, 0xF000}},
        {"10-10-10 in 32 bits", 108, 32, 3, {0x3FF00000, 0x000FFC00, 0x000003FF}},
    };
    for (const BitFieldCase& c : cases) {
        std::vector<std::uint32_t> masks = c.masks;
        if (masks.empty()) masks = {0x7C00, 0x03E0, 0x001F};
        // Every pixel puts the same value v into each channel; v runs from 0 to
        // full intensity.
        auto channelMax = [](std::uint32_t mask) { return int(mask >> std::countr_zero(mask)); };
        const int steps = 9;
        std::vector<std::uint32_t> pixels;
        for (int i = 0; i < steps; ++i) {
            std::uint32_t p = 0;
            for (std::uint32_t mask : masks) {
                const int max = channelMax(mask);
                p |= std::uint32_t(max * i / (steps - 1)) << std::countr_zero(mask);
            }
            pixels.push_back(p);
        }
        BmpSpec spec;
        spec.width = steps, spec.headerSize = c.headerSize, spec.bitCount = c.bitCount;
        spec.compression = c.compression, spec.masks = c.masks;
        std::vector<std::uint16_t> narrow(pixels.begin(), pixels.end());
        spec.pixelData = c.bitCount == 16 ? Pixels16(narrow) : Pixels32(pixels);
        const QImage expected = Build(steps, 1, [&](int x, int) {
            int channel[4] = {0, 0, 0, 255};
            for (std::size_t m = 0; m < masks.size(); ++m) {
                const int max = channelMax(masks[m]);
                channel[m] = Scale(max * x / (steps - 1), max);
            }
            return qRgba(channel[0], channel[1], channel[2], channel[3]);
        });
        ASSERT_EQ(qRed(expected.pixel(steps - 1, 0)), 255);
        const QByteArray file = Bmp(spec);
        ExpectBothComponentsGive({c.name, file, expected});
        // The clipboard's DIB reader (which gives opaque pixels) agrees.
        EXPECT_EQ(Difference(Opaque(ReadDib(file)), Opaque(expected)), "") << c.name << ", DIB";
    }
}

TEST(UncommonEncodingTest, CmykTiffIsConvertedExplicitlyWithRounding) {
    // Ink values as stored (0 = no ink); R = (255 - C)(255 - K) / 255 and likewise
    // G from M and B from Y, rounded. (libtiff's RGBA interface would truncate.)
    const int w = 16, h = 3;
    std::vector<std::uint8_t> inks;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c) inks.push_back(std::uint8_t(SampleAt(x, y, c, 255)));
    const QImage expected = Build(w, h, [&](int x, int y) {
        const std::uint8_t* p = inks.data() + 4 * (y * w + x);
        auto ink = [&](int c) { return int(std::lround((255 - p[c]) * (255 - p[3]) / 255.0)); };
        return qRgb(ink(0), ink(1), ink(2));
    });
    for (int compression : {1, 5}) {
        TiffSpec spec;
        spec.width = w, spec.height = h, spec.samplesPerPixel = 4, spec.photometric = 5;
        spec.compression = compression, spec.rows = inks;
        ExpectBothComponentsGive(
            {compression == 1 ? "CMYK uncompressed" : "CMYK LZW", Tiff(spec), expected});
    }
    // 16 bits a sample, as image editors write CMYK by default.
    std::vector<std::uint16_t> wide;
    for (std::uint8_t v : inks) wide.push_back(std::uint16_t(v * 257));
    TiffSpec spec;
    spec.width = w, spec.height = h, spec.samplesPerPixel = 4, spec.photometric = 5;
    spec.bitsPerSample = 16, spec.rows = Samples16(wide);
    ExpectBothComponentsGive({"CMYK 16-bit", Tiff(spec), expected});
}

// ---- BMP --------------------------------------------------------------

std::vector<std::uint8_t> Palette(int entries) {
    std::vector<std::uint8_t> table;
    for (int i = 0; i < entries; ++i)
        table.insert(table.end(),
                     {std::uint8_t(i * 3), std::uint8_t(255 - i), std::uint8_t(i * 7), 0});
    return table;
}

QRgb PaletteColour(const std::vector<std::uint8_t>& table, int index) {
    if (4 * std::size_t(index) >= table.size()) return qRgb(0, 0, 0);
    return qRgb(table[4 * index + 2], table[4 * index + 1], table[4 * index]);
}

TEST(DecoderAgreementTest, BmpOfEveryKindGivesTheSamePixelsOnBothComponents) {
    std::vector<Case> cases;
    const int w = 13, h = 5;
    for (int bits : {1, 4, 8}) {
        const int entries = bits == 8 ? 200 : 1 << bits;
        BmpSpec spec;
        spec.width = w, spec.height = h, spec.bitCount = bits, spec.palette = Palette(entries);
        std::vector<int> index(w * h);
        const std::size_t rowBytes = (std::size_t(w) * bits + 7) / 8;
        spec.pixelData.assign(rowBytes * h, 0);
        for (int row = 0; row < h; ++row)
            for (int x = 0; x < w; ++x) {
                const int i = SampleAt(x, row, 0, entries - 1);
                index[row * w + x] = i;
                const int bit = x * bits;
                spec.pixelData[row * rowBytes + bit / 8] |= std::uint8_t(i << (8 - bits - bit % 8));
            }
        // Stored bottom-up: stored row 0 is the last row of the picture.
        cases.push_back(
            {std::to_string(bits) + "-bit palette", Bmp(spec), Build(w, h, [&](int x, int y) {
                 return PaletteColour(spec.palette, index[(h - 1 - y) * w + x]);
             })});
    }
    {
        BmpSpec spec;
        spec.width = w, spec.height = -h, spec.bitCount = 24;  // top-down
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < 3; ++c)
                    spec.pixelData.push_back(std::uint8_t(SampleAt(x, y, c, 255)));
        cases.push_back({"24-bit top-down", Bmp(spec), Build(w, h, [&](int x, int y) {
                             const std::uint8_t* p = spec.pixelData.data() + 3 * (y * w + x);
                             return qRgb(p[2], p[1], p[0]);
                         })});
        spec.height = h, spec.headerSize = 124;
        cases.push_back({"24-bit V5 header", Bmp(spec), Build(w, h, [&](int x, int y) {
                             const std::uint8_t* p =
                                 spec.pixelData.data() + 3 * ((h - 1 - y) * w + x);
                             return qRgb(p[2], p[1], p[0]);
                         })});
    }
    {
        // 32 bits without bit fields: the fourth byte is padding, not alpha.
        BmpSpec spec;
        spec.width = w, spec.height = h, spec.bitCount = 32;
        std::vector<std::uint32_t> pixels;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                pixels.push_back(std::uint32_t(SampleAt(x, y, 0, 0x7FFFFFFF)) * 3);
        spec.pixelData = Pixels32(pixels);
        cases.push_back({"32-bit RGB", Bmp(spec), Build(w, h, [&](int x, int y) {
                             return 0xFF000000u | (pixels[(h - 1 - y) * w + x] & 0xFFFFFF);
                         })});
        spec.compression = 3, spec.headerSize = 124;
        spec.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
        cases.push_back({"32-bit with an alpha mask", Bmp(spec),
                         Build(w, h, [&](int x, int y) { return pixels[(h - 1 - y) * w + x]; })});
    }
    {
        // Run-length data: runs, literals, a delta that skips pixels (they keep
        // colour 0), end of line and end of bitmap; the rest of a row not
        // reached stays colour 0 as well.
        BmpSpec spec;
        spec.width = 8, spec.height = 4, spec.bitCount = 8, spec.compression = 1;
        spec.palette = Palette(16);
        spec.pixelData = {3, 5, 0, 3, 7, 8, 9, 0,  // row 0 (bottom): 5 5 5, literal 7 8 9 (padded)
                          2, 4, 0, 0,              // row 0 continues: 4 4, end of line
                          0, 2, 2, 1,              // delta: 2 right, 1 up
                          2, 6, 0, 0,              // row 2 from x 2: 6 6, end of line
                          8, 1, 0, 1};             // row 3: eight 1s, end of bitmap
        const int stored[4][8] = {{5, 5, 5, 7, 8, 9, 4, 4},
                                  {0, 0, 0, 0, 0, 0, 0, 0},
                                  {0, 0, 6, 6, 0, 0, 0, 0},
                                  {1, 1, 1, 1, 1, 1, 1, 1}};
        cases.push_back({"RLE8", Bmp(spec), Build(8, 4, [&](int x, int y) {
                             return PaletteColour(spec.palette, stored[3 - y][x]);
                         })});
        spec.compression = 2, spec.bitCount = 4;
        spec.pixelData = {5, 0x12, 0, 3, 0x34, 0x50, 0, 0,  // 1 2 1 2 1, literal 3 4 5
                          0, 1};
        const int stored4[8] = {1, 2, 1, 2, 1, 3, 4, 5};
        cases.push_back({"RLE4", Bmp(spec), Build(8, 4, [&](int x, int y) {
                             return PaletteColour(spec.palette, y == 3 ? stored4[x] : 0);
                         })});
    }
    {
        BmpSpec spec;
        spec.width = w, spec.height = h, spec.bitCount = 8, spec.headerSize = 12;
        spec.palette = Palette(256);
        for (int i = 0; i < w * h; ++i) spec.pixelData.push_back(std::uint8_t(i * 11));
        cases.push_back({"OS/2 core header", Bmp(spec), Build(w, h, [&](int x, int y) {
                             return PaletteColour(spec.palette, ((h - 1 - y) * w + x) * 11 % 256);
                         })});
    }
    {
        // Indices beyond a short colour table show opaque black, as GDI draws them.
        BmpSpec spec;
        spec.width = w, spec.height = h, spec.bitCount = 8, spec.palette = Palette(4);
        for (int i = 0; i < w * h; ++i) spec.pixelData.push_back(std::uint8_t(i % 9));
        cases.push_back(
            {"8-bit, indices beyond the table", Bmp(spec), Build(w, h, [&](int x, int y) {
                 return PaletteColour(spec.palette, ((h - 1 - y) * w + x) % 9);
             })});
    }
    for (const Case& c : cases) ExpectBothComponentsGive(c);
}

TEST(DecoderAgreementTest, BmpWhoseRowsOrRunsEndEarlyIsRefusedByBothComponents) {
    BmpSpec spec;
    spec.width = 8, spec.height = 4, spec.bitCount = 8, spec.compression = 1;
    spec.palette = Palette(16);
    spec.pixelData = {8, 1, 0, 0, 8, 2, 0, 0};  // two of four rows, no end of bitmap
    BmpSpec rgb;
    rgb.width = 30, rgb.height = 20, rgb.bitCount = 16, rgb.compression = 3;
    rgb.masks = {0xF800, 0x07E0, 0x001F};
    rgb.pixelData.assign(30 * 20 * 2, 0x55);
    const QByteArray cut = Bmp(rgb);
    for (const QByteArray& file : {Bmp(spec), cut.left(cut.size() / 2)})
        for (int useWic : {0, 1, 2}) EXPECT_FALSE(Decode(file, useWic)) << "UseWIC " << useWic;
}

// ---- GIF --------------------------------------------------------------

TEST(DecoderAgreementTest, GifFirstFrameOnItsScreenIsTheSameOnBothComponents) {
    const std::vector<int> colours = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    auto frame = [](int left, int top, int width, int height) {
        GifFrame f;
        f.left = left, f.top = top, f.width = width, f.height = height;
        for (int i = 0; i < width * height; ++i) f.indices.push_back(std::uint8_t(i * 7 % 4));
        return f;
    };
    auto colour = [&](const std::vector<int>& map, int i, int alpha = 255) {
        return qRgba(map[3 * i], map[3 * i + 1], map[3 * i + 2], alpha);
    };
    // The expected canvas: background (or the transparent colour at alpha 0),
    // then the frame's pixels except the transparent ones.
    auto expect = [&](const GifSpec& spec, int width, int height) {
        const GifFrame& f = spec.frames.front();
        const std::vector<int>& map = f.localColours.empty() ? spec.colours : f.localColours;
        const QRgb fill = f.transparentIndex >= 0 ? colour(map, f.transparentIndex, 0)
                                                  : colour(spec.colours, spec.background);
        return Build(width, height, [&, fill](int x, int y) {
            const int fx = x - f.left, fy = y - f.top;
            if (fx < 0 || fy < 0 || fx >= f.width || fy >= f.height) return fill;
            const int i = f.indices[std::size_t(fy * f.width + fx)];
            return i == f.transparentIndex ? fill : colour(map, i);
        });
    };
    std::vector<Case> cases;
    GifSpec whole{12, 9, 0, colours, {frame(0, 0, 12, 9)}};
    cases.push_back({"whole screen", Gif(whole), expect(whole, 12, 9)});
    GifSpec offset{12, 9, 3, colours, {frame(2, 3, 5, 4)}};
    cases.push_back({"offset frame on a white background", Gif(offset), expect(offset, 12, 9)});
    GifSpec clear = offset;
    clear.frames[0].transparentIndex = 1;
    cases.push_back({"offset frame with a transparent colour", Gif(clear), expect(clear, 12, 9)});
    GifSpec interlaced{7, 19, 0, colours, {frame(0, 0, 7, 19)}};
    interlaced.frames[0].interlaced = true;
    cases.push_back({"interlaced", Gif(interlaced), expect(interlaced, 7, 19)});
    GifSpec local = whole;
    local.frames[0].localColours = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
    cases.push_back({"local colour table", Gif(local), expect(local, 12, 9)});
    GifSpec animated = whole;
    animated.frames.push_back(frame(0, 0, 12, 9));
    for (auto& i : animated.frames[1].indices) i = 3;
    cases.push_back({"first of two frames", Gif(animated), expect(whole, 12, 9)});
    for (const Case& c : cases) ExpectBothComponentsGive(c);
}

// ---- TIFF -------------------------------------------------------------

struct TiffCase {
    std::string name;
    TiffSpec spec;
    std::function<QRgb(int, int)> pixel;  // none: only the two components are compared
};

TEST(DecoderAgreementTest, TiffOfEveryCommonLayoutIsTheSameOnBothComponents) {
    const int w = 21, h = 6;
    auto rows8 = [&](int channels) {
        std::vector<std::uint8_t> rows;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < channels; ++c)
                    rows.push_back(std::uint8_t(SampleAt(x, y, c, 255)));
        return rows;
    };
    auto rows16 = [&](int channels) {
        std::vector<std::uint16_t> samples;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < channels; ++c)
                    samples.push_back(std::uint16_t(SampleAt(x, y, c, 65535)));
        return samples;
    };
    auto s8 = [&](int x, int y, int c) { return SampleAt(x, y, c, 255); };
    auto s16 = [&](int x, int y, int c) { return Round16(SampleAt(x, y, c, 65535)); };
    auto spec = [&](int bits, int samples, int photometric, std::vector<std::uint8_t> rows) {
        TiffSpec s;
        s.width = w, s.height = h, s.bitsPerSample = bits, s.samplesPerPixel = samples;
        s.photometric = photometric, s.rows = std::move(rows);
        return s;
    };
    std::vector<TiffCase> cases;
    const auto rgb = [&](int x, int y) { return qRgb(s8(x, y, 0), s8(x, y, 1), s8(x, y, 2)); };
    for (int compression : {1, 5, 8}) {
        TiffSpec s = spec(8, 3, 2, rows8(3));
        s.compression = compression;
        cases.push_back({"RGB compression " + std::to_string(compression), s, rgb});
    }
    {
        TiffSpec s = spec(8, 3, 2, rows8(3));
        s.width = 40, s.height = 20, s.tileSize = 16;
        s.rows.clear();
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 40; ++x)
                for (int c = 0; c < 3; ++c) s.rows.push_back(std::uint8_t(SampleAt(x, y, c, 255)));
        cases.push_back({"RGB in tiles", s, [&](int x, int y) {
                             return qRgb(s8(x, y, 0), s8(x, y, 1), s8(x, y, 2));
                         }});
        TiffSpec g = s;
        g.bitsPerSample = 16, g.samplesPerPixel = 1, g.photometric = 1;
        std::vector<std::uint16_t> grey;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 40; ++x) grey.push_back(std::uint16_t(SampleAt(x, y, 0, 65535)));
        g.rows = Samples16(grey);
        cases.push_back({"grey 16 in tiles", g, [&](int x, int y) {
                             const int v = s16(x, y, 0);
                             return qRgb(v, v, v);
                         }});
    }
    cases.push_back({"grey 8", spec(8, 1, 1, rows8(1)),
                     [&](int x, int y) { return qRgb(s8(x, y, 0), s8(x, y, 0), s8(x, y, 0)); }});
    cases.push_back({"grey 8 min-is-white", spec(8, 1, 0, rows8(1)), [&](int x, int y) {
                         const int v = 255 - s8(x, y, 0);
                         return qRgb(v, v, v);
                     }});
    cases.push_back({"grey 16", spec(16, 1, 1, Samples16(rows16(1))),
                     [&](int x, int y) { return qRgb(s16(x, y, 0), s16(x, y, 0), s16(x, y, 0)); }});
    cases.push_back({"RGB 16", spec(16, 3, 2, Samples16(rows16(3))),
                     [&](int x, int y) { return qRgb(s16(x, y, 0), s16(x, y, 1), s16(x, y, 2)); }});
    {
        TiffSpec s = spec(16, 4, 2, Samples16(rows16(4)));
        s.extraSamples = {2};  // unassociated alpha: taken as stored
        cases.push_back({"RGBA 16", s, [&](int x, int y) {
                             return qRgba(s16(x, y, 0), s16(x, y, 1), s16(x, y, 2), s16(x, y, 3));
                         }});
    }
    for (std::uint16_t extra : {1, 2}) {  // associated and unassociated alpha, 8 bits
        TiffSpec s = spec(8, 4, 2, rows8(4));
        s.extraSamples = {extra};
        cases.push_back({"RGBA 8 extra sample " + std::to_string(extra), s, nullptr});
    }
    for (int photometric : {0, 1}) {
        std::vector<std::uint8_t> bits;
        const int rowBytes = (w + 7) / 8;
        for (int y = 0; y < h; ++y)
            for (int i = 0; i < rowBytes; ++i) bits.push_back(std::uint8_t(SampleAt(i, y, 0, 255)));
        cases.push_back({"bilevel photometric " + std::to_string(photometric),
                         spec(1, 1, photometric, bits), [=](int x, int y) {
                             const bool set =
                                 (bits[std::size_t(y * rowBytes + x / 8)] >> (7 - x % 8)) & 1;
                             return set == (photometric == 1) ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
                         }});
    }
    for (int bits : {8, 4}) {
        const int entries = 1 << bits;
        TiffSpec s = spec(bits, 1, 3, {});
        for (int c = 0; c < 3; ++c)
            for (int i = 0; i < entries; ++i)
                s.colorMap.push_back(std::uint16_t(((i * (c + 3) * 29) % 256) * 257));
        const int rowBytes = (w * bits + 7) / 8;
        for (int y = 0; y < h; ++y)
            for (int i = 0; i < rowBytes; ++i)
                s.rows.push_back(std::uint8_t(SampleAt(i, y, 0, 255)));
        const std::vector<std::uint8_t> stored = s.rows;
        const std::vector<std::uint16_t> map = s.colorMap;
        cases.push_back(
            {"palette " + std::to_string(bits), s, [=](int x, int y) {
                 const std::uint8_t byte = stored[std::size_t(y * rowBytes + x * bits / 8)];
                 const int i = bits == 8 ? byte : (x % 2 ? byte & 15 : byte >> 4);
                 return qRgb(map[i] >> 8, map[entries + i] >> 8, map[2 * entries + i] >> 8);
             }});
    }
    for (TiffCase& c : cases) {
        const QByteArray file = Tiff(c.spec);
        const HolderPtr second = Decode(file, 2);
        ASSERT_TRUE(second) << c.name;
        const HolderPtr first = Decode(file, 0);
        ASSERT_TRUE(first) << c.name;
        EXPECT_EQ(Difference(second->Image(), first->Image()), "") << c.name;
        if (c.pixel) {
            EXPECT_EQ(Difference(second->Image(), Build(c.spec.width, c.spec.height, c.pixel)), "")
                << c.name;
        }
    }
}

TEST(DecoderAgreementTest, TiffOrientationTurnsThePageOnBothComponents) {
    using Fixtures::Quadrants;
    const QImage stored = Quadrants(24, 12);
    for (int orientation : {1, 2, 3, 6, 8}) {
        TiffSpec spec;
        spec.width = 24, spec.height = 12, spec.orientation = orientation;
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 24; ++x) {
                const QRgb p = stored.pixel(x, y);
                spec.rows.insert(spec.rows.end(), {std::uint8_t(qRed(p)), std::uint8_t(qGreen(p)),
                                                   std::uint8_t(qBlue(p))});
            }
        QImage upright = stored;
        ApplyExifOrientation(upright, orientation);
        for (int useWic : {0, 2}) {
            const HolderPtr image = Decode(Tiff(spec), useWic);
            ASSERT_TRUE(image) << orientation;
            EXPECT_EQ(Difference(image->Image(), upright), "")
                << "orientation " << orientation << ", UseWIC " << useWic;
        }
    }
}
}  // namespace
