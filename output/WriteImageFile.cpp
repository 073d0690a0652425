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

    const ImageMetadata metadata = source ? source->Metadata() : ImageMetadata();
    if (!(format == OutputFormat::Png && transparent)) {
        // Every opaque file takes rows band by band: the rendering goes
        // straight into the encoder, rendered on the other cores a few bands
        // ahead, without a full-size buffer.
        if (!source) return false;
        const std::unique_ptr<OutputRenderer> renderer =
            document.MakeOutputRenderer(source, OutputPixelFormat::Rgb24);
        if (!renderer) return false;
        const int workers = int(std::max(1u, std::thread::hardware_concurrency() - 1));
        PrefetchingRowSource rows(
            [&](int first, int count, uchar* target, qsizetype stride) {
                return renderer->RenderRows(first, count, target, stride);
            },
            renderer->Width(), renderer->Height(), renderer->Layout(), workers);
        return WriteRowsFile(rows, document.m_outputDpiX, document.m_outputDpiY, format, imaging,
                             path, publish, metadata);
    }

    if (!result || result->IsEmpty()) return false;
    // The holder's pixels are shared, never written: the encoders only read.
    Bitmap bitmap = result->AsBitmap();
    const bool stamped = document.m_outputDpiX != 0.0f && document.m_outputDpiY != 0.0f;
    bitmap.dpiX = stamped ? document.m_outputDpiX : kNewBitmapDpi;
    bitmap.dpiY = stamped ? document.m_outputDpiY : kNewBitmapDpi;
    return WriteBitmapFile(std::move(bitmap), format, imaging, path, publish, metadata);
}
