#pragma once

#include <QByteArray>

#include "platform/ByteSink.h"

// Passes a PNG or JPEG file through to another sink while it is being written,
// adding bytes at the place metadata belongs: right after the PNG's IHDR
// chunk, or after the JPEG's start-of-image marker and its JFIF segment. For
// writers that cannot be given the metadata themselves (Qt's). Only the first
// few bytes of the file are held back until that place is reached.
class MetadataSplicingSink : public ByteSink {
public:
    enum class Container { Png, Jpeg };
    MetadataSplicingSink(ByteSink& target, Container container, QByteArray inserted);

    bool Write(const void* data, std::size_t size) override;
    // Only after the inserted bytes, whose length it shifts offsets by.
    bool WriteAt(std::int64_t offset, const void* data, std::size_t size) override;
    // False when the file ended before the place was found or the target
    // refused bytes.
    bool Finish();

private:
    // Where the bytes go within the held-back head: its length once known.
    qsizetype InsertionPoint() const;

    ByteSink& m_target;
    Container m_container;
    QByteArray m_inserted;
    QByteArray m_head;
    bool m_spliced = false;
    std::int64_t m_passedOn = 0;  // bytes before the insertion point
    std::int64_t m_shift = 0;
    bool m_failed = false;
};
