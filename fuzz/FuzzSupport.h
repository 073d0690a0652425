#pragma once

#include <QByteArrayView>
#include <cstddef>
#include <cstdint>

class CodecFactory;

// Results are folded into a sink so that no call can be optimised away.
void FuzzSink(std::uint64_t value);

inline QByteArrayView FuzzBytes(const std::uint8_t* data, std::size_t size) {
    return QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size));
}

// The second imaging component, created once per process (none when its
// libraries do not start).
const CodecFactory* FuzzCodecs();
