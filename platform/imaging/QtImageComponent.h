#pragma once

#include <QByteArrayView>
#include <optional>

#include "DecodedImage.h"
#include "ImageFormatSniffer.h"

// The first imaging component (the role GDI+ had): Qt's image I/O with its
// plug-ins. Decodes the first frame of anything a plug-in reads, in the
// working format, with the file's resolution (96 dpi where it stores none).
// Automatic transformation is off: the orientation tag is read by the program
// and applied by the caller. The few kinds of file that Qt's readers get wrong
// go through the program's own readers (see QtImageComponent.cpp), so both
// components give them the same pixels.
// None when no plug-in reads the data, the image is larger than the program's
// limit, the data ends early, or it is far too small for the image it claims.
std::optional<DecodedImage> DecodeWithQt(QByteArrayView bytes);

// The resolution the first component reports for an image that Qt's reader
// gave these dots per metre (its default ones where the file stores none).
void SetResolutionAsQtRead(Bitmap& bitmap, int dotsPerMetreX, int dotsPerMetreY,
                           ContainerFormat container, QByteArrayView bytes);
