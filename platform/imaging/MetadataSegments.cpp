#include "MetadataSegments.h"

#include <zlib.h>

#include <algorithm>

namespace {
constexpr qsizetype kMaxSegmentPayload = 65533;  // a segment's length field counts itself
constexpr qsizetype kIccPartBytes = kMaxSegmentPayload - 14;  // 65519
constexpr char kExifHeader[] = "Exif\0";                      // with its zero: 6 bytes

void AppendBigEndian32(QByteArray* bytes, quint32 value) {
    for (int shift = 24; shift >= 0; shift -= 8) bytes->append(char(value >> shift));
}

QByteArray Deflated(const QByteArray& data) {
    uLongf size = compressBound(uLong(data.size()));
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                  reinterpret_cast<const Bytef*>(data.constData()), uLong(data.size()),
                  Z_DEFAULT_COMPRESSION) != Z_OK)
        return {};
    out.truncate(qsizetype(size));
    return out;
}
}  // namespace

std::vector<std::pair<int, QByteArray>> JpegMetadataSegments(const ImageMetadata& metadata) {
    std::vector<std::pair<int, QByteArray>> segments;
    if (!metadata.exif.isEmpty() &&
        metadata.exif.size() <= kMaxSegmentPayload - qsizetype(sizeof kExifHeader))
        segments.emplace_back(0xE1, QByteArray(kExifHeader, sizeof kExifHeader) + metadata.exif);
    const qsizetype parts = (metadata.icc.size() + kIccPartBytes - 1) / kIccPartBytes;
    if (parts > 0 && parts <= 255) {
        for (qsizetype i = 0; i < parts; ++i) {
            QByteArray payload("ICC_PROFILE", 12);
            payload.append(char(i + 1));
            payload.append(char(parts));
            payload.append(metadata.icc.mid(i * kIccPartBytes, kIccPartBytes));
            segments.emplace_back(0xE2, payload);
        }
    }
    return segments;
}

QByteArray JpegMetadataBytes(const ImageMetadata& metadata) {
    QByteArray bytes;
    for (const auto& [marker, payload] : JpegMetadataSegments(metadata)) {
        const qsizetype length = payload.size() + 2;
        bytes.append(char(0xFF));
        bytes.append(char(marker));
        bytes.append(char(length >> 8));
        bytes.append(char(length & 0xFF));
        bytes.append(payload);
    }
    return bytes;
}

std::vector<std::pair<QByteArray, QByteArray>> PngMetadataChunks(const ImageMetadata& metadata) {
    std::vector<std::pair<QByteArray, QByteArray>> chunks;
    if (!metadata.icc.isEmpty()) {
        const QByteArray compressed = Deflated(metadata.icc);
        // A name of 1 to 79 Latin-1 characters, its terminating zero and
        // compression method 0 (zlib).
        if (!compressed.isEmpty())
            chunks.emplace_back("iCCP", QByteArray("ICC profile\0\0", 13) + compressed);
    }
    if (!metadata.exif.isEmpty()) chunks.emplace_back("eXIf", metadata.exif);
    return chunks;
}

QByteArray PngMetadataBytes(const ImageMetadata& metadata) {
    QByteArray bytes;
    for (const auto& [type, data] : PngMetadataChunks(metadata)) {
        AppendBigEndian32(&bytes, quint32(data.size()));
        const QByteArray typed = type + data;
        bytes.append(typed);
        AppendBigEndian32(&bytes,
                          quint32(crc32(0, reinterpret_cast<const Bytef*>(typed.constData()),
                                        uInt(typed.size()))));
    }
    return bytes;
}
