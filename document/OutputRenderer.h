#pragma once

#include <memory>

#include "CBitmapHolder.h"
#include "CUndoItem.h"
#include "MarginColor.h"
#include "OutputMapping.h"
#include "RenderKernels.h"
#include "platform/imaging/RowSource.h"

enum class OutputPixelFormat;

// Renders the straightened result of frozen parameters: the source mirrored,
// turned about its centre, cut to the trim frame and scaled, composed onto the
// margin colour. Rows are independent, so any band can be rendered on any
// thread, in any order, straight into an encoder's buffer.
//
// Output pixel (X, Y) has its centre at (X, Y); the snapped top-left corner of
// the trim frame lands on output pixel (0, 0). See OutputMapping for the map
// back into the source.
class OutputRenderer : public RowSource {
public:
    // None unless the result size is at least 1 x 1, both factors (as floats)
    // are above 0, and the result is not smaller than the trimmed size.
    static std::unique_ptr<OutputRenderer> Create(const CUndoItem& params, HolderPtr source,
                                                  MarginColor margin, OutputPixelFormat format);

    int Width() const override { return m_width; }
    int Height() const override { return m_height; }
    RowLayout Layout() const override {
        return m_bytesPerPixel == 4 ? RowLayout::Bgra32 : RowLayout::Bgr24;
    }
    bool ReadRows(int first, int count, uchar* target, qsizetype stride) override;

    // Renders rows first .. first + count - 1; safe to call from several threads
    // at once for different rows. A source still being decoded is waited for
    // as far as these rows sample it. False (and the rows are not rendered)
    // when those source rows never arrive.
    bool RenderRows(int first, int count, uchar* target, qsizetype stride) const;

    // How many source rows from the top rows first .. first + count - 1 can
    // sample, neighbours included: all of them where the map runs upwards.
    int SourceRowsNeeded(int first, int count) const;
    // The source rows above the one returned are read by no output row from
    // firstRow down (none at all where the map runs upwards).
    int SourceRowsUnusedFrom(int firstRow) const;

    // The whole result, rows split over the processor's cores. A null image when
    // memory is short or the source never arrives whole.
    QImage RenderImage() const;

    // True when no output pixel can be less than fully opaque: the source is
    // opaque and either the margin is opaque or every sample lies where all four
    // neighbours are source pixels. False means "perhaps".
    bool CertainlyOpaque() const;

private:
    OutputRenderer() = default;
    // Where a row changes from margin to image edge to interior and back.
    struct RowPlan {
        RowWalk walk{};
        int touchFrom = 0, touchTo = -1;  // some neighbour may be a source pixel
        int innerFrom = 0, innerTo = -1;  // all four are (opaque sources only)
    };
    RowPlan PlanRow(int y) const;
    void RenderSegment(const RowPlan& plan, int from, int to, uchar* row) const;
    void Prefetch(const RowPlan& first, const RowPlan& last, int from, int to) const;
    RowWalk WalkOfRow(int y) const;
    bool InsideAllNeighbours(std::int64_t px, std::int64_t py) const;

    HolderPtr m_source;
    MarginColor m_margin;
    OutputMapping m_mapping;
    int m_width = 0;
    int m_height = 0;
    int m_bytesPerPixel = 4;
};

// The result-size and scale conditions rendering needs.
bool OutputParamsRenderable(const CUndoItem& params);
