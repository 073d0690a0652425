#pragma once

#include <QByteArrayView>
#include <optional>

#include "DecodedImage.h"

// The first imaging component (the role GDI+ had): Qt's image I/O with its
// plug-ins. Decodes the first frame of anything a plug-in reads, in the
// working format, with the file's resolution. Automatic transformation is off:
// the orientation tag is read by the program and applied by the caller.
// None when no plug-in reads the data, the image is larger than the program's
// limit, or the data ends early.
std::optional<DecodedImage> DecodeWithQt(QByteArrayView bytes);
