#pragma once

#include <QString>
#include <QStringList>

#include "CBitmapHolder.h"
#include "platform/imaging/ImagingServices.h"

class QMimeData;

// Import from the clipboard and from drag and drop. Data from other programs
// is tried in this order, the first that gives an image winning:
//   1. one virtual file ("FileGroupDescriptorW" with "FileContents", offered
//      only where Qt exposes Windows clipboard formats) with an image name;
//   2. one real file (text/uri-list naming exactly one local file) with an
//      image name;
//   3. image data: the bytes of each image type offered other than image/bmp,
//      in the order offered, through the program's own loader with the checks
//      a file gets; the pixels of a data object that carries no image bytes
//      (what QMimeData::imageData gives, never decoded from bytes by Qt);
//   4. image/bmp bytes, read by the program's own checked DIB reader.
// A format that is absent or fails to decode passes to the next one.
//
// With out null the reader only answers whether an image could be read
// (formats and names are looked at, nothing is decoded); otherwise *out
// receives the image read.

struct ImportContext {
    ImagingServices imaging;
    QStringList imageExtensions;
};

// True when the name ends with "." and one of the extensions, ignoring case.
bool IsSupportedImageName(const QString& name, const QStringList& imageExtensions);

bool ReadImageFromDataObject(const QMimeData* data, HolderPtr* out, const ImportContext& context);

// The clipboard: in query mode only the presence of a usable format counts.
bool ReadImageFromClipboard(HolderPtr* out, const ImportContext& context);
