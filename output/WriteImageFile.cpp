#include "WriteImageFile.h"

#include "BitmapFileWriter.h"
#include "OutputFormat.h"
#include "app/CTavloApp.h"
#include "document/CTavloDoc.h"
#include "platform/WaitCursor.h"

bool WriteImageFile(CTavloDoc& document, const HolderPtr& result, bool transparent,
                    const HolderPtr& source, const QString& path, FilePublish publish) {
    WaitCursor wait;
    const ImagingServices imaging = document.App().Imaging();
    const OutputFormat format = OutputFormatForPath(path, imaging.HeifAvailable);

    Bitmap bitmap;
    if (format == OutputFormat::Png && transparent) {
        if (!result || result->IsEmpty()) return false;
        // The holder's pixels are shared, never written: the encoders only read.
        bitmap = result->AsBitmap();
    } else {
        if (!source) return false;
        bitmap = document.RenderOutput(source, OutputPixelFormat::Rgb24);
        if (bitmap.IsNull()) return false;
    }
    const bool stamped = document.m_outputDpiX != 0.0f && document.m_outputDpiY != 0.0f;
    bitmap.dpiX = stamped ? document.m_outputDpiX : kNewBitmapDpi;
    bitmap.dpiY = stamped ? document.m_outputDpiY : kNewBitmapDpi;
    return WriteBitmapFile(std::move(bitmap), format, imaging, path, publish);
}
