#pragma once

#include <QByteArrayView>

#include "ImageMetadata.h"

// The ICC profile and EXIF block of a JPEG or TIFF file, read from its bytes so
// that both imaging components report the same ones, whichever library
// decodes the pixels. JPEG: the APP2 "ICC_PROFILE" segments reassembled in
// their numbered order (dropped unless every part is there exactly once) and
// the first APP1 "Exif" segment. TIFF: the InterColorProfile tag (34675) of
// the first directory; its EXIF is a directory of the file itself, not a
// block, and is not kept. Nothing for other data. Every length is checked
// against the data.
ImageMetadata ReadContainerMetadata(QByteArrayView fileBytes);

// Whether the bytes begin like an ICC profile for RGB data: a size field equal
// to their length, the 'acsp' signature and the colour space 'RGB '. The
// program holds every image in RGB, so a grey or CMYK profile no longer
// describes its pixels and is not kept.
bool IsRgbIccProfile(QByteArrayView icc);
// Whether the bytes begin with a TIFF header whose first directory fits.
bool LooksLikeExifTiff(QByteArrayView exif);
