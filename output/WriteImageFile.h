#pragma once

#include <QString>

#include "document/CBitmapHolder.h"
#include "platform/AtomicFile.h"

class CTavloDoc;

// Writes a finished result to a file whose format follows the path's
// extension (see OutputFormatForPath).
//
// A transparent result written as PNG keeps its 32-bit pixels, alpha
// included. Every other case renders the source again with the document's
// output parameters in opaque 24 bits, so the margin takes the margin colour
// at full opacity and semi-transparent pixels are composed onto it: JPEG, BMP
// and HEIF files, and PNG files of opaque results, carry no alpha channel.
// The document's output resolution is stored when both directions are
// non-zero (first imaging component only; see WriteBitmapFile). The source's
// colour profile and EXIF block go into the formats that carry them.
//
// result: the rendered 32-bit result; source: the image it was rendered from;
// transparent: HasTransparency of the result. With Replace an existing file of
// that name is replaced once the new one is complete; with NoReplace it is
// never touched. False when nothing was written (the target is then as it
// was, and no partial file is left): rendering failed, no encoder, the folder
// is missing or not writable, the disk is full, the name is taken.
//
// SourceAfterWriting::Dropped: the caller lets go of the source after this
// and nothing else reads it meanwhile; the memory of the source rows that no
// row still to be encoded samples is then given back while the file is
// written, so that the job does not hold the whole source to its end.
enum class SourceAfterWriting { Kept, Dropped };
bool WriteImageFile(CTavloDoc& document, const HolderPtr& result, bool transparent,
                    const HolderPtr& source, const QString& path,
                    FilePublish publish = FilePublish::Replace,
                    SourceAfterWriting after = SourceAfterWriting::Kept);
