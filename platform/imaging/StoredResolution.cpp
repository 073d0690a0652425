#include "StoredResolution.h"

#include <cstring>

#include "DataPlausibility.h"
#include "JpegStructure.h"
#include "TiffDirectory.h"

namespace {
bool JpegStoresResolution(QByteArrayView bytes) {
    JpegMarkerReader reader(bytes);
    JpegMarkerReader::Segment segment;
    while (reader.Next(&segment) == JpegMarkerReader::Result::Marker) {
        if (segment.marker == 0xDA || segment.marker == 0xD9) return false;
        // APP0 "JFIF\0", version (2 bytes), units, X density, Y density.
        const auto* p = reinterpret_cast<const unsigned char*>(segment.payload.data());
        if (segment.marker == 0xE0 && segment.payload.size() >= 12 &&
            std::memcmp(p, "JFIF\0", 5) == 0)
            return (p[7] == 1 || p[7] == 2) && (p[8] << 8 | p[9]) > 0 && (p[10] << 8 | p[11]) > 0;
    }
    return false;
}

bool BmpStoresResolution(QByteArrayView bytes) {
    const auto* d = reinterpret_cast<const unsigned char*>(bytes.data());
    if (bytes.size() < 46) return false;
    auto i32 = [&](int at) {
        return std::int32_t(std::uint32_t(d[at]) | std::uint32_t(d[at + 1]) << 8 |
                            std::uint32_t(d[at + 2]) << 16 | std::uint32_t(d[at + 3]) << 24);
    };
    return i32(14) >= 40 && (i32(38) > 0 || i32(42) > 0);
}

bool TiffStoresResolution(QByteArrayView bytes) {
    const auto ifd = TiffDirectory::ReadFirst(bytes);
    if (!ifd || !ifd->Find(TiffTag::kXResolution) || !ifd->Find(TiffTag::kYResolution))
        return false;
    const auto unit = ifd->Number(TiffTag::kResolutionUnit).value_or(2);
    return unit == 2 || unit == 3;
}
}  // namespace

bool FileStoresResolution(ContainerFormat container, QByteArrayView bytes) {
    switch (container) {
        case ContainerFormat::Png:
            return InspectPng(bytes).resolutionInMetres;
        case ContainerFormat::Jpeg:
            return JpegStoresResolution(bytes);
        case ContainerFormat::Bmp:
            return BmpStoresResolution(bytes);
        case ContainerFormat::Tiff:
            return TiffStoresResolution(bytes);
        default:
            return false;
    }
}
