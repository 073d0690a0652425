#pragma once

// The decoders behind CodecFactory, one per library. Each returns none rather
// than a partial image: corrupt or cut-off data is a failure.

#include <QByteArrayView>
#include <optional>

#include "DecodedImage.h"

std::optional<DecodedImage> DecodeJpegWithLibjpeg(QByteArrayView bytes);
std::optional<DecodedImage> DecodePngWithLibpng(QByteArrayView bytes);
std::optional<DecodedImage> DecodeHeifWithLibheif(QByteArrayView bytes);

// Allocates an image in the working format, or a null image when the size is
// beyond the program's limit or memory is short.
QImage AllocateWorkingImage(long long width, long long height);
