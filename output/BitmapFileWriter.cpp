#include "BitmapFileWriter.h"

#include "platform/imaging/CodecFactory.h"
#include "platform/imaging/QtImageEncoder.h"
#include "platform/imaging/RowSource.h"

bool WriteBitmapFile(Bitmap bitmap, OutputFormat format, const ImagingServices& imaging,
                     const QString& path, FilePublish publish) {
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
        ImageRowSource rows(bitmap.image);
        bitmap = Bitmap();  // the row source holds the pixels now
        encoded = imaging.WicFactory->Encode(name, rows, file);
    } else {
        encoded = EncodeWithQt(bitmap, qtFormat, file);
    }
    if (!encoded) return false;  // the temporary file goes with `file`
    return file.Commit();
}

bool WriteRowsFile(RowSource& rows, OutputFormat format, const ImagingServices& imaging,
                   const QString& path, FilePublish publish) {
    if (rows.Width() < 1 || rows.Height() < 1 || !imaging.WicFactory) return false;
    AtomicFile file(path);
    if (!file.Open(publish)) return false;
    if (!imaging.WicFactory->Encode(FormatName(format), rows, file)) return false;
    return file.Commit();
}
