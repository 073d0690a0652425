#include "MetadataSplicingSink.h"

#include <cstring>

namespace {
constexpr qsizetype kNotYet = -1, kNowhere = -2;
constexpr char kPngSignature[] = "\x89PNG\r\n\x1a\n";
}  // namespace

MetadataSplicingSink::MetadataSplicingSink(ByteSink& target, Container container,
                                           QByteArray inserted)
    : m_target(target), m_container(container), m_inserted(std::move(inserted)) {}

qsizetype MetadataSplicingSink::InsertionPoint() const {
    const auto* d = reinterpret_cast<const unsigned char*>(m_head.constData());
    const qsizetype size = m_head.size();
    if (m_container == Container::Png) {
        // The signature, then IHDR: length 13, type, data, CRC.
        constexpr qsizetype kAfterIhdr = 8 + 4 + 4 + 13 + 4;
        if (size < kAfterIhdr) return kNotYet;
        if (std::memcmp(d, kPngSignature, 8) != 0 || std::memcmp(d + 12, "IHDR", 4) != 0)
            return kNowhere;
        return kAfterIhdr;
    }
    if (size < 4) return kNotYet;
    if (d[0] != 0xFF || d[1] != 0xD8) return kNowhere;
    if (d[2] != 0xFF || d[3] != 0xE0) return 2;  // no JFIF segment: right after SOI
    if (size < 6) return kNotYet;
    const qsizetype end = 4 + (qsizetype(d[4]) << 8 | d[5]);
    return size < end ? kNotYet : end;
}

bool MetadataSplicingSink::Write(const void* data, std::size_t size) {
    if (m_failed) return false;
    if (m_spliced) return m_target.Write(data, size);
    m_head.append(static_cast<const char*>(data), qsizetype(size));
    const qsizetype point = InsertionPoint();
    if (point == kNotYet) return true;
    m_spliced = true;
    const bool ok =
        point == kNowhere
            ? m_target.Write(m_head.constData(), std::size_t(m_head.size()))
            : m_target.Write(m_head.constData(), std::size_t(point)) &&
                  m_target.Write(m_inserted.constData(), std::size_t(m_inserted.size())) &&
                  m_target.Write(m_head.constData() + point, std::size_t(m_head.size() - point));
    m_shift = point == kNowhere ? 0 : m_inserted.size();
    m_passedOn = point == kNowhere ? 0 : point;
    m_head.clear();
    m_failed = !ok;
    return ok;
}

bool MetadataSplicingSink::WriteAt(std::int64_t offset, const void* data, std::size_t size) {
    if (m_failed || !m_spliced || offset < m_passedOn) return false;
    return m_target.WriteAt(offset + m_shift, data, size);
}

bool MetadataSplicingSink::Finish() {
    if (m_failed) return false;
    if (m_spliced) return true;
    // Not a PNG or JPEG file that the writer finished: nothing to pass on.
    m_failed = true;
    return false;
}
