#pragma once

#include <QByteArrayView>

// Reads the orientation tag (274, 0x0112) the way the imaging services report
// it: from the EXIF block of a JPEG's APP1 segment, or from the first IFD of a
// TIFF file. Returns the tag's first value when it is stored as an unsigned
// 16-bit number (type 3), and 0 when there is no such tag or the data is
// damaged. Every offset is checked against the data before it is read.
int ReadOrientationTag(QByteArrayView fileBytes);

// The same for a bare TIFF structure (byte-order mark, 42, IFD offset, ...).
int ReadOrientationFromTiff(QByteArrayView tiff);
