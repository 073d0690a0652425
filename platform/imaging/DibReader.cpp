#include "DibReader.h"

#include <algorithm>
#include <bit>
#include <cstdint>

#include "ImageAllocation.h"
#include "ImageLimits.h"

namespace {
constexpr std::uint32_t kRgb = 0, kBitFields = 3;
constexpr std::uint32_t kHeaderWithMasks = 52;

class Bytes {
public:
    explicit Bytes(QByteArrayView block)
        : m_data(reinterpret_cast<const std::uint8_t*>(block.data())), m_size(block.size()) {}
    qsizetype Size() const { return m_size; }
    std::uint32_t U32(qsizetype at) const {
        return std::uint32_t(m_data[at]) | std::uint32_t(m_data[at + 1]) << 8 |
               std::uint32_t(m_data[at + 2]) << 16 | std::uint32_t(m_data[at + 3]) << 24;
    }
    std::uint16_t U16(qsizetype at) const {
        return std::uint16_t(m_data[at] | m_data[at + 1] << 8);
    }
    const std::uint8_t* At(qsizetype at) const { return m_data + at; }

private:
    const std::uint8_t* m_data;
    qsizetype m_size;
};

// One channel through a bit-field mask, scaled to 8 bits.
struct Channel {
    int shift = 0;
    int bits = 0;
    std::uint32_t mask = 0;

    static Channel From(std::uint32_t mask) {
        Channel c;
        c.mask = mask;
        if (mask == 0) return c;
        c.shift = std::countr_zero(mask);
        c.bits = std::popcount(mask);
        return c;
    }
    // Masks must be contiguous runs of bits.
    bool Valid() const {
        return mask == 0 || (bits <= 16 && ((mask >> shift) & ((mask >> shift) + 1)) == 0);
    }
    std::uint8_t Read(std::uint32_t pixel) const {
        if (bits == 0) return 0;
        const std::uint32_t value = (pixel & mask) >> shift;
        const std::uint32_t top = (std::uint32_t(1) << bits) - 1;
        return std::uint8_t((value * 255 + top / 2) / top);
    }
};
}  // namespace

QImage ReadDib(QByteArrayView block) {
    // A BMP file header in front ("BM", size, reserved, pixel offset) is
    // skipped; its offset, when it has one, says where the pixel rows start.
    std::int64_t fileBitsAt = -1;
    if (block.size() >= 14 && block[0] == 'B' && block[1] == 'M') {
        fileBitsAt = std::int64_t(Bytes(block).U32(10)) - 14;
        block = block.sliced(14);
    }
    const Bytes in(block);
    if (in.Size() < 40) return {};
    const std::uint32_t headerSize = in.U32(0);
    if (headerSize < 40 || headerSize > 1024 || headerSize > std::uint64_t(in.Size())) return {};
    const std::int64_t width = std::int32_t(in.U32(4));
    const std::int64_t signedHeight = std::int32_t(in.U32(8));
    const int planes = in.U16(12);
    const int bitCount = in.U16(14);
    const std::uint32_t compression = in.U32(16);
    const std::uint32_t usedColours = in.U32(32);
    const std::int64_t height = signedHeight < 0 ? -signedHeight : signedHeight;
    if (planes != 1 || !ImageSizeAcceptable(width, height)) return {};
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
        bitCount != 32)
        return {};
    if (compression != kRgb && !(compression == kBitFields && (bitCount == 16 || bitCount == 32)))
        return {};
    if (usedColours > 256 && bitCount <= 8) return {};
    if (usedColours > 4096) return {};

    // A header of 52 bytes and more has room for the three masks itself, and
    // real data keeps them there; a shorter one is followed by them.
    const bool masksInHeader = headerSize >= kHeaderWithMasks;
    std::int64_t entries = 0;
    switch (bitCount) {
        case 1:
            entries = 2;
            break;
        case 4:
            entries = usedColours ? usedColours : 16;
            break;
        case 8:
            entries = usedColours ? usedColours : 256;
            break;
        case 16:
        case 32:
            entries = compression == kBitFields && !masksInHeader ? 3 + usedColours : usedColours;
            break;
        default:
            entries = usedColours;
            break;
    }
    const std::int64_t tableAt = headerSize;
    std::int64_t bitsAt = tableAt + 4 * entries;
    const std::int64_t masksEnd = compression == kBitFields && !masksInHeader ? tableAt + 12 : 0;
    if (fileBitsAt >= 0) {
        // The file header's offset wins: writers leave gaps, or write fewer
        // colours than the bit count allows. It may not point into the header
        // or the masks.
        if (fileBitsAt < tableAt || fileBitsAt < masksEnd) return {};
        bitsAt = fileBitsAt;
    }
    const std::int64_t stride = ((width * bitCount + 31) / 32) * 4;
    if (bitsAt > in.Size() || stride * height > in.Size() - bitsAt) return {};

    Channel red, green, blue;
    if (compression == kBitFields) {
        const std::int64_t masksAt = masksInHeader ? 40 : tableAt;
        red = Channel::From(in.U32(masksAt));
        green = Channel::From(in.U32(masksAt + 4));
        blue = Channel::From(in.U32(masksAt + 8));
        if (!red.Valid() || !green.Valid() || !blue.Valid()) return {};
    } else if (bitCount == 16) {
        red = Channel::From(0x7C00), green = Channel::From(0x03E0), blue = Channel::From(0x001F);
    } else if (bitCount == 32) {
        red = Channel::From(0x00FF0000), green = Channel::From(0x0000FF00),
        blue = Channel::From(0x000000FF);
    }
    // Only the colours before the pixel rows are read; indices beyond them are black.
    const int paletteSize =
        bitCount <= 8 ? int(std::min<std::int64_t>(entries, (bitsAt - tableAt) / 4)) : 0;
    QRgb palette[256] = {};
    for (int i = 0; i < paletteSize; ++i) {
        const std::uint8_t* e = in.At(tableAt + 4 * i);
        palette[i] = qRgb(e[2], e[1], e[0]);
    }

    QImage image = AllocateLargeImage(int(width), int(height), QImage::Format_ARGB32);
    if (image.isNull()) return {};
    for (std::int64_t row = 0; row < height; ++row) {
        // Bottom-up unless the height is negative.
        const std::int64_t sourceRow = signedHeight > 0 ? height - 1 - row : row;
        const std::uint8_t* bits = in.At(bitsAt + sourceRow * stride);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(int(row)));
        for (std::int64_t x = 0; x < width; ++x) {
            QRgb colour = 0;
            switch (bitCount) {
                case 1:
                case 4:
                case 8: {
                    const std::int64_t bit = x * bitCount;
                    const int shift = 8 - bitCount - int(bit % 8);
                    const int index = (bits[bit / 8] >> shift) & ((1 << bitCount) - 1);
                    // An index beyond the table shows black, as GDI draws it.
                    colour = index < paletteSize ? palette[index] : qRgb(0, 0, 0);
                    break;
                }
                case 24:
                    colour = qRgb(bits[x * 3 + 2], bits[x * 3 + 1], bits[x * 3]);
                    break;
                case 16: {
                    const std::uint32_t p = std::uint32_t(bits[x * 2] | bits[x * 2 + 1] << 8);
                    colour = qRgb(red.Read(p), green.Read(p), blue.Read(p));
                    break;
                }
                case 32: {
                    const std::uint8_t* b = bits + x * 4;
                    const std::uint32_t p = std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 |
                                            std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
                    colour = qRgb(red.Read(p), green.Read(p), blue.Read(p));
                    break;
                }
            }
            out[x] = colour;
        }
    }
    return image;
}
