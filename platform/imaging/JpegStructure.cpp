#include "JpegStructure.h"

#include <algorithm>
#include <cstring>

namespace {
bool IsStandalone(unsigned char marker) {
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD9);  // TEM, RSTn, SOI, EOI
}

bool IsFrameHeader(unsigned char marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
           marker != 0xCC;  // not DHT, JPG, DAC
}

std::int64_t CeilDiv(std::int64_t a, std::int64_t b) { return (a + b - 1) / b; }

// Frame header payload: precision, height, width, component count, then per
// component its id, sampling factors (h << 4 | v) and quantisation table.
void ReadFrameHeader(QByteArrayView payload, JpegStructure* jpeg) {
    const auto* p = reinterpret_cast<const unsigned char*>(payload.data());
    if (payload.size() < 6) {
        jpeg->damaged = true;
        return;
    }
    jpeg->height = p[1] << 8 | p[2];
    jpeg->width = p[3] << 8 | p[4];
    const int components = p[5];
    if (payload.size() < 6 + 3 * components) {
        jpeg->damaged = true;
        return;
    }
    int maxH = 1, maxV = 1;
    for (int i = 0; i < components; ++i) {
        maxH = std::max(maxH, p[7 + 3 * i] >> 4);
        maxV = std::max(maxV, p[7 + 3 * i] & 15);
    }
    jpeg->blocks = 0;
    for (int i = 0; i < components; ++i) {
        const int h = std::max(1, p[7 + 3 * i] >> 4), v = std::max(1, p[7 + 3 * i] & 15);
        jpeg->blocks += CeilDiv(CeilDiv(jpeg->width * h, maxH), 8) *
                        CeilDiv(CeilDiv(jpeg->height * v, maxV), 8);
    }
}
}  // namespace

JpegMarkerReader::JpegMarkerReader(QByteArrayView jpeg)
    : m_data(reinterpret_cast<const unsigned char*>(jpeg.data())),
      m_size(jpeg.size()),
      m_started(m_size >= 2 && m_data[0] == 0xFF && m_data[1] == 0xD8) {}

JpegMarkerReader::Result JpegMarkerReader::Next(Segment* segment) {
    if (!m_started) return Result::Damaged;
    unsigned char marker = 0;
    for (;;) {
        while (m_pos < m_size && m_data[m_pos] != 0xFF) ++m_pos;  // stray bytes
        while (m_pos < m_size && m_data[m_pos] == 0xFF) ++m_pos;  // fill bytes
        if (m_pos >= m_size) return Result::EndOfData;
        marker = m_data[m_pos++];
        if (marker != 0) break;  // FF 00 outside a scan is skipped as well
    }
    segment->marker = marker;
    segment->payload = {};
    if (IsStandalone(marker)) return Result::Marker;
    if (m_pos + 2 > m_size) return Result::EndOfData;
    const qsizetype length = qsizetype(m_data[m_pos]) << 8 | m_data[m_pos + 1];
    if (length < 2) return Result::Damaged;
    if (m_pos + length > m_size) return Result::EndOfData;
    segment->payload =
        QByteArrayView(reinterpret_cast<const char*>(m_data + m_pos + 2), length - 2);
    m_pos += length;
    return Result::Marker;
}

qsizetype JpegMarkerReader::SkipEntropyCodedData() {
    const qsizetype start = m_pos;
    for (;;) {
        const void* found =
            m_pos < m_size ? std::memchr(m_data + m_pos, 0xFF, m_size - m_pos) : nullptr;
        if (!found) {
            m_pos = m_size;
            return m_pos - start;
        }
        const qsizetype ff = static_cast<const unsigned char*>(found) - m_data;
        qsizetype next = ff + 1;
        while (next < m_size && m_data[next] == 0xFF) ++next;
        if (next >= m_size) {
            m_pos = m_size;
            return m_pos - start;
        }
        const unsigned char byte = m_data[next];
        if (byte == 0 || (byte >= 0xD0 && byte <= 0xD7)) {  // stuffed byte, restart marker
            m_pos = next + 1;
            continue;
        }
        m_pos = ff;
        return ff - start;
    }
}

JpegStructure InspectJpeg(QByteArrayView bytes) {
    JpegStructure jpeg;
    JpegMarkerReader reader(bytes);
    JpegMarkerReader::Segment segment;
    for (;;) {
        const auto result = reader.Next(&segment);
        if (result == JpegMarkerReader::Result::EndOfData) return jpeg;
        if (result == JpegMarkerReader::Result::Damaged || segment.marker == 0xD8) {
            jpeg.damaged = true;
            return jpeg;
        }
        if (segment.marker == 0xD9) {
            jpeg.endOfImage = jpeg.scans > 0;
            return jpeg;
        }
        if (IsFrameHeader(segment.marker) && !jpeg.frameFound) {
            jpeg.frameFound = true;
            jpeg.arithmetic = segment.marker >= 0xC9;
            ReadFrameHeader(segment.payload, &jpeg);
            if (jpeg.damaged) return jpeg;
        } else if (segment.marker == 0xDA) {
            if (!jpeg.frameFound) {
                jpeg.damaged = true;
                return jpeg;
            }
            ++jpeg.scans;
            jpeg.entropyBytes += reader.SkipEntropyCodedData();
        }
    }
}

bool JpegDataPlausible(const JpegStructure& jpeg) {
    if (!jpeg.frameFound || jpeg.arithmetic) return true;
    return jpeg.entropyBytes * 8 >= jpeg.blocks;
}
