#pragma once

#include <QByteArray>
#include <cstdint>
#include <optional>
#include <vector>

// Writers for files with exactly the encoding a test is about, through the
// format's own library (libpng, libtiff, giflib) or byte by byte (BMP), so
// that no fixture depends on what another program happens to write.
namespace FormatWriters {

// A PNG of any colour type and bit depth. Samples are given per pixel and
// channel at the stored depth (1, 2 or 4 channels for grey, grey + alpha,
// palette index; 3 or 4 for RGB, RGBA).
struct PngSpec {
    int width = 1, height = 1;
    int bitDepth = 8;
    int colorType = 2;  // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA
    std::vector<int> samples;
    std::vector<int> palette;       // r, g, b per entry, for colour type 3
    std::vector<int> transparency;  // tRNS: the key (grey or r, g, b) or alpha per palette entry
    std::optional<double> gamma;    // gAMA
    bool interlaced = false;
    // pHYs in dots per metre (unit 1).
    std::optional<std::pair<int, int>> dotsPerMetre;
    bool brokenTextChunk = false;  // a tEXt chunk whose CRC is wrong (a libpng warning)
    QByteArray iccProfile;         // iCCP
    QByteArray exif;               // eXIf: a TIFF structure
};
QByteArray Png(const PngSpec& spec);

// A TIFF written by libtiff. Rows are packed as stored, 16-bit samples in the
// host's byte order.
struct TiffSpec {
    int width = 1, height = 1;
    int bitsPerSample = 8;
    int samplesPerPixel = 3;
    int photometric = 2;  // 0 min-is-white, 1 min-is-black, 2 RGB, 3 palette, 5 separated
    int compression = 1;  // 1 none, 5 LZW, 8 deflate
    std::vector<std::uint8_t> rows;
    std::vector<std::uint16_t> colorMap;  // red, green, blue tables for palette data
    std::vector<std::uint16_t> extraSamples;
    int orientation = 0;  // 0: no tag
    int tileSize = 0;     // 0: strips
    std::optional<std::pair<double, double>> resolution;
    int resolutionUnit = 0;   // 0: no tag
    bool unknownTag = false;  // a private tag no reader knows (a libtiff warning)
    QByteArray iccProfile;    // InterColorProfile
};
QByteArray Tiff(const TiffSpec& spec);
// 16-bit samples as the bytes of a row in the host's order.
std::vector<std::uint8_t> Samples16(const std::vector<std::uint16_t>& samples);

// A GIF through giflib: a logical screen with a global colour table and one
// or more frames.
struct GifFrame {
    int left = 0, top = 0, width = 1, height = 1;
    std::vector<std::uint8_t> indices;
    std::vector<int> localColours;  // r, g, b per entry; empty: the global table
    int transparentIndex = -1;
    bool interlaced = false;
};
struct GifSpec {
    int screenWidth = 1, screenHeight = 1;
    int background = 0;
    std::vector<int> colours;  // r, g, b per entry, 2^n entries
    std::vector<GifFrame> frames;
};
QByteArray Gif(const GifSpec& spec);

// A BMP built byte by byte: the given header size (12, 40, 52, 56, 108, 124),
// bit count, compression and masks; rows bottom-up as stored, padded here.
struct BmpSpec {
    int width = 1, height = 1;  // a negative height stores the rows top-down
    int headerSize = 40;
    int bitCount = 24;
    int compression = 0;  // 0 RGB, 1 RLE8, 2 RLE4, 3 bit fields, 6 bit fields with alpha
    std::vector<std::uint32_t> masks;     // red, green, blue (, alpha)
    std::vector<std::uint8_t> palette;    // b, g, r, 0 per entry
    std::vector<std::uint8_t> pixelData;  // the rows (unpadded) or the RLE stream
    int dotsPerMetreX = 0, dotsPerMetreY = 0;
};
QByteArray Bmp(const BmpSpec& spec);
// 16- and 32-bit pixels as the bytes of a row.
std::vector<std::uint8_t> Pixels16(const std::vector<std::uint16_t>& pixels);
std::vector<std::uint8_t> Pixels32(const std::vector<std::uint32_t>& pixels);

}  // namespace FormatWriters
