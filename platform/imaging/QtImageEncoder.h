#pragma once

#include <QByteArray>

#include "Bitmap.h"
#include "ImageMetadata.h"

class ByteSink;

// Encoding through the first imaging component (Qt image I/O).

// Looks an encoder up by its MIME type ("image/png"), compared exactly. Returns
// the encoder's position among the MIME types Qt can write and stores the Qt
// writer format for it ("png") in format; -1 when Qt has no writer for it.
int FindEncoderClsid(const QByteArray& mimeType, QByteArray* format);

// Writes the bitmap with Qt's writer for the format, with default settings
// (JPEG quality 75, PNG's default compression). Format_ARGB32 keeps its alpha
// channel in PNG; Format_BGR888 gives files without alpha. The resolution is
// stored as whole dots per metre, from dpiX and dpiY when both are positive and
// otherwise that of a newly created bitmap. PNG and JPEG files also get the
// metadata's colour profile and EXIF block, in the same chunks and segments
// as the second component writes (other formats: none). False when Qt fails
// or the sink refuses bytes.
bool EncodeWithQt(const Bitmap& bitmap, const QByteArray& format, ByteSink& sink,
                  const ImageMetadata& metadata = {});
