#include "GreyReduction.h"

#include <algorithm>

#include "ParallelFor.h"

int ReductionFactor(int width, int height, int maxLongSide) {
    const int longSide = std::max(width, height);
    return std::max(1, (longSide + maxLongSide - 1) / maxLongSide);
}

namespace {
// Adds the luminance of one row (Rec. 601 weights in 1/256 on bytes B, G, R, A)
// to the column sums. A pixel below full opacity is taken as blended onto
// white: 255 - (255 - y) * a / 255, by a multiply and shift that is exact
// for a = 0 and a = 255.
void AddRowLuma(const uchar* row, int width, uint32_t* sums) {
    for (int x = 0; x < width; ++x) {
        const uchar* p = row + 4 * x;
        const uint32_t y = (29u * p[0] + 150u * p[1] + 77u * p[2]) >> 8;
        const uint32_t a = p[3];
        sums[x] += 255u - (((255u - y) * a * 257u + 257u) >> 16);
    }
}

void ReduceRows(const QImage& image, int factor, int rowStep, GreyImage& out, int rowBegin,
                int rowEnd) {
    const int w = image.width(), h = image.height();
    std::vector<uint32_t> sums(static_cast<std::size_t>(w), 0u);
    for (int oy = rowBegin; oy < rowEnd; ++oy) {
        std::fill(sums.begin(), sums.end(), 0u);
        const int y0 = oy * factor, y1 = std::min(h, y0 + factor);
        int rows = 0;
        for (int y = y0; y < y1; y += rowStep, ++rows)
            AddRowLuma(image.constScanLine(y), w, sums.data());
        uint8_t* dst = out.pixels.data() + std::size_t(oy) * out.width;
        for (int ox = 0; ox < out.width; ++ox) {
            const int x0 = ox * factor, x1 = std::min(w, x0 + factor);
            uint32_t sum = 0;
            for (int x = x0; x < x1; ++x) sum += sums[std::size_t(x)];
            dst[ox] = uint8_t(sum / uint32_t(rows * (x1 - x0)));
        }
    }
}
}  // namespace

GreyImage ReduceToGrey(const QImage& source, int factor) {
    GreyImage out;
    if (source.isNull()) return out;
    const QImage image = source.format() == QImage::Format_ARGB32
                             ? source
                             : source.convertToFormat(QImage::Format_ARGB32);
    factor = std::max(1, factor);
    out.factor = factor;
    out.width = (image.width() + factor - 1) / factor;
    out.height = (image.height() + factor - 1) / factor;
    out.pixels.resize(std::size_t(out.width) * out.height);
    // From blocks of four rows on, every other row is enough: such an image
    // is a scan of at least 400 dpi or a camera picture, whose strokes and rules
    // are more than one pixel thick, and reading half the rows halves the time
    // spent on memory.
    const int rowStep = factor >= 4 ? 2 : 1;
    ParallelFor(out.height, 32,
                [&](int begin, int end) { ReduceRows(image, factor, rowStep, out, begin, end); });
    return out;
}
