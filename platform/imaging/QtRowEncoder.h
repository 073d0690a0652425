#pragma once

#include <QByteArray>

#include "ImageMetadata.h"

class ByteSink;
class RowSource;

// The first imaging component's writers for rows that arrive band by band, so
// that a result can be encoded while it is still being rendered.
//
// Qt's JPEG and PNG writers are libjpeg and libpng driven with fixed settings,
// and its BMP writer is a plain 24-bit file: the same libraries with the same
// settings give the same bytes, so the rows go to the project's own encoders
// set up as Qt sets up its writers. Qt's choices, reproduced here:
// - JPEG: colour input, quality 75 limited to baseline tables, neither optimised
//   nor progressive, and the JFIF density in dots per inch or per centimetre,
//   whichever is nearer to the stored dots per metre;
// - PNG: libpng's own compression level and filters (Qt 6.4 sets none unless
//   asked), a pHYs chunk in dots per metre;
// - BMP: bottom-up 24-bit rows with the resolution in the header, 2834 dots per
//   metre (72 dpi) where it is 0.
// The resolution is stamped as EncodeWithQt stamps it: dpiX and dpiY when both
// are positive, otherwise that of a newly created bitmap.
//
// metadata goes where EncodeWithQt splices it into Qt's files (JPEG and PNG;
// BMP carries none).
//
// format is a Qt writer format: "jpeg" (or "jpg"), "png" or "bmp"; false for
// any other, or when the encoder, the source or the sink fails.
bool EncodeRowsLikeQt(const QByteArray& format, RowSource& rows, float dpiX, float dpiY,
                      ByteSink& sink, const ImageMetadata& metadata = {});
