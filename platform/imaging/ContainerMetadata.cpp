#include "ContainerMetadata.h"

#include <array>
#include <cstring>

#include "JpegStructure.h"
#include "TiffDirectory.h"

namespace {
constexpr std::uint16_t kInterColorProfileTag = 34675;
constexpr char kIccMarker[] = "ICC_PROFILE";  // with its terminating zero: 12 bytes
constexpr qsizetype kIccHeader = 14;          // the name, the part's number and the count

quint32 BigEndian32(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return quint32(u[0]) << 24 | quint32(u[1]) << 16 | quint32(u[2]) << 8 | u[3];
}

// The parts of a profile split over APP2 segments, each numbered 1..count.
// A part missing or seen twice, or counts that disagree, make the profile
// unusable: it is dropped, as libjpeg's own reader does.
class IccParts {
public:
    void Add(QByteArrayView payload) {
        const auto* p = reinterpret_cast<const unsigned char*>(payload.data());
        const int number = p[12], count = p[13];
        if (number == 0 || count == 0 || number > count || (m_count && count != m_count) ||
            !m_parts[std::size_t(number)].isNull()) {
            m_broken = true;
            return;
        }
        m_count = count;
        m_parts[std::size_t(number)] = payload.sliced(kIccHeader);
    }
    QByteArray Joined() const {
        if (m_broken || m_count == 0) return {};
        QByteArray profile;
        for (int i = 1; i <= m_count; ++i) {
            if (m_parts[std::size_t(i)].isNull()) return {};
            profile.append(m_parts[std::size_t(i)]);
        }
        return IsRgbIccProfile(profile) ? profile : QByteArray();
    }

private:
    std::array<QByteArrayView, 256> m_parts{};
    int m_count = 0;
    bool m_broken = false;
};

ImageMetadata ReadJpegMetadata(QByteArrayView bytes) {
    ImageMetadata metadata;
    IccParts icc;
    JpegMarkerReader reader(bytes);
    JpegMarkerReader::Segment segment;
    while (reader.Next(&segment) == JpegMarkerReader::Result::Marker) {
        if (segment.marker == 0xDA || segment.marker == 0xD9) break;
        const QByteArrayView payload = segment.payload;
        if (segment.marker == 0xE1 && metadata.exif.isEmpty() && payload.size() > 6 &&
            std::memcmp(payload.data(), "Exif\0\0", 6) == 0 && LooksLikeExifTiff(payload.sliced(6)))
            metadata.exif = payload.sliced(6).toByteArray();
        if (segment.marker == 0xE2 && payload.size() > kIccHeader &&
            std::memcmp(payload.data(), kIccMarker, sizeof kIccMarker) == 0)
            icc.Add(payload);
    }
    metadata.icc = icc.Joined();
    return metadata;
}

ImageMetadata ReadTiffMetadata(QByteArrayView bytes) {
    ImageMetadata metadata;
    const auto directory = TiffDirectory::ReadFirst(bytes);
    if (!directory) return metadata;
    const auto entry = directory->Find(kInterColorProfileTag);
    // UNDEFINED or BYTE; Find has checked that the values lie within the data.
    if (entry && (entry->type == 7 || entry->type == 1)) {
        const QByteArrayView profile = bytes.sliced(entry->valueAt, qsizetype(entry->count));
        if (IsRgbIccProfile(profile)) metadata.icc = profile.toByteArray();
    }
    return metadata;
}
}  // namespace

bool IsRgbIccProfile(QByteArrayView icc) {
    return icc.size() >= 128 && BigEndian32(icc.data()) == quint32(icc.size()) &&
           std::memcmp(icc.data() + 16, "RGB ", 4) == 0 &&
           std::memcmp(icc.data() + 36, "acsp", 4) == 0;
}

bool LooksLikeExifTiff(QByteArrayView exif) {
    return exif.size() >= 8 &&
           (std::memcmp(exif.data(), "II*\0", 4) == 0 ||
            std::memcmp(exif.data(), "MM\0*", 4) == 0) &&
           TiffDirectory::ReadFirst(exif).has_value();
}

ImageMetadata ReadContainerMetadata(QByteArrayView fileBytes) {
    if (fileBytes.size() >= 4 && (std::memcmp(fileBytes.data(), "II*\0", 4) == 0 ||
                                  std::memcmp(fileBytes.data(), "MM\0*", 4) == 0 ||
                                  std::memcmp(fileBytes.data(), "II+\0", 4) == 0 ||
                                  std::memcmp(fileBytes.data(), "MM\0+", 4) == 0))
        return ReadTiffMetadata(fileBytes);
    if (fileBytes.size() >= 2 && static_cast<unsigned char>(fileBytes[0]) == 0xFF &&
        static_cast<unsigned char>(fileBytes[1]) == 0xD8)
        return ReadJpegMetadata(fileBytes);
    return {};
}
