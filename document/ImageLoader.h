#pragma once

#include <QImage>
#include <QString>

#include "CBitmapHolder.h"
#include "platform/imaging/ImagingServices.h"

class ImageStream;

// Turns a file or a byte stream into a holder in the working format with the
// camera's orientation applied, decoding through the first imaging component,
// the second, or both, as UseWIC says. None when nothing could decode it (or
// it decoded to an empty image).
//
// WhileUsed: where the component allows it (a JPEG it decodes the same way row
// by row, upright), the holder comes back as soon as the header is read and
// its rows arrive while it is already in use (see CBitmapHolder::WaitForRows);
// a source found damaged part way through then shows there, not here.
enum class SourceDecoding { Whole, WhileUsed };
HolderPtr LoadImageFromFile(const QString& path, const ImagingServices& imaging,
                            SourceDecoding decoding = SourceDecoding::Whole);
HolderPtr LoadImageFromStream(const ImageStream& stream, const ImagingServices& imaging);

// Turns and mirrors an image as its orientation tag (274) says:
// 2 mirror left-right; 3 turn 180; 4 mirror top-bottom; 5 turn 90 clockwise
// then mirror left-right; 6 turn 90 clockwise; 7 turn 270 clockwise then mirror
// left-right; 8 turn 270 clockwise; 1, absent and anything else: unchanged.
void ApplyExifOrientation(QImage& image, int value);
