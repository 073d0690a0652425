#pragma once

// The encoders behind CodecFactory, one per library plus the project's own BMP
// writer. Each reads its image from a RowSource band by band, so a result
// being rendered can be encoded without first holding all of it, and writes
// through a ByteSink. Without settings: the libraries' defaults and no
// resolution (the second component's files). False when the image cannot be
// encoded, the source fails or the sink refuses bytes. JPEG, PNG and HEIF also
// carry the colour profile and the EXIF block of metadata (HEIF: its nclx
// colour before its profile); without either the file is exactly what it is
// without metadata. BMP carries none.

#include <QtGlobal>
#include <algorithm>

#include "ImageMetadata.h"

class ByteSink;
class RowSource;

// What an encoder writes beyond the pixels. The defaults store nothing and keep
// every library default; the first component's files need other values (see
// QtRowEncoder.h).
struct EncoderSettings {
    // PNG pHYs chunk (written when either is above 0) and the BMP header.
    int dotsPerMetreX = 0;
    int dotsPerMetreY = 0;
    // The JFIF header's density: unit 0 (none, a pixel aspect only), 1 (per
    // inch) or 2 (per centimetre).
    int jpegDensityUnit = 0;
    int jpegDensityX = 1;
    int jpegDensityY = 1;
};

bool EncodeJpegWithLibjpeg(RowSource& rows, ByteSink& sink, const EncoderSettings& settings = {},
                           const ImageMetadata& metadata = {});
bool EncodePngWithLibpng(RowSource& rows, ByteSink& sink, const EncoderSettings& settings = {},
                         const ImageMetadata& metadata = {});
// HEVC through libheif, without alpha. libheif wants the whole picture as one image before it
// encodes, so this one holds a full-size copy.
bool EncodeHeifWithLibheif(RowSource& rows, ByteSink& sink, const ImageMetadata& metadata = {});
bool EncodeBmp24(RowSource& rows, ByteSink& sink, const EncoderSettings& settings = {});

// How many rows an encoder asks for at a time: about a quarter megabyte, at
// least one row.
inline int RowsPerBand(qsizetype rowBytes) {
    const qsizetype rows = (qsizetype(1) << 18) / qMax<qsizetype>(rowBytes, 1);
    return int(std::clamp<qsizetype>(rows, 1, 256));
}
