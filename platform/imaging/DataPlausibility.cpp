#include "DataPlausibility.h"

#include <algorithm>
#include <cstring>

#include "ImageLimits.h"
#include "JpegStructure.h"
#include "TiffDirectory.h"

namespace {
std::uint32_t BigEndian32(const unsigned char* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}
std::uint32_t LittleEndian16(const unsigned char* p) { return std::uint32_t(p[0] | p[1] << 8); }
std::uint32_t LittleEndian32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

// A deflate stream turns at best 2 bits into a 258-byte match.
constexpr std::int64_t kDeflateRatio = 1032;
// An LZW code of at least 3 bits stands for at most 4096 pixels.
constexpr std::int64_t kLzwPixelsPerByte = 4096 * 8 / 3;

bool PngPlausible(QByteArrayView bytes) {
    const PngStructure png = InspectPng(bytes);
    if (!png.valid) return true;
    static constexpr int kChannels[] = {1, 0, 3, 1, 2, 0, 4};
    const int channels = png.colorType >= 0 && png.colorType <= 6 ? kChannels[png.colorType] : 0;
    if (channels == 0 || png.bitDepth <= 0 || png.bitDepth > 16) return true;
    if (!ImageSizeAcceptable(png.width, png.height)) return true;  // the decoder refuses it
    const std::int64_t rowBytes = (png.width * channels * png.bitDepth + 7) / 8 + 1;
    return png.imageDataBytes >= rowBytes * png.height / kDeflateRatio;
}

// The logical screen, and the first frame with its LZW data.
bool GifPlausible(QByteArrayView bytes) {
    const auto* d = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype size = bytes.size();
    if (size < 13) return true;
    const std::int64_t screenWidth = LittleEndian16(d + 6), screenHeight = LittleEndian16(d + 8);
    qsizetype pos = 13;
    if (d[10] & 0x80) pos += 3 * (qsizetype(2) << (d[10] & 7));
    auto skipSubBlocks = [&](std::int64_t* total) {
        while (pos < size) {
            const int length = d[pos++];
            if (length == 0) return;
            if (total) *total += std::min<qsizetype>(length, size - pos);
            pos += length;
        }
    };
    while (pos < size) {
        const unsigned char introducer = d[pos++];
        if (introducer == 0x21) {  // extension: label, then sub-blocks
            ++pos;
            skipSubBlocks(nullptr);
        } else if (introducer == 0x2C) {  // the first frame
            if (pos + 9 > size) return true;
            const std::int64_t left = LittleEndian16(d + pos), top = LittleEndian16(d + pos + 2);
            const std::int64_t frameWidth = LittleEndian16(d + pos + 4),
                               frameHeight = LittleEndian16(d + pos + 6);
            const std::int64_t frame = frameWidth * frameHeight;
            // Decoders grow the canvas to a frame that reaches beyond the
            // screen (or stands in for a screen of no width or height).
            const std::int64_t screen = std::max(screenWidth, left + frameWidth) *
                                        std::max(screenHeight, top + frameHeight);
            const unsigned char flags = d[pos + 8];
            pos += 9;
            if (flags & 0x80) pos += 3 * (qsizetype(2) << (flags & 7));
            ++pos;  // LZW minimum code size
            std::int64_t data = 0;
            skipSubBlocks(&data);
            if (data * kLzwPixelsPerByte < frame) return false;
            // Everything outside the first frame is background: a canvas of
            // tens of megapixels around a frame a sixteenth its size is not a
            // picture anybody drew.
            constexpr std::int64_t kLargeCanvas = std::int64_t(16) << 20;
            return !(screen > kLargeCanvas && frame * 16 < screen);
        } else {
            return true;  // trailer or damage: the decoder decides
        }
    }
    return true;
}

bool TiffPlausible(QByteArrayView bytes) {
    const auto ifd = TiffDirectory::ReadFirst(bytes);
    if (!ifd) return true;
    const auto width = ifd->Number(TiffTag::kImageWidth);
    const auto height = ifd->Number(TiffTag::kImageLength);
    if (!width || !height) return true;
    const std::uint64_t bits = ifd->Number(TiffTag::kBitsPerSample).value_or(1);
    const std::uint64_t samples = ifd->Number(TiffTag::kSamplesPerPixel).value_or(1);
    std::int64_t ratio = 0;
    switch (ifd->Number(TiffTag::kCompression).value_or(1)) {
        case 1:
            ratio = 2;
            break;  // none (with room for a short last strip)
        case 32773:
            ratio = 64;
            break;  // PackBits: 2 bytes for a run of 128
        case 5:
            ratio = 4096;
            break;  // LZW: a 9-bit code for at most 4096 bytes
        case 8:
        case 32946:
            ratio = kDeflateRatio;
            break;
        default:
            return true;  // fax, JPEG and the rest: left to libtiff
    }
    if (!ImageSizeAcceptable(std::int64_t(std::min<std::uint64_t>(*width, kMaxImageSide + 1)),
                             std::int64_t(std::min<std::uint64_t>(*height, kMaxImageSide + 1))) ||
        bits > 64 || samples > 64)
        return true;  // beyond the size limit: the decoder refuses it
    const std::int64_t rowBytes = (std::int64_t(*width) * samples * bits + 7) / 8;
    const std::int64_t raw = rowBytes * std::int64_t(*height);
    auto stored = ifd->Sum(TiffTag::kStripByteCounts);
    if (!stored) stored = ifd->Sum(TiffTag::kTileByteCounts);
    if (!stored) return true;
    const std::int64_t data = std::int64_t(std::min<std::uint64_t>(*stored, bytes.size()));
    return data >= raw / ratio;
}

// Uncompressed rows are held against the file by BmpPixelDataComplete; run-length
// data can skip 255 x 255 pixels in four bytes.
bool BmpPlausible(QByteArrayView bytes) {
    const auto* d = reinterpret_cast<const unsigned char*>(bytes.data());
    if (bytes.size() < 34 || LittleEndian32(d + 14) < 40) return true;
    const std::uint32_t compression = LittleEndian32(d + 30);
    if (compression != 1 && compression != 2) return true;
    const std::int64_t width = std::abs(std::int64_t(std::int32_t(LittleEndian32(d + 18))));
    const std::int64_t height = std::abs(std::int64_t(std::int32_t(LittleEndian32(d + 22))));
    const std::int64_t data =
        bytes.size() - std::min<std::int64_t>(LittleEndian32(d + 10), bytes.size());
    return data * 16256 >= width * height;
}
}  // namespace

PngStructure InspectPng(QByteArrayView bytes) {
    PngStructure png;
    const auto* d = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype size = bytes.size();
    if (size < 33 || std::memcmp(d, "\x89PNG\r\n\x1A\n", 8) != 0 ||
        std::memcmp(d + 12, "IHDR", 4) != 0 || BigEndian32(d + 8) < 13)
        return png;
    png.valid = true;
    png.width = BigEndian32(d + 16);
    png.height = BigEndian32(d + 20);
    png.bitDepth = d[24];
    png.colorType = d[25];
    png.interlaced = d[28] != 0;
    bool imageDataSeen = false;
    qsizetype pos = 8;
    while (pos + 8 <= size) {
        const std::int64_t length = BigEndian32(d + pos);
        const unsigned char* type = d + pos + 4;
        if (std::memcmp(type, "IDAT", 4) == 0) {
            imageDataSeen = true;
            png.imageDataBytes += std::min<std::int64_t>(length, size - pos - 8);
        } else if (std::memcmp(type, "pHYs", 4) == 0 && !imageDataSeen && length == 9 &&
                   pos + 17 <= size) {
            png.resolutionInMetres =
                d[pos + 16] == 1 && BigEndian32(d + pos + 8) > 0 && BigEndian32(d + pos + 12) > 0;
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            break;
        }
        pos += 12 + length;
    }
    return png;
}

bool ImageDataPlausible(ContainerFormat container, QByteArrayView bytes) {
    switch (container) {
        case ContainerFormat::Jpeg:
            return JpegDataPlausible(InspectJpeg(bytes));
        case ContainerFormat::Png:
            return PngPlausible(bytes);
        case ContainerFormat::Gif:
            return GifPlausible(bytes);
        case ContainerFormat::Tiff:
            return TiffPlausible(bytes);
        case ContainerFormat::Bmp:
            return BmpPlausible(bytes);
        default:
            return true;
    }
}
