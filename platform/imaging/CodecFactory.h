#pragma once

#include <QByteArrayView>
#include <QString>
#include <memory>
#include <optional>

#include "DecodedImage.h"

// The second imaging component (the role of the WIC imaging factory): the codec
// libraries themselves, libjpeg-turbo, libpng, libheif, libtiff and giflib, and
// a BMP reader of the program's own. It exists only when the libraries
// initialised. Decoding gives the first frame or page in the working format
// with the resolution of a newly created bitmap (the file's own resolution is
// not carried over); the orientation tag is reported for JPEG and TIFF data,
// never for HEIF, whose rotation and mirroring libheif applies while decoding.
class ByteSink;
class RowSource;

class CodecFactory {
public:
    // None when a codec library cannot be initialised.
    static std::unique_ptr<CodecFactory> Create();
    ~CodecFactory();

    CodecFactory(const CodecFactory&) = delete;
    CodecFactory& operator=(const CodecFactory&) = delete;

    // libheif reports an HEVC encoder: HEIF files can be written.
    bool HasHeifEncoder() const;

    // None when no codec of this component reads the data, the image exceeds the
    // program's size limit, the data is damaged or ends early, or it is far too
    // small for the image it claims (DataPlausibility.h).
    std::optional<DecodedImage> Decode(QByteArrayView bytes) const;

    // Encodes into the container named by a format name, compared ignoring
    // case: "png", "jpeg", "heic" or "bmp" (24-bit). Default settings, no
    // resolution stored. False for any other name, without an HEVC encoder for
    // "heic", or when the encoder, the source or the sink fails. The metadata
    // goes into the formats that carry it (see CodecEncoders.h).
    bool Encode(const QString& formatName, RowSource& rows, ByteSink& sink,
                const ImageMetadata& metadata = {}) const;

private:
    CodecFactory() = default;
};
