// The batch worker: load, size check, render and automatic save for each
// item, with the next file decoded ahead.

#include <future>
#include <system_error>

#include "BatchRun.h"
#include "app/CTavloApp.h"
#include "document/CTavloDoc.h"
#include "document/ImageLoader.h"
#include "output/SaveWithAutoName.h"
#include "output/SaveableResult.h"
#include "platform/imaging/ImageAllocation.h"

namespace {
struct Outcome {
    int status = BatchFailed;
    QString outputPath;  // empty unless saving computed one
};

Outcome ProcessLoaded(CTavloDoc& document, const HolderPtr& image, const QString& inputPath,
                      const BatchRun::ItemEdit& edit) {
    if (!image) return {BatchFailed, {}};
    // The image that was straightened interactively, after its own orientation
    // correction: every file must have its size.
    const CUndoItem* params = document.OutputParams();
    if (!params || !params->m_image) return {BatchFailed, {}};
    if (image->Width() != params->m_image->Width() || image->Height() != params->m_image->Height())
        return {BatchSizeMismatch, {}};
    if (edit && !edit(image)) return {BatchFailed, {}};
    const std::optional<SaveableResult> rendered = RenderResultForSaving(document, image);
    if (!rendered) return {BatchFailed, {}};
    Outcome outcome;
    outcome.status = SaveWithAutoName(document, rendered->result, rendered->transparent, image,
                                      inputPath, &outcome.outputPath)
                         ? BatchSucceeded
                         : BatchFailed;
    return outcome;
}

// Decodes one file on a thread of its own (which inherits the worker's
// priority). The decoders keep no state between calls and never touch the
// document, so a decode may run beside the render and the encoder.
// Without a thread to spare (the system refuses one) there is no reading
// ahead: the file is loaded when it is in hand.
std::future<HolderPtr> DecodeAhead(const QString& path, const ImagingServices& imaging) {
    try {
        return std::async(std::launch::async,
                          [path, imaging] { return LoadImageFromFile(path, imaging); });
    } catch (const std::system_error&) {
        return {};
    }
}
}  // namespace

void ProcessItems(BatchRun& run) {
    CTavloDoc& document = run.Document();
    const ImagingServices imaging = document.App().Imaging();
    const std::vector<BatchItemPtr>& items = run.Items();

    // Every file of a run has the same size: the buffers of one file's image
    // and result serve the next.
    const LargeImageRecycling recycling;
    std::size_t index = run.NextToVisit(0);
    std::future<HolderPtr> next;
    if (index < items.size()) next = DecodeAhead(items[index]->m_inputPath, imaging);
    while (index < items.size()) {
        run.MarkInHand(index);
        if (run.m_itemStarted) run.m_itemStarted(index);
        const CBatchItem& item = *items[index];
        HolderPtr image = next.valid() ? next.get() : nullptr;
        // Read again what could not be read ahead: memory may have been short
        // while the previous file was still held, or the file may have been
        // written only by the previous item. Loading now is what a run without
        // reading ahead would have done.
        if (!image) image = LoadImageFromFile(item.m_inputPath, imaging);

        // The following file is read while this one renders and encodes, unless
        // the run is about to stop anyway.
        const std::size_t following = run.NextToVisit(index + 1);
        if (following < items.size() && !run.StopRequested())
            next = DecodeAhead(items[following]->m_inputPath, imaging);

        const Outcome outcome = ProcessLoaded(document, image, item.m_inputPath, run.m_itemEdit);
        image.reset();
        run.Record(index, outcome.status, outcome.outputPath);
        if (run.m_itemFinished) run.m_itemFinished(index);
        if (run.StopRequested()) break;
        index = following;
    }
    // A file decoded ahead for a run that stopped is dropped unused; the future
    // waits for its thread, so nothing outlives the worker.
    if (next.valid()) next.wait();
}
