#pragma once

#include <QByteArray>

// The EXIF block of a source, edited to describe a result made from it
// (through libexif): the orientation 1, since the result's pixels are
// upright; the pixel dimensions of the result; no thumbnail (the second
// directory and its image are dropped, they show the uncorrected source); and
// the resolution the result's file stores, in dots per inch, or no resolution
// tags when dpiX or dpiY is 0 because the file stores none. Everything else
// (dates, camera, exposure, GPS, maker notes as stored) stays.
//
// Empty when there is nothing to carry or the block cannot be read or written
// back: malformed EXIF is dropped rather than passed on.
QByteArray ExifForResult(const QByteArray& sourceExif, int width, int height, float dpiX,
                         float dpiY);
