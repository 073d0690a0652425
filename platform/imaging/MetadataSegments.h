#pragma once

#include <QByteArray>
#include <utility>
#include <vector>

#include "ImageMetadata.h"

// The pieces of a file that carry a colour profile and an EXIF block, built
// once here so that both imaging components write them byte for byte alike.
// The EXIF block is written as given (ExifForResult prepares it).

// JPEG marker segments, each as its marker and its payload (the length bytes
// are the writer's): APP1 "Exif\0\0" and the block, when it fits one segment,
// then the profile in APP2 "ICC_PROFILE" segments of at most 65519 bytes of
// it, numbered from 1. None for empty metadata.
std::vector<std::pair<int, QByteArray>> JpegMetadataSegments(const ImageMetadata& metadata);
// The same segments as bytes, markers and lengths included.
QByteArray JpegMetadataBytes(const ImageMetadata& metadata);

// PNG chunks, each as its type and its data (length and CRC are the
// writer's): iCCP with the zlib-compressed profile, then eXIf. They go right
// after IHDR: iCCP must precede PLTE and IDAT, eXIf must precede IDAT.
std::vector<std::pair<QByteArray, QByteArray>> PngMetadataChunks(const ImageMetadata& metadata);
// The same chunks as bytes, lengths and CRCs included.
QByteArray PngMetadataBytes(const ImageMetadata& metadata);
