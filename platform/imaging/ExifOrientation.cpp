#include "ExifOrientation.h"

#include <cstdint>
#include <cstring>

namespace {
constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kTypeShort = 3;

class TiffReader {
public:
    explicit TiffReader(QByteArrayView data)
        : m_data(reinterpret_cast<const unsigned char*>(data.data())), m_size(data.size()) {}

    bool ReadHeader(std::uint32_t* firstIfd) {
        if (m_size < 8) return false;
        if (m_data[0] == 'I' && m_data[1] == 'I') {
            m_bigEndian = false;
        } else if (m_data[0] == 'M' && m_data[1] == 'M') {
            m_bigEndian = true;
        } else {
            return false;
        }
        std::uint16_t magic = 0;
        return U16(2, &magic) && magic == 42 && U32(4, firstIfd);
    }

    bool U16(qsizetype at, std::uint16_t* value) const {
        if (at < 0 || at + 2 > m_size) return false;
        *value = m_bigEndian ? (m_data[at] << 8) | m_data[at + 1]
                             : (m_data[at + 1] << 8) | m_data[at];
        return true;
    }

    bool U32(qsizetype at, std::uint32_t* value) const {
        if (at < 0 || at + 4 > m_size) return false;
        const unsigned char* p = m_data + at;
        *value = m_bigEndian ? (std::uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]
                             : (std::uint32_t(p[3]) << 24) | (p[2] << 16) | (p[1] << 8) | p[0];
        return true;
    }

private:
    const unsigned char* m_data;
    qsizetype m_size;
    bool m_bigEndian = false;
};
}  // namespace

int ReadOrientationFromTiff(QByteArrayView tiff) {
    TiffReader reader(tiff);
    std::uint32_t ifd = 0;
    std::uint16_t count = 0;
    if (!reader.ReadHeader(&ifd) || !reader.U16(ifd, &count)) return 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const qsizetype entry = qsizetype(ifd) + 2 + qsizetype(i) * 12;
        std::uint16_t tag = 0, type = 0, value = 0;
        std::uint32_t valueCount = 0;
        if (!reader.U16(entry, &tag)) return 0;
        if (tag != kOrientationTag) continue;
        if (!reader.U16(entry + 2, &type) || type != kTypeShort) return 0;
        if (!reader.U32(entry + 4, &valueCount) || valueCount < 1) return 0;
        return reader.U16(entry + 8, &value) ? value : 0;
    }
    return 0;
}

int ReadOrientationTag(QByteArrayView fileBytes) {
    const auto* data = reinterpret_cast<const unsigned char*>(fileBytes.data());
    const qsizetype size = fileBytes.size();
    if (size >= 4 && (std::memcmp(data, "II*\0", 4) == 0 || std::memcmp(data, "MM\0*", 4) == 0))
        return ReadOrientationFromTiff(fileBytes);
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return 0;

    // JPEG: the marker segments before the first scan, looking for APP1 "Exif\0\0".
    qsizetype pos = 2;
    while (pos + 4 <= size) {
        if (data[pos] != 0xFF) return 0;
        const unsigned char marker = data[pos + 1];
        if (marker == 0xFF) {
            ++pos;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) return 0;
        const qsizetype length = (qsizetype(data[pos + 2]) << 8) | data[pos + 3];
        if (length < 2 || pos + 2 + length > size) return 0;
        if (marker == 0xE1 && length >= 8 && std::memcmp(data + pos + 4, "Exif\0\0", 6) == 0)
            return ReadOrientationFromTiff(fileBytes.sliced(pos + 10, length - 8));
        pos += 2 + length;
    }
    return 0;
}
