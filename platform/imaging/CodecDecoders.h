#pragma once

// The decoders behind CodecFactory, one per library (and the program's own for
// BMP). Each returns none rather than a partial image: corrupt or cut-off data
// is a failure. The resolution of the result is the one the file stores, in
// dots per inch, or 0 where it stores none; CodecFactory replaces it by that
// of a new bitmap, while the first component keeps it when it hands a file to
// one of these decoders.

#include <QByteArrayView>
#include <optional>

#include "DecodedImage.h"

std::optional<DecodedImage> DecodeJpegWithLibjpeg(QByteArrayView bytes);
std::optional<DecodedImage> DecodePngWithLibpng(QByteArrayView bytes);
std::optional<DecodedImage> DecodeHeifWithLibheif(QByteArrayView bytes);
std::optional<DecodedImage> DecodeBmp(QByteArrayView bytes);
std::optional<DecodedImage> DecodeGifWithGiflib(QByteArrayView bytes);
std::optional<DecodedImage> DecodeTiffWithLibtiff(QByteArrayView bytes);

// Allocates an image in the working format, or a null image when the size is
// beyond the program's limit or memory is short.
QImage AllocateWorkingImage(long long width, long long height);
