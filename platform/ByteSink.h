#pragma once

#include <QByteArray>
#include <algorithm>
#include <cstddef>
#include <cstdint>

// Where an encoder puts the bytes of a file. Write continues after the last
// Write; WriteAt places bytes at an absolute offset without moving that point,
// for formats whose rows are stored in the opposite order to the one they are
// produced in. A false return means nothing further can be written: the
// encoder stops and reports failure.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual bool Write(const void* data, std::size_t size) = 0;
    virtual bool WriteAt(std::int64_t offset, const void* data, std::size_t size) = 0;
};

// Keeps the bytes in memory (clipboard data, tests).
class BufferSink : public ByteSink {
public:
    bool Write(const void* data, std::size_t size) override {
        if (!WriteAt(m_position, data, size)) return false;
        m_position += std::int64_t(size);
        return true;
    }
    bool WriteAt(std::int64_t offset, const void* data, std::size_t size) override {
        if (offset < 0) return false;
        const std::int64_t end = offset + std::int64_t(size);
        if (end > m_bytes.size()) m_bytes.resize(end, '\0');
        std::copy_n(static_cast<const char*>(data), size, m_bytes.data() + offset);
        return true;
    }
    const QByteArray& Bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
    std::int64_t m_position = 0;
};
