#pragma once

#include <QByteArrayView>
#include <cstdint>

#include "ImageFormatSniffer.h"

// A few hundred bytes can claim an image of half a gigapixel. Decoding such a
// file costs gigabytes and many seconds before the decoder notices that the
// data ran out, so each container's data is first held against the least that
// its compression needs for the claimed size: Huffman-coded JPEG at least one
// bit a block, deflate (PNG) at most 1032 to 1, LZW (GIF, TIFF) at most 4096
// pixels a code of three bits or more, and so on. Data below that bound is
// damaged or a decompression bomb; it is refused before pixel memory is
// allocated. The bounds are far below what any real file needs.

// The header fields of a PNG that decide how it is decoded.
struct PngStructure {
    bool valid = false;  // a signature and an IHDR chunk
    std::int64_t width = 0, height = 0;
    int bitDepth = 0;
    int colorType = 0;
    bool interlaced = false;
    bool resolutionInMetres = false;  // a pHYs chunk in dots per metre, both non-zero
    std::int64_t imageDataBytes = 0;  // of all IDAT chunks, as far as the data reaches
};

PngStructure InspectPng(QByteArrayView png);

// False when the data is too small for the image it claims. Formats without a
// bound (and data that is not an image) are left to the decoders.
bool ImageDataPlausible(ContainerFormat container, QByteArrayView bytes);
