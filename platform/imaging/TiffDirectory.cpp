#include "TiffDirectory.h"

namespace {
int TypeSize(std::uint16_t type) {
    switch (type) {
        case 1:
        case 2:
        case 6:
        case 7:
            return 1;  // BYTE, ASCII, SBYTE, UNDEFINED
        case 3:
        case 8:
            return 2;  // SHORT, SSHORT
        case 4:
        case 9:
        case 11:
        case 13:
            return 4;  // LONG, SLONG, FLOAT, IFD
        case 5:
        case 10:
        case 12:
        case 16:
        case 17:
        case 18:
            return 8;  // RATIONAL, ..., LONG8
        default:
            return 0;
    }
}
}  // namespace

std::optional<std::uint64_t> TiffDirectory::Read(qsizetype at, int bytes) const {
    if (at < 0 || bytes > m_size || at > m_size - bytes) return std::nullopt;
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        const std::uint64_t byte = m_data[at + (m_bigEndian ? i : bytes - 1 - i)];
        value = value << 8 | byte;
    }
    return value;
}

std::optional<TiffDirectory> TiffDirectory::ReadFirst(QByteArrayView tiff) {
    TiffDirectory d;
    d.m_data = reinterpret_cast<const unsigned char*>(tiff.data());
    d.m_size = tiff.size();
    if (d.m_size < 8) return std::nullopt;
    if (d.m_data[0] == 'I' && d.m_data[1] == 'I')
        d.m_bigEndian = false;
    else if (d.m_data[0] == 'M' && d.m_data[1] == 'M')
        d.m_bigEndian = true;
    else
        return std::nullopt;
    const auto magic = d.Read(2, 2);
    std::optional<std::uint64_t> ifd;
    if (magic == 42u) {
        ifd = d.Read(4, 4);
    } else if (magic == 43u && d.Read(4, 2) == 8u) {
        d.m_big = true;
        ifd = d.Read(8, 8);
    }
    if (!ifd || *ifd >= std::uint64_t(d.m_size)) return std::nullopt;
    const auto count = d.Read(qsizetype(*ifd), d.m_big ? 8 : 2);
    if (!count) return std::nullopt;
    d.m_entryCount = *count;
    d.m_entries = qsizetype(*ifd) + (d.m_big ? 8 : 2);
    return d;
}

std::optional<TiffDirectory::Entry> TiffDirectory::Find(std::uint16_t tag) const {
    const qsizetype entrySize = m_big ? 20 : 12;
    const int countSize = m_big ? 8 : 4;
    for (std::uint64_t i = 0; i < m_entryCount; ++i) {
        if (std::uint64_t(m_entries) + (i + 1) * entrySize > std::uint64_t(m_size))
            return std::nullopt;
        const qsizetype at = m_entries + qsizetype(i) * entrySize;
        if (Read(at, 2) != tag) continue;
        Entry entry;
        entry.type = std::uint16_t(*Read(at + 2, 2));
        entry.count = *Read(at + 4, countSize);
        const int size = TypeSize(entry.type);
        if (size == 0 || entry.count > std::uint64_t(m_size)) return std::nullopt;
        const qsizetype valueField = at + 4 + countSize;
        if (entry.count * size <= std::uint64_t(countSize)) {
            entry.valueAt = valueField;
        } else {
            const auto offset = Read(valueField, countSize);
            const std::uint64_t bytes = entry.count * size;
            if (!offset || *offset > std::uint64_t(m_size) || bytes > m_size - *offset)
                return std::nullopt;
            entry.valueAt = qsizetype(*offset);
        }
        return entry;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> TiffDirectory::Number(const Entry& entry, std::uint64_t index) const {
    if (index >= entry.count) return std::nullopt;
    int size = 0;
    switch (entry.type) {
        case 1:
            size = 1;
            break;
        case 3:
            size = 2;
            break;
        case 4:
        case 13:
            size = 4;
            break;
        case 16:
        case 18:
            size = 8;
            break;
        default:
            return std::nullopt;
    }
    return Read(entry.valueAt + qsizetype(index) * size, size);
}

std::optional<std::uint64_t> TiffDirectory::Number(std::uint16_t tag) const {
    const auto entry = Find(tag);
    return entry ? Number(*entry) : std::nullopt;
}

std::optional<double> TiffDirectory::Rational(std::uint16_t tag) const {
    const auto entry = Find(tag);
    if (!entry || entry->type != 5 || entry->count < 1) return std::nullopt;
    const auto numerator = Read(entry->valueAt, 4);
    const auto denominator = Read(entry->valueAt + 4, 4);
    if (!numerator || !denominator || *denominator == 0) return std::nullopt;
    return double(*numerator) / double(*denominator);
}

std::optional<std::uint64_t> TiffDirectory::Sum(std::uint16_t tag) const {
    const auto entry = Find(tag);
    if (!entry) return std::nullopt;
    std::uint64_t sum = 0;
    for (std::uint64_t i = 0; i < entry->count; ++i) {
        const auto value = Number(*entry, i);
        if (!value) return std::nullopt;
        sum += *value;
    }
    return sum;
}
