// BMP files of every common kind: the OS/2 core header and the Windows
// headers of 40 to 124 bytes; 1, 4 and 8 bits through a colour table,
// run-length coded 4 and 8 bits, 24 bits, and 16 and 32 bits with or without
// bit-field masks. Bit-field channels are scaled to the full range
// (BitFieldChannel). The data is not trusted: the header, the colour table and
// every row are checked against the file before anything is read, and a file
// whose rows end early is refused rather than padded.

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "BitFieldChannel.h"
#include "CodecDecoders.h"
#include "ImageLimits.h"
#include "Resolution.h"

namespace {
constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;

class Reader {
public:
    explicit Reader(QByteArrayView bytes)
        : m_data(reinterpret_cast<const std::uint8_t*>(bytes.data())), m_size(bytes.size()) {}
    qsizetype Size() const { return m_size; }
    bool Has(qsizetype at, qsizetype count) const {
        return at >= 0 && count >= 0 && at <= m_size && count <= m_size - at;
    }
    std::uint32_t U16(qsizetype at) const {
        return std::uint32_t(m_data[at] | m_data[at + 1] << 8);
    }
    std::uint32_t U32(qsizetype at) const {
        return std::uint32_t(m_data[at]) | std::uint32_t(m_data[at + 1]) << 8 |
               std::uint32_t(m_data[at + 2]) << 16 | std::uint32_t(m_data[at + 3]) << 24;
    }
    const std::uint8_t* At(qsizetype at) const { return m_data + at; }

private:
    const std::uint8_t* m_data;
    qsizetype m_size;
};

struct Header {
    std::int64_t width = 0, height = 0;  // height positive; topDown says the order
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t dotsPerMetreX = 0, dotsPerMetreY = 0;
    std::int64_t colours = 0;
    int paletteEntrySize = 4;
    qsizetype paletteAt = 0;
    qsizetype pixelsAt = 0;
    BitFieldChannel red, green, blue, alpha;
};

bool ReadHeader(const Reader& in, Header* h) {
    if (!in.Has(0, 18) || in.At(0)[0] != 'B' || in.At(0)[1] != 'M') return false;
    const std::uint32_t dataOffset = in.U32(10);
    const std::uint32_t headerSize = in.U32(14);
    if (headerSize != 12 && (headerSize < 40 || headerSize > 1024)) return false;
    if (!in.Has(14, headerSize)) return false;
    qsizetype tableAt = 14 + headerSize;
    std::uint32_t usedColours = 0;
    if (headerSize == 12) {  // OS/2 core header: 16-bit sizes, 3-byte table entries
        h->width = in.U16(18);
        h->height = in.U16(20);
        if (in.U16(22) != 1) return false;
        h->bitCount = int(in.U16(24));
        h->paletteEntrySize = 3;
    } else {
        h->width = std::int32_t(in.U32(18));
        const std::int64_t height = std::int32_t(in.U32(22));
        h->topDown = height < 0;
        h->height = height < 0 ? -height : height;
        if (in.U16(26) != 1) return false;
        h->bitCount = int(in.U16(28));
        h->compression = in.U32(30);
        h->dotsPerMetreX = in.U32(38);
        h->dotsPerMetreY = in.U32(42);
        usedColours = in.U32(46);
    }
    if (!ImageSizeAcceptable(h->width, h->height)) return false;
    switch (h->bitCount) {
        case 1:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            break;
        default:
            return false;
    }
    const bool bitFields = h->compression == kBitFields || h->compression == kAlphaBitFields;
    switch (h->compression) {
        case kRgb:
            break;
        case kRle8:
            if (h->bitCount != 8 || h->topDown) return false;
            break;
        case kRle4:
            if (h->bitCount != 4 || h->topDown) return false;
            break;
        case kBitFields:
        case kAlphaBitFields:
            if (h->bitCount != 16 && h->bitCount != 32) return false;
            break;
        default:
            return false;
    }

    if (bitFields) {
        // The masks sit inside a header large enough to hold them (52 bytes for
        // three, 56 for four), else right after it.
        const int maskCount = h->compression == kAlphaBitFields ? 4 : 3;
        qsizetype masksAt = 54;
        if (headerSize < 40u + 4u * maskCount) {
            masksAt = tableAt;
            tableAt += 4 * maskCount;
        }
        if (!in.Has(masksAt, 4 * maskCount)) return false;
        h->red = BitFieldChannel::FromMask(in.U32(masksAt));
        h->green = BitFieldChannel::FromMask(in.U32(masksAt + 4));
        h->blue = BitFieldChannel::FromMask(in.U32(masksAt + 8));
        if (maskCount == 4 || headerSize >= 56)
            h->alpha = BitFieldChannel::FromMask(in.U32(masksAt + 12));
        for (const BitFieldChannel* c : {&h->red, &h->green, &h->blue, &h->alpha})
            if (!c->Valid()) return false;
    } else if (h->bitCount == 16) {
        h->red = BitFieldChannel::FromMask(0x7C00);
        h->green = BitFieldChannel::FromMask(0x03E0);
        h->blue = BitFieldChannel::FromMask(0x001F);
    } else if (h->bitCount == 32) {
        h->red = BitFieldChannel::FromMask(0x00FF0000);
        h->green = BitFieldChannel::FromMask(0x0000FF00);
        h->blue = BitFieldChannel::FromMask(0x000000FF);
    }

    if (h->bitCount <= 8) {
        const std::int64_t full = std::int64_t(1) << h->bitCount;
        // A count beyond what the bit count can index is taken as the full table.
        h->colours = usedColours && usedColours < full ? usedColours : full;
    }
    h->paletteAt = tableAt;
    if (!in.Has(tableAt, h->colours * h->paletteEntrySize)) return false;
    // The pixel offset of the file header, when it points past the colour table;
    // some writers leave it 0 or wrong, and the rows then follow the table
    // (which 16- to 32-bit files may carry as a hint for displays, unused here).
    const std::int64_t entries =
        h->bitCount <= 8 ? h->colours : std::min<std::uint32_t>(usedColours, 4096);
    const qsizetype afterTable = tableAt + qsizetype(entries) * h->paletteEntrySize;
    h->pixelsAt =
        dataOffset >= afterTable && dataOffset <= in.Size() ? qsizetype(dataOffset) : afterTable;
    return true;
}

// Run-length coded rows, bottom-up, into an index per pixel. Pixels the data
// skips (delta and end-of-line codes) keep index 0. False when the data ends
// before its end-of-bitmap code.
bool DecodeRunLength(const Reader& in, const Header& h, std::vector<std::uint8_t>* indices) {
    const bool four = h.compression == kRle4;
    indices->assign(std::size_t(h.width) * std::size_t(h.height), 0);
    std::int64_t x = 0, row = 0;  // row counts from the bottom
    qsizetype pos = h.pixelsAt;
    auto put = [&](std::uint8_t index) {
        if (x < h.width && row < h.height)
            (*indices)[std::size_t(h.height - 1 - row) * std::size_t(h.width) + std::size_t(x)] =
                index;
        ++x;
    };
    while (in.Has(pos, 2)) {
        const std::uint8_t count = in.At(pos)[0], value = in.At(pos)[1];
        pos += 2;
        if (count > 0) {  // a run
            for (int i = 0; i < count; ++i)
                put(four ? std::uint8_t(i % 2 ? value & 15 : value >> 4) : value);
            continue;
        }
        if (value == 0) {  // end of line
            x = 0;
            ++row;
        } else if (value == 1) {  // end of bitmap
            return true;
        } else if (value == 2) {  // delta
            if (!in.Has(pos, 2)) return false;
            x += in.At(pos)[0];
            row += in.At(pos)[1];
            pos += 2;
        } else {  // literal pixels, padded to a whole number of 16-bit words
            const qsizetype bytes = four ? (value + 1) / 2 : value;
            const qsizetype padded = (bytes + 1) / 2 * 2;
            if (!in.Has(pos, padded)) return false;
            for (int i = 0; i < value; ++i) {
                const std::uint8_t b = in.At(pos)[four ? i / 2 : i];
                put(four ? std::uint8_t(i % 2 ? b & 15 : b >> 4) : b);
            }
            pos += padded;
        }
        if (row >= h.height) return true;
    }
    // Data that ends without its end-of-bitmap code is whole only when the last
    // row is complete.
    return row == h.height - 1 && x >= h.width;
}

// A table from channel values to 0-255, for the bit-field formats.
std::vector<std::uint8_t> ScaleTable(const BitFieldChannel& c) {
    std::vector<std::uint8_t> table(std::size_t(c.Max()) + 1);
    for (std::uint32_t v = 0; v <= c.Max(); ++v) table[v] = BitFieldChannel::Scale(v, c.Max());
    return table;
}

std::uint8_t Scaled(const BitFieldChannel& c, const std::vector<std::uint8_t>& table,
                    std::uint32_t pixel) {
    if (!c.Present()) return 0;
    const std::uint32_t value = (pixel & c.mask) >> c.shift;
    return table.empty() ? BitFieldChannel::Scale(value, c.Max()) : table[value];
}
}  // namespace

std::optional<DecodedImage> DecodeBmp(QByteArrayView bytes) {
    const Reader in(bytes);
    Header h;
    if (!ReadHeader(in, &h)) return std::nullopt;

    std::array<QRgb, 256> palette{};
    palette.fill(qRgb(0, 0, 0));  // an index beyond the table shows black
    for (std::int64_t i = 0; i < h.colours; ++i) {
        const std::uint8_t* e = in.At(h.paletteAt + qsizetype(i) * h.paletteEntrySize);
        palette[std::size_t(i)] = qRgb(e[2], e[1], e[0]);
    }

    const bool runLength = h.compression == kRle8 || h.compression == kRle4;
    const std::int64_t stride = ((h.width * h.bitCount + 31) / 32) * 4;
    std::vector<std::uint8_t> indices;
    if (runLength) {
        if (!DecodeRunLength(in, h, &indices)) return std::nullopt;
    } else if (!in.Has(h.pixelsAt, stride * h.height)) {
        return std::nullopt;
    }

    QImage image = AllocateWorkingImage(h.width, h.height);
    if (image.isNull()) return std::nullopt;
    const bool bitFields = h.bitCount == 16 || h.bitCount == 32;
    std::vector<std::uint8_t> red, green, blue, alpha;
    if (bitFields) {
        // Tables for channels up to 16 bits; wider ones are scaled one by one.
        for (auto [channel, table] :
             {std::pair{&h.red, &red}, {&h.green, &green}, {&h.blue, &blue}, {&h.alpha, &alpha}})
            if (channel->Present() && channel->bits <= 16) *table = ScaleTable(*channel);
    }
    for (std::int64_t y = 0; y < h.height; ++y) {
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(int(y)));
        if (runLength) {
            const std::uint8_t* row = indices.data() + std::size_t(y) * std::size_t(h.width);
            for (std::int64_t x = 0; x < h.width; ++x) out[x] = palette[row[x]];
            continue;
        }
        const std::int64_t sourceRow = h.topDown ? y : h.height - 1 - y;
        const std::uint8_t* bits = in.At(h.pixelsAt + qsizetype(sourceRow * stride));
        for (std::int64_t x = 0; x < h.width; ++x) {
            switch (h.bitCount) {
                case 1:
                case 4:
                case 8: {
                    const std::int64_t bit = x * h.bitCount;
                    const int shift = 8 - h.bitCount - int(bit % 8);
                    out[x] = palette[(bits[bit / 8] >> shift) & ((1 << h.bitCount) - 1)];
                    break;
                }
                case 24:
                    out[x] = qRgb(bits[x * 3 + 2], bits[x * 3 + 1], bits[x * 3]);
                    break;
                default: {
                    const std::uint8_t* b = bits + x * (h.bitCount / 8);
                    std::uint32_t p = std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8;
                    if (h.bitCount == 32)
                        p |= std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
                    const int a = h.alpha.Present() ? Scaled(h.alpha, alpha, p) : 255;
                    out[x] = qRgba(Scaled(h.red, red, p), Scaled(h.green, green, p),
                                   Scaled(h.blue, blue, p), a);
                    break;
                }
            }
        }
    }
    DecodedImage decoded;
    decoded.bitmap.image = std::move(image);
    if (h.dotsPerMetreX > 0 && h.dotsPerMetreX < 0x80000000u)
        decoded.bitmap.dpiX = DotsPerInchFromDotsPerMetre(h.dotsPerMetreX);
    if (h.dotsPerMetreY > 0 && h.dotsPerMetreY < 0x80000000u)
        decoded.bitmap.dpiY = DotsPerInchFromDotsPerMetre(h.dotsPerMetreY);
    return decoded;
}
