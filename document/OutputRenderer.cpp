#include "OutputRenderer.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <system_error>
#include <thread>
#include <vector>

#include "BandDealer.h"
#include "CTavloDoc.h"
#include "RenderKernels.h"
#include "platform/imaging/ImageAllocation.h"
#include "platform/imaging/ImageLimits.h"

namespace {
constexpr int kBandRows = 32;

constexpr double kFixedOne = 4294967296.0;  // 32.32 fixed point

std::int64_t ToFixed(double value) { return std::llround(value * kFixedOne); }

inline std::int64_t ToEighth(std::int64_t position) {
    return (position + (std::int64_t(1) << 23)) >> 24;
}

// The X range where lo <= start + X * step < hi (for an increasing or
// decreasing coordinate), widened by a pixel: callers then settle the exact
// ends with the fixed-point test.
void NarrowToBand(double start, double step, double lo, double hi, double* from, double* to) {
    if (step == 0.0) {
        if (start < lo - 1.0 || start >= hi + 1.0) *from = 1.0, *to = 0.0;
        return;
    }
    double a = (lo - start) / step, b = (hi - start) / step;
    if (a > b) std::swap(a, b);
    *from = std::max(*from, a - 1.0);
    *to = std::min(*to, b + 1.0);
}
}  // namespace

bool OutputParamsRenderable(const CUndoItem& params) {
    const auto finite = [](double v) { return std::isfinite(v); };
    // Beyond the program's image limit a result could not be held in memory;
    // non-finite numbers would make the map back into the source meaningless.
    if (!ImageSizeAcceptable(params.m_resultWidth, params.m_resultHeight) ||
        !finite(params.m_angle) || !finite(params.m_trimLeft) || !finite(params.m_trimTop) ||
        !finite(float(params.m_scaleX)) || !finite(float(params.m_scaleY)))
        return false;
    return params.m_resultWidth >= 1 && params.m_resultHeight >= 1 &&
           float(params.m_scaleX) > 0.0f && float(params.m_scaleY) > 0.0f &&
           params.m_resultWidth >= params.m_trimWidth &&
           params.m_resultHeight >= params.m_trimHeight;
}

std::unique_ptr<OutputRenderer> OutputRenderer::Create(const CUndoItem& params, HolderPtr source,
                                                       MarginColor margin,
                                                       OutputPixelFormat format) {
    if (!source || source->IsEmpty() || !OutputParamsRenderable(params)) return nullptr;
    std::unique_ptr<OutputRenderer> renderer(new OutputRenderer);
    renderer->m_mapping = MakeOutputMapping(params, source->Width(), source->Height());
    renderer->m_source = std::move(source);
    renderer->m_width = params.m_resultWidth;
    renderer->m_height = params.m_resultHeight;
    renderer->m_bytesPerPixel = format == OutputPixelFormat::Argb32 ? 4 : 3;
    // The 24-bit result shows the margin colour at full opacity.
    renderer->m_margin = margin;
    if (format == OutputPixelFormat::Rgb24) renderer->m_margin.a = 255;
    return renderer;
}

RowWalk OutputRenderer::WalkOfRow(int y) const {
    return RowWalk{ToFixed(m_mapping.originX + y * m_mapping.dxByY),
                   ToFixed(m_mapping.originY + y * m_mapping.dyByY), ToFixed(m_mapping.dxByX),
                   ToFixed(m_mapping.dyByX)};
}

bool OutputRenderer::InsideAllNeighbours(std::int64_t px, std::int64_t py) const {
    // Pixels x0 and x0 + 1, rows y0 and y0 + 1 must all be source pixels.
    return px >= 0 && py >= 0 && (px >> 8) + 1 < m_source->Width() &&
           (py >> 8) + 1 < m_source->Height();
}

OutputRenderer::RowPlan OutputRenderer::PlanRow(int y) const {
    const CBitmapHolder& image = *m_source;
    const double startX = m_mapping.originX + y * m_mapping.dxByY;
    const double startY = m_mapping.originY + y * m_mapping.dyByY;
    RowPlan plan;
    plan.walk = WalkOfRow(y);
    const RowWalk& row = plan.walk;
    const auto eighthX = [&](int x) { return ToEighth(row.x + x * row.dx); };
    const auto eighthY = [&](int x) { return ToEighth(row.y + x * row.dy); };
    const int w = image.Width(), h = image.Height(), last = m_width - 1;

    // Where some neighbour may be a source pixel: x0 in -1 ... w - 1 and y0
    // likewise, widened by one so that the general path's finer positions are
    // never cut off.
    const auto touches = [&](int x) {
        const std::int64_t x0 = eighthX(x) >> 8, y0 = eighthY(x) >> 8;
        return x0 >= -2 && x0 <= w && y0 >= -2 && y0 <= h;
    };
    const auto interior = [&](int x) { return InsideAllNeighbours(eighthX(x), eighthY(x)); };
    // Settles an estimated interval [from, to] of a convex condition exactly.
    const auto settle = [&](double fromEstimate, double toEstimate, const auto& holds, int* from,
                            int* to) {
        int a = int(std::clamp(std::ceil(fromEstimate), 0.0, double(m_width)));
        int b = int(std::clamp(std::floor(toEstimate), -1.0, double(last)));
        while (a <= b && !holds(a)) ++a;
        while (b >= a && !holds(b)) --b;
        if (a > b) {
            *from = 0, *to = -1;
            return;
        }
        while (a > 0 && holds(a - 1)) --a;
        while (b < last && holds(b + 1)) ++b;
        *from = a, *to = b;
    };

    double from = 0, to = last;
    NarrowToBand(startX, m_mapping.dxByX, -2.0, w + 1.0, &from, &to);
    NarrowToBand(startY, m_mapping.dyByX, -2.0, h + 1.0, &from, &to);
    settle(from, to, touches, &plan.touchFrom, &plan.touchTo);
    if (image.IsOpaque() && plan.touchFrom <= plan.touchTo) {
        from = plan.touchFrom, to = plan.touchTo;
        NarrowToBand(startX, m_mapping.dxByX, 0.0, w - 1, &from, &to);
        NarrowToBand(startY, m_mapping.dyByX, 0.0, h - 1, &from, &to);
        settle(from, to, interior, &plan.innerFrom, &plan.innerTo);
    }
    if (plan.innerFrom > plan.innerTo)
        plan.innerFrom = plan.touchTo + 1, plan.innerTo = plan.touchTo;
    return plan;
}

void OutputRenderer::RenderSegment(const RowPlan& plan, int from, int to, uchar* row) const {
    const CBitmapHolder& image = *m_source;
    const SourcePixels source{image.RawPixels(), image.Stride(), image.Width(), image.Height()};
    const int bpp = m_bytesPerPixel;
    const auto at = [&](int x) {
        return RowWalk{plan.walk.x + x * plan.walk.dx, plan.walk.y + x * plan.walk.dy, plan.walk.dx,
                       plan.walk.dy};
    };
    // The row is margin | general | interior | general | margin; render the
    // part of each piece that falls into [from, to).
    const auto piece = [&](int a, int b, auto&& render) {
        a = std::max(a, from);
        b = std::min(b, to);
        if (a < b) render(a, b - a);
    };
    piece(0, plan.touchFrom,
          [&](int a, int n) { FillSpanWithMargin(m_margin, bpp, n, row + a * bpp); });
    piece(plan.touchFrom, plan.innerFrom,
          [&](int a, int n) { RenderSpanGeneral(source, at(a), n, m_margin, bpp, row + a * bpp); });
    piece(plan.innerFrom, plan.innerTo + 1,
          [&](int a, int n) { RenderSpanOpaqueInterior(source, at(a), n, bpp, row + a * bpp); });
    piece(plan.innerTo + 1, plan.touchTo + 1,
          [&](int a, int n) { RenderSpanGeneral(source, at(a), n, m_margin, bpp, row + a * bpp); });
    piece(plan.touchTo + 1, m_width,
          [&](int a, int n) { FillSpanWithMargin(m_margin, bpp, n, row + a * bpp); });
}

// Asks for the source lines under output columns from .. to - 1 of a band,
// bounded by the samples at the band's corners.
void OutputRenderer::Prefetch(const RowPlan& first, const RowPlan& last, int from, int to) const {
    if (from >= to) return;
    const CBitmapHolder& image = *m_source;
    std::int64_t x0 = INT64_MAX, x1 = INT64_MIN, y0 = INT64_MAX, y1 = INT64_MIN;
    for (const RowPlan* plan : {&first, &last})
        for (const int x : {from, to - 1}) {
            const std::int64_t sx = (plan->walk.x + x * plan->walk.dx) >> 32;
            const std::int64_t sy = (plan->walk.y + x * plan->walk.dy) >> 32;
            x0 = std::min(x0, sx), x1 = std::max(x1, sx), y0 = std::min(y0, sy),
            y1 = std::max(y1, sy);
        }
    x0 = std::max<std::int64_t>(0, x0), y0 = std::max<std::int64_t>(0, y0);
    x1 = std::min<std::int64_t>(image.Width() - 1, x1 + 1),
    y1 = std::min<std::int64_t>(image.Height() - 1, y1 + 1);
    const uchar* bits = image.RawPixels();
    for (std::int64_t y = y0; y <= y1; ++y)
        for (std::int64_t x = x0 & ~std::int64_t(15); x <= x1; x += 16)
            __builtin_prefetch(bits + y * image.Stride() + x * 4);
}

int OutputRenderer::SourceRowsNeeded(int first, int count) const {
    const int h = m_source->Height();
    if (count <= 0) return 0;
    // The map is affine: the band's corners bound every sample in it.
    std::int64_t lowest = INT64_MIN;
    for (const int y : {first, first + count - 1}) {
        const RowWalk row = WalkOfRow(y);
        for (const int x : {0, m_width - 1}) lowest = std::max(lowest, (row.y + x * row.dy) >> 32);
    }
    // A sample rounded up to the next row reads the row below that one too,
    // and the prefetching reaches one further.
    lowest += 3;
    return int(std::clamp<std::int64_t>(lowest + 1, 0, h));
}

int OutputRenderer::SourceRowsUnusedFrom(int firstRow) const {
    if (firstRow >= m_height) return m_source->Height();
    std::int64_t highest = INT64_MAX;
    for (const int y : {std::max(0, firstRow), m_height - 1}) {
        const RowWalk row = WalkOfRow(y);
        for (const int x : {0, m_width - 1})
            highest = std::min(highest, (row.y + x * row.dy) >> 32);
    }
    // A sample rounded down to the row above reads that row.
    return int(std::clamp<std::int64_t>(highest - 2, 0, m_source->Height()));
}

bool OutputRenderer::RenderRows(int first, int count, uchar* target, qsizetype stride) const {
    // The last row waits for the whole source: a result is complete only when
    // the image it was made from loaded without fault, even where the result
    // shows none of the rows that were damaged.
    const int needed =
        first + count >= m_height ? m_source->Height() : SourceRowsNeeded(first, count);
    if (!m_source->WaitForRows(needed)) return false;
    // Tiles of 32 rows by 128 columns: a turned row walks diagonally through the
    // source, touching a new source row every few pixels; within a tile the rows
    // below reuse the same source lines while they are still in the first-level
    // cache. (Measured on a 24-megapixel turn: 64 x 64 or 16 x 256 are as good,
    // untiled rows a third slower.)
    constexpr int kTileRows = 32;
    constexpr int kTileColumns = 128;
    RowPlan plans[kTileRows];
    for (int band = 0; band < count; band += kTileRows) {
        const int rows = std::min(kTileRows, count - band);
        for (int i = 0; i < rows; ++i) plans[i] = PlanRow(first + band + i);
        for (int column = 0; column < m_width; column += kTileColumns) {
            const int end = std::min(m_width, column + kTileColumns);
            // The next tile's source lines are fetched while this one renders:
            // a turned row's addresses are beyond the hardware prefetcher.
            Prefetch(plans[0], plans[rows - 1], end, std::min(m_width, end + kTileColumns));
            for (int i = 0; i < rows; ++i)
                RenderSegment(plans[i], column, end, target + (band + i) * stride);
        }
    }
    return true;
}

bool OutputRenderer::ReadRows(int first, int count, uchar* target, qsizetype stride) {
    if (first < 0 || count < 0 || first + count > m_height) return false;
    return RenderRows(first, count, target, stride);
}

QImage OutputRenderer::RenderImage() const {
    QImage image = AllocateLargeImage(
        m_width, m_height, m_bytesPerPixel == 4 ? QImage::Format_ARGB32 : QImage::Format_BGR888);
    if (image.isNull()) return image;
    uchar* bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    const int threads = int(std::max(1u, std::min(std::thread::hardware_concurrency(), 16u)));
    std::atomic<bool> failed{false};
    BandDealer dealer((m_height + kBandRows - 1) / kBandRows, threads);
    const auto work = [&](int index) {
        for (int band; !failed && (band = dealer.Next(index)) >= 0;) {
            const int y = band * kBandRows;
            if (!RenderRows(y, std::min(kBandRows, m_height - y), bits + y * stride, stride))
                failed = true;
        }
    };
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back(work, t);
        } catch (const std::system_error&) {
            // No thread to be had: the bands dealt to the helpers that did not
            // start are taken over by the others, this thread included.
            break;
        }
    }
    work(0);
    for (std::thread& helper : helpers) helper.join();
    return failed ? QImage() : image;
}

bool OutputRenderer::CertainlyOpaque() const {
    if (!m_source->IsOpaque()) return false;
    if (m_margin.a == 255) return true;
    // The samples of the output rectangle's corners bound all others (the map is
    // affine and both regions are convex).
    for (int corner = 0; corner < 4; ++corner) {
        const int x = (corner & 1) ? m_width - 1 : 0;
        const RowWalk row = WalkOfRow((corner & 2) ? m_height - 1 : 0);
        if (!InsideAllNeighbours(ToEighth(row.x + x * row.dx), ToEighth(row.y + x * row.dy)))
            return false;
    }
    return true;
}
