// 24-bit BMP: a 14-byte file header, a 40-byte info header, then the rows from
// the bottom up, each padded to a multiple of four bytes.
//
// A RowSource gives its rows top first, but the file wants the bottom row
// first. The file's size is known before any row arrives, so each band is
// turned over in a band-sized buffer and placed at its final offset with
// WriteAt: no full-size buffer, one pass over the source.

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "CodecEncoders.h"
#include "RowSource.h"
#include "platform/ByteSink.h"

namespace {
constexpr std::uint32_t kHeaderBytes = 14 + 40;

void Put16(uchar* at, std::uint16_t value) {
    at[0] = uchar(value);
    at[1] = uchar(value >> 8);
}
void Put32(uchar* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = uchar(value >> (8 * i));
}

std::array<uchar, kHeaderBytes> Header(int width, int height, std::uint32_t imageBytes,
                                       const EncoderSettings& settings) {
    std::array<uchar, kHeaderBytes> header{};
    uchar* h = header.data();
    h[0] = 'B';
    h[1] = 'M';
    Put32(h + 2, kHeaderBytes + imageBytes);
    Put32(h + 10, kHeaderBytes);
    Put32(h + 14, 40);
    Put32(h + 18, std::uint32_t(width));
    Put32(h + 22, std::uint32_t(height));  // positive: bottom-up rows
    Put16(h + 26, 1);                      // planes
    Put16(h + 28, 24);                     // bits per pixel
    Put32(h + 30, 0);                      // BI_RGB, uncompressed
    Put32(h + 34, imageBytes);
    Put32(h + 38, std::uint32_t(std::max(0, settings.dotsPerMetreX)));
    Put32(h + 42, std::uint32_t(std::max(0, settings.dotsPerMetreY)));
    // Palette counts stay 0.
    return header;
}
}  // namespace

bool EncodeBmp24(RowSource& rows, ByteSink& sink, const EncoderSettings& settings) {
    const int width = rows.Width(), height = rows.Height();
    if (width < 1 || height < 1) return false;
    const std::uint64_t fileRowBytes = (std::uint64_t(width) * 3 + 3) & ~std::uint64_t(3);
    const std::uint64_t imageBytes = fileRowBytes * std::uint64_t(height);
    // The header's size fields are 32 bits wide.
    if (imageBytes + kHeaderBytes > UINT32_MAX) return false;

    const auto header = Header(width, height, std::uint32_t(imageBytes), settings);
    if (!sink.Write(header.data(), header.size())) return false;

    const int in = rows.Layout() == RowLayout::Bgra32 ? 4 : 3;
    const qsizetype sourceRowBytes = qsizetype(width) * in;
    const int bandRows = RowsPerBand(qsizetype(fileRowBytes));
    std::vector<uchar> source(std::size_t(sourceRowBytes) * std::size_t(bandRows));
    // Zero-initialised, so the padding bytes at each row's end stay 0.
    std::vector<uchar> turned(std::size_t(fileRowBytes) * std::size_t(bandRows), 0);
    for (int y = 0; y < height; y += bandRows) {
        const int count = std::min(bandRows, height - y);
        if (!rows.ReadRows(y, count, source.data(), sourceRowBytes)) return false;
        for (int i = 0; i < count; ++i) {
            const uchar* from = source.data() + i * sourceRowBytes;
            uchar* to = turned.data() + std::size_t(count - 1 - i) * fileRowBytes;
            if (in == 3) {
                std::copy_n(from, sourceRowBytes, to);
            } else {
                for (int x = 0; x < width; ++x, from += 4, to += 3) std::copy_n(from, 3, to);
            }
        }
        // Source rows y .. y + count - 1 are file rows height - y - count .. height - y - 1.
        const std::uint64_t offset =
            kHeaderBytes + std::uint64_t(height - y - count) * fileRowBytes;
        if (!sink.WriteAt(std::int64_t(offset), turned.data(), std::size_t(count) * fileRowBytes))
            return false;
    }
    return true;
}
