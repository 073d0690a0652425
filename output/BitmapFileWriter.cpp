#include "BitmapFileWriter.h"

#include <optional>

#include "platform/imaging/CodecFactory.h"
#include "platform/imaging/ExifForResult.h"
#include "platform/imaging/QtImageEncoder.h"
#include "platform/imaging/QtRowEncoder.h"
#include "platform/imaging/RowSource.h"

namespace {
// Which component writes format: the second one, or the first one with the Qt
// writer format it needs. Looked up before any file is created, so a missing
// encoder leaves nothing behind.
struct EncoderChoice {
    bool secondComponent = false;
    QByteArray qtFormat;
};

std::optional<EncoderChoice> ChooseEncoder(OutputFormat format, const ImagingServices& imaging) {
    EncoderChoice choice;
    choice.secondComponent = imaging.UseWIC == 2 || format == OutputFormat::Heic;
    if (choice.secondComponent) {
        if (!imaging.WicFactory) return std::nullopt;
    } else if (FindEncoderClsid("image/" + FormatName(format).toLatin1(), &choice.qtFormat) < 0) {
        return std::nullopt;
    }
    return choice;
}

// The source's metadata as the result carries it. Its EXIF block states the
// resolution the file stores: none from the second component, and from the
// first dpiX and dpiY when both are set, else that of a new bitmap (as
// EncodeWithQt and EncodeRowsLikeQt stamp it).
ImageMetadata ForResult(const ImageMetadata& source, int width, int height, bool secondComponent,
                        float dpiX, float dpiY) {
    const bool stamped = dpiX > 0.0f && dpiY > 0.0f;
    const float storedX = secondComponent ? 0.0f : stamped ? dpiX : kNewBitmapDpi;
    const float storedY = secondComponent ? 0.0f : stamped ? dpiY : kNewBitmapDpi;
    ImageMetadata metadata = source;
    metadata.exif = ExifForResult(source.exif, width, height, storedX, storedY);
    return metadata;
}
}  // namespace

bool WriteBitmapFile(Bitmap bitmap, OutputFormat format, const ImagingServices& imaging,
                     const QString& path, FilePublish publish, const ImageMetadata& source) {
    if (bitmap.Width() < 1 || bitmap.Height() < 1) return false;
    const std::optional<EncoderChoice> encoder = ChooseEncoder(format, imaging);
    if (!encoder) return false;

    AtomicFile file(path);
    if (!file.Open(publish)) return false;
    const ImageMetadata metadata = ForResult(source, bitmap.Width(), bitmap.Height(),
                                             encoder->secondComponent, bitmap.dpiX, bitmap.dpiY);
    bool encoded;
    if (encoder->secondComponent) {
        ImageRowSource rows(bitmap.image);
        bitmap = Bitmap();  // the row source holds the pixels now
        encoded = imaging.WicFactory->Encode(FormatName(format), rows, file, metadata);
    } else {
        encoded = EncodeWithQt(bitmap, encoder->qtFormat, file, metadata);
    }
    if (!encoded) return false;  // the temporary file goes with `file`
    return file.Commit();
}

bool WriteRowsFile(RowSource& rows, float dpiX, float dpiY, OutputFormat format,
                   const ImagingServices& imaging, const QString& path, FilePublish publish,
                   const ImageMetadata& source) {
    if (rows.Width() < 1 || rows.Height() < 1) return false;
    const std::optional<EncoderChoice> encoder = ChooseEncoder(format, imaging);
    if (!encoder) return false;

    AtomicFile file(path);
    if (!file.Open(publish)) return false;
    const ImageMetadata metadata =
        ForResult(source, rows.Width(), rows.Height(), encoder->secondComponent, dpiX, dpiY);
    const bool encoded =
        encoder->secondComponent
            ? imaging.WicFactory->Encode(FormatName(format), rows, file, metadata)
            : EncodeRowsLikeQt(encoder->qtFormat, rows, dpiX, dpiY, file, metadata);
    if (!encoded) return false;
    return file.Commit();
}
