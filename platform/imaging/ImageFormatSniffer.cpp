#include "ImageFormatSniffer.h"

#include <cstdlib>
#include <cstring>

#include "ImageLimits.h"
#include "JpegStructure.h"

namespace {
bool StartsWith(QByteArrayView bytes, const char* magic, qsizetype length) {
    return bytes.size() >= length && std::memcmp(bytes.data(), magic, length) == 0;
}

bool IsHeifBrand(QByteArrayView brand) {
    static const char* const kBrands[] = {"heic", "heix", "hevc", "hevx", "heim",
                                          "heis", "mif1", "msf1", "avif", "avis"};
    for (const char* known : kBrands)
        if (brand == QByteArrayView(known, 4)) return true;
    return false;
}
}  // namespace

ContainerFormat SniffContainerFormat(QByteArrayView bytes) {
    // libjpeg wants only the start-of-image marker first; whatever follows it up
    // to the next marker is skipped.
    if (StartsWith(bytes, "\xFF\xD8", 2)) return ContainerFormat::Jpeg;
    if (StartsWith(bytes, "\x89PNG\r\n\x1A\n", 8)) return ContainerFormat::Png;
    if (StartsWith(bytes, "GIF87a", 6) || StartsWith(bytes, "GIF89a", 6))
        return ContainerFormat::Gif;
    if (StartsWith(bytes, "BM", 2)) return ContainerFormat::Bmp;
    if (StartsWith(bytes, "II*\0", 4) || StartsWith(bytes, "MM\0*", 4) ||
        StartsWith(bytes, "II+\0", 4) || StartsWith(bytes, "MM\0+", 4))  // TIFF, BigTIFF
        return ContainerFormat::Tiff;
    if (StartsWith(bytes, "RIFF", 4) && bytes.size() >= 12 &&
        bytes.sliced(8, 4) == QByteArrayView("WEBP", 4))
        return ContainerFormat::Webp;
    if (bytes.size() >= 12 && bytes.sliced(4, 4) == QByteArrayView("ftyp", 4) &&
        IsHeifBrand(bytes.sliced(8, 4)))
        return ContainerFormat::Heif;
    return ContainerFormat::Unknown;
}

bool JpegHasEndOfImage(QByteArrayView bytes) { return InspectJpeg(bytes).endOfImage; }

bool BmpPixelDataComplete(QByteArrayView bytes) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    auto u32 = [&](qsizetype at) {
        return quint32(data[at]) | quint32(data[at + 1]) << 8 | quint32(data[at + 2]) << 16 |
               quint32(data[at + 3]) << 24;
    };
    if (bytes.size() < 30) return false;
    const quint32 dataOffset = u32(10);
    const quint32 headerSize = u32(14);
    qint64 width = 0, height = 0, bitCount = 0, compression = 0;
    if (headerSize == 12) {  // OS/2 core header
        width = data[18] | data[19] << 8;
        height = data[20] | data[21] << 8;
        bitCount = data[24] | data[25] << 8;
    } else if (headerSize >= 40 && bytes.size() >= 34) {
        width = qint32(u32(18));
        height = qint32(u32(22));
        bitCount = data[28] | data[29] << 8;
        compression = u32(30);
    } else {
        return true;
    }
    if (compression != 0 && compression != 3 && compression != 6) return true;
    // Bit counts no BMP has are refused by the decoder; here they would only
    // overflow. A size beyond the program's limit is no complete image either:
    // Qt's reader would fill millions of rows before the size is looked at.
    if (bitCount > 64) return true;
    if (!ImageSizeAcceptable(std::abs(width), std::abs(height))) return false;
    const qint64 stride = ((std::abs(width) * bitCount + 31) / 32) * 4;
    return qint64(dataOffset) + stride * std::abs(height) <= bytes.size();
}
