#pragma once

#include <QByteArrayView>
#include <cstdint>
#include <optional>

// The first image file directory of a TIFF structure (a TIFF or BigTIFF file,
// or the EXIF block of a JPEG), read without trusting it: every offset and
// count is checked against the data before anything is read.
class TiffDirectory {
public:
    struct Entry {
        std::uint16_t type = 0;
        std::uint64_t count = 0;
        qsizetype valueAt = 0;  // where the first value is: in the entry or where it points
    };

    // None when the header or the directory does not fit the data.
    static std::optional<TiffDirectory> ReadFirst(QByteArrayView tiff);

    std::optional<Entry> Find(std::uint16_t tag) const;
    // The index-th value of an unsigned BYTE, SHORT, LONG or LONG8 entry.
    std::optional<std::uint64_t> Number(const Entry& entry, std::uint64_t index = 0) const;
    // The first value of the tag, when it is an unsigned integer.
    std::optional<std::uint64_t> Number(std::uint16_t tag) const;
    // The first value of an unsigned RATIONAL tag (none for a zero denominator).
    std::optional<double> Rational(std::uint16_t tag) const;
    // The sum of all values of an unsigned integer tag (strip or tile byte
    // counts, say); none when a value does not fit the data.
    std::optional<std::uint64_t> Sum(std::uint16_t tag) const;

private:
    TiffDirectory() = default;
    std::optional<std::uint64_t> Read(qsizetype at, int bytes) const;

    const unsigned char* m_data = nullptr;
    qsizetype m_size = 0;
    bool m_bigEndian = false;
    bool m_big = false;  // BigTIFF: 8-byte counts and offsets
    qsizetype m_entries = 0;
    std::uint64_t m_entryCount = 0;
};

// Tags the program reads.
namespace TiffTag {
inline constexpr std::uint16_t kImageWidth = 256;
inline constexpr std::uint16_t kImageLength = 257;
inline constexpr std::uint16_t kBitsPerSample = 258;
inline constexpr std::uint16_t kCompression = 259;
inline constexpr std::uint16_t kPhotometric = 262;
inline constexpr std::uint16_t kStripOffsets = 273;
inline constexpr std::uint16_t kOrientation = 274;
inline constexpr std::uint16_t kSamplesPerPixel = 277;
inline constexpr std::uint16_t kStripByteCounts = 279;
inline constexpr std::uint16_t kXResolution = 282;
inline constexpr std::uint16_t kYResolution = 283;
inline constexpr std::uint16_t kResolutionUnit = 296;
inline constexpr std::uint16_t kTileByteCounts = 325;
}  // namespace TiffTag
