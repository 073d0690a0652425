#pragma once

#include <QByteArrayView>
#include <cstdint>

// Walks a JPEG's markers the way libjpeg reads them: bytes between segments
// that are not a marker are skipped up to the next 0xFF (libjpeg warns about
// "extraneous bytes" and goes on), fill bytes 0xFF before a marker are
// skipped, and entropy-coded data runs up to the first 0xFF that is neither
// stuffed (FF 00) nor a restart marker.
class JpegMarkerReader {
public:
    struct Segment {
        unsigned char marker = 0;
        QByteArrayView payload;  // after the two length bytes; empty for standalone markers
    };
    enum class Result { Marker, EndOfData, Damaged };

    // Starts after the start-of-image marker; the first Next() is Damaged when
    // the data does not begin with one.
    explicit JpegMarkerReader(QByteArrayView jpeg);

    // The next marker and its segment. EndOfData when the data ends before a
    // marker or inside a segment; Damaged for a segment length below 2.
    Result Next(Segment* segment);
    // After a start-of-scan segment: skips the scan's entropy-coded data and
    // returns its length in bytes; the next Next() reads the marker that ended it.
    qsizetype SkipEntropyCodedData();

private:
    const unsigned char* m_data;
    qsizetype m_size;
    qsizetype m_pos = 2;
    bool m_started;
};

// What a look at the markers tells about a JPEG before it is decoded.
struct JpegStructure {
    bool damaged = false;     // no start of image, a broken segment, a scan before the frame
    bool frameFound = false;  // a frame header (SOFn) came before the first scan
    bool arithmetic = false;  // arithmetic rather than Huffman coding
    int scans = 0;
    bool endOfImage = false;  // an end-of-image marker follows the scans
    std::int64_t width = 0, height = 0;
    std::int64_t blocks = 0;        // 8 x 8 blocks of all components, without MCU padding
    std::int64_t entropyBytes = 0;  // entropy-coded data of all scans
};

JpegStructure InspectJpeg(QByteArrayView jpeg);

// Huffman coding spends at least one bit on every block of every component
// (its DC difference), in the first scan of a progressive file as in a
// baseline one. Less data than that cannot hold the image the frame header
// claims: such a file is damaged or a decompression bomb, and is refused
// before pixel memory is allocated. Arithmetic coding has no such bound: it
// codes a flat page of any size in a handful of bytes (20 for 23170 x 23170),
// so a tiny arithmetic-coded file may well be whole, and is decoded.
bool JpegDataPlausible(const JpegStructure& jpeg);
