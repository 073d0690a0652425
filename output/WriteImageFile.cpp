#include "WriteImageFile.h"

#include <thread>

#include "BitmapFileWriter.h"
#include "OutputFormat.h"
#include "app/CTavloApp.h"
#include "document/CTavloDoc.h"
#include "document/OutputRenderer.h"
#include "platform/WaitCursor.h"
#include "platform/imaging/PrefetchingRowSource.h"

namespace {
// Passes the rows on and, as the encoder takes them, gives back the source
// rows that no row still to come samples. A band that is rendering now or
// still to be rendered starts less than one band above the first row not yet
// taken, so the bound is worked out from one band back.
class SourceReleasingRows : public RowSource {
public:
    SourceReleasingRows(RowSource& rows, const OutputRenderer& renderer,
                        const CBitmapHolder& source, int bandRows)
        : m_rows(rows), m_renderer(renderer), m_source(source), m_bandRows(bandRows) {}
    int Width() const override { return m_rows.Width(); }
    int Height() const override { return m_rows.Height(); }
    RowLayout Layout() const override { return m_rows.Layout(); }
    bool ReadRows(int first, int count, uchar* target, qsizetype stride) override {
        if (!m_rows.ReadRows(first, count, target, stride)) return false;
        const int unused = m_renderer.SourceRowsUnusedFrom(first + count - m_bandRows);
        if (unused >= m_released + kReleaseStep) {
            m_source.DiscardRowsAbove(unused);
            m_released = unused;
        }
        return true;
    }

private:
    static constexpr int kReleaseStep = 64;  // rows: a few huge pages at a time
    RowSource& m_rows;
    const OutputRenderer& m_renderer;
    const CBitmapHolder& m_source;
    const int m_bandRows;
    int m_released = 0;
};
}  // namespace

bool WriteImageFile(CTavloDoc& document, const HolderPtr& result, bool transparent,
                    const HolderPtr& source, const QString& path, FilePublish publish,
                    SourceAfterWriting after) {
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
        constexpr int kBandRows = 32;
        PrefetchingRowSource rows(
            [&](int first, int count, uchar* target, qsizetype stride) {
                return renderer->RenderRows(first, count, target, stride);
            },
            renderer->Width(), renderer->Height(), renderer->Layout(), workers, kBandRows);
        if (after == SourceAfterWriting::Dropped) {
            SourceReleasingRows releasing(rows, *renderer, *source, kBandRows);
            return WriteRowsFile(releasing, document.m_outputDpiX, document.m_outputDpiY, format,
                                 imaging, path, publish, metadata);
        }
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
