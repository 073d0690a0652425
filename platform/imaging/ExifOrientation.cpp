#include "ExifOrientation.h"

#include <cstring>

#include "JpegStructure.h"
#include "TiffDirectory.h"

namespace {
constexpr std::uint16_t kTypeShort = 3;
}  // namespace

int ReadOrientationFromTiff(QByteArrayView tiff) {
    const auto directory = TiffDirectory::ReadFirst(tiff);
    if (!directory) return 0;
    const auto entry = directory->Find(TiffTag::kOrientation);
    if (!entry || entry->type != kTypeShort) return 0;
    return int(directory->Number(*entry).value_or(0));
}

int ReadOrientationTag(QByteArrayView fileBytes) {
    const auto* data = reinterpret_cast<const unsigned char*>(fileBytes.data());
    const qsizetype size = fileBytes.size();
    if (size >= 4 && (std::memcmp(data, "II*\0", 4) == 0 || std::memcmp(data, "MM\0*", 4) == 0 ||
                      std::memcmp(data, "II+\0", 4) == 0 || std::memcmp(data, "MM\0+", 4) == 0))
        return ReadOrientationFromTiff(fileBytes);

    // JPEG: the marker segments before the first scan, looking for APP1 "Exif\0\0".
    JpegMarkerReader reader(fileBytes);
    JpegMarkerReader::Segment segment;
    while (reader.Next(&segment) == JpegMarkerReader::Result::Marker) {
        if (segment.marker == 0xDA || segment.marker == 0xD9) return 0;
        if (segment.marker == 0xE1 && segment.payload.size() >= 6 &&
            std::memcmp(segment.payload.data(), "Exif\0\0", 6) == 0)
            return ReadOrientationFromTiff(segment.payload.sliced(6));
    }
    return 0;
}
