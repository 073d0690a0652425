#include "BitmapFileWriter.h"

#include "platform/imaging/CodecFactory.h"
#include "platform/imaging/ExifForResult.h"
#include "platform/imaging/QtImageEncoder.h"
#include "platform/imaging/QtRowEncoder.h"
#include "platform/imaging/RowSource.h"

namespace {
// dpiX, dpiY: the resolution the file stores, 0 for none.
ImageMetadata ForResult(const ImageMetadata& source, int width, int height, float dpiX,
                        float dpiY) {
    ImageMetadata metadata = source;
    metadata.exif = ExifForResult(source.exif, width, height, dpiX, dpiY);
    return metadata;
}
}  // namespace

bool WriteBitmapFile(Bitmap bitmap, OutputFormat format, const ImagingServices& imaging,
                     const QString& path, FilePublish publish, const ImageMetadata& source) {
    if (bitmap.Width() < 1 || bitmap.Height() < 1) return false;
    const QString name = FormatName(format);
    const bool secondComponent = imaging.UseWIC == 2 || format == OutputFormat::Heic;
    if (secondComponent && !imaging.WicFactory) return false;

    // Looked up before the file is created, so a missing encoder leaves nothing.
    QByteArray qtFormat;
    if (!secondComponent && FindEncoderClsid("image/" + name.toLatin1(), &qtFormat) < 0)
        return false;

    AtomicFile file(path);
    if (!file.Open(publish)) return false;
    bool encoded;
    if (secondComponent) {
        const ImageMetadata metadata = ForResult(source, bitmap.Width(), bitmap.Height(), 0, 0);
        ImageRowSource rows(bitmap.image);
        bitmap = Bitmap();  // the row source holds the pixels now
        encoded = imaging.WicFactory->Encode(name, rows, file, metadata);
    } else {
        // The resolution EncodeWithQt stores.
        const bool stamped = bitmap.dpiX > 0.0f && bitmap.dpiY > 0.0f;
        const ImageMetadata metadata =
            ForResult(source, bitmap.Width(), bitmap.Height(),
                      stamped ? bitmap.dpiX : kNewBitmapDpi, stamped ? bitmap.dpiY : kNewBitmapDpi);
        encoded = EncodeWithQt(bitmap, qtFormat, file, metadata);
    }
    if (!encoded) return false;  // the temporary file goes with `file`
    return file.Commit();
}

bool WriteRowsFile(RowSource& rows, float dpiX, float dpiY, OutputFormat format,
                   const ImagingServices& imaging, const QString& path, FilePublish publish,
                   const ImageMetadata& source) {
    if (rows.Width() < 1 || rows.Height() < 1) return false;
    const QString name = FormatName(format);
    const bool secondComponent = imaging.UseWIC == 2 || format == OutputFormat::Heic;
    if (secondComponent && !imaging.WicFactory) return false;
    QByteArray qtFormat;
    if (!secondComponent && FindEncoderClsid("image/" + name.toLatin1(), &qtFormat) < 0)
        return false;

    AtomicFile file(path);
    if (!file.Open(publish)) return false;
    bool encoded;
    if (secondComponent) {
        const ImageMetadata metadata = ForResult(source, rows.Width(), rows.Height(), 0, 0);
        encoded = imaging.WicFactory->Encode(name, rows, file, metadata);
    } else {
        // The EXIF block states the resolution the file stores, as a bitmap's.
        const bool stamped = dpiX > 0.0f && dpiY > 0.0f;
        const ImageMetadata metadata =
            ForResult(source, rows.Width(), rows.Height(), stamped ? dpiX : kNewBitmapDpi,
                      stamped ? dpiY : kNewBitmapDpi);
        encoded = EncodeRowsLikeQt(qtFormat, rows, dpiX, dpiY, file, metadata);
    }
    if (!encoded) return false;
    return file.Commit();
}
