#pragma once

#include <QString>

#include "OutputFormat.h"
#include "platform/AtomicFile.h"
#include "platform/imaging/Bitmap.h"
#include "platform/imaging/ImageMetadata.h"
#include "platform/imaging/ImagingServices.h"

class RowSource;

// Encodes a finished bitmap into a file. A Format_ARGB32 bitmap keeps its
// alpha channel (PNG only); a Format_BGR888 bitmap is written without one.
//
// The component: the first (Qt image I/O) unless UseWIC is 2 or the format is
// HEIF, which only the second has. The first component stores the bitmap's
// resolution (dpiX, dpiY; that of a new bitmap when either is 0), the second
// stores none.
//
// source: the colour profile and EXIF block of the image the result was made
// from. PNG, JPEG and HEIF files carry them on both components, the EXIF block
// made to describe the result (ExifForResult: upright, its size, the
// resolution the file stores); BMP files carry neither. Without either the
// file is exactly what it would be without them.
//
// The file appears under path only once it is complete: a failure at any
// point leaves neither a partial file nor a changed target. publish says
// whether an existing entry of that name may be replaced. False when nothing
// was written: no encoder for the format, an empty bitmap, an encoder or disk
// failure, a folder that does not exist or cannot be written, a path that
// names a folder, or (NoReplace) a name that is taken.
bool WriteBitmapFile(Bitmap bitmap, OutputFormat format, const ImagingServices& imaging,
                     const QString& path, FilePublish publish, const ImageMetadata& source = {});

// The same for rows that arrive band by band, so that a result can be encoded
// while it is being rendered. The component is chosen as above, and the files
// are byte for byte those WriteBitmapFile gives for the same pixels; the first
// component stores dpiX and dpiY as it stores a bitmap's.
bool WriteRowsFile(RowSource& rows, float dpiX, float dpiY, OutputFormat format,
                   const ImagingServices& imaging, const QString& path, FilePublish publish,
                   const ImageMetadata& source = {});
