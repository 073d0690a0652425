#include "WriteImageFile.h"

#include <thread>

#include "BitmapFileWriter.h"
#include "OutputFormat.h"
#include "app/CTavloApp.h"
#include "document/CTavloDoc.h"
#include "document/OutputRenderer.h"
#include "platform/WaitCursor.h"
#include "platform/imaging/PrefetchingRowSource.h"

bool WriteImageFile(CTavloDoc& document, const HolderPtr& result, bool transparent,
                    const HolderPtr& source, const QString& path, FilePublish publish) {
    WaitCursor wait;
    const ImagingServices imaging = document.App().Imaging();
    const OutputFormat format = OutputFormatForPath(path, imaging.HeifAvailable);

    const bool secondComponent = imaging.UseWIC == 2 || format == OutputFormat::Heic;
    const ImageMetadata metadata = source ? source->Metadata() : ImageMetadata();
    if (!(format == OutputFormat::Png && transparent) && secondComponent && source) {
        // The second component's encoders take rows band by band: the opaque
        // rendering goes straight into them, rendered on the other cores a few
        // bands ahead, without a full-size buffer. It stores no resolution.
        const std::unique_ptr<OutputRenderer> renderer =
            document.MakeOutputRenderer(source, OutputPixelFormat::Rgb24);
        if (!renderer) return false;
        const int workers = int(std::max(1u, std::thread::hardware_concurrency() - 1));
        PrefetchingRowSource rows(
            [&](int first, int count, uchar* target, qsizetype stride) {
                renderer->RenderRows(first, count, target, stride);
            },
            renderer->Width(), renderer->Height(), renderer->Layout(), workers);
        return WriteRowsFile(rows, format, imaging, path, publish, metadata);
    }

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
    return WriteBitmapFile(std::move(bitmap), format, imaging, path, publish, metadata);
}
