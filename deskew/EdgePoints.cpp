#include "EdgePoints.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "ParallelFor.h"

namespace {
constexpr int kMinimumStep = 10;

// The paper's brightness: a high percentile of the histogram, so that text,
// pictures and a dark border up to most of the image do not pull it down.
int PaperLevel(const GreyImage& grey) {
    std::array<std::size_t, 256> histogram{};
    for (uint8_t v : grey.pixels) ++histogram[v];
    const std::size_t target = grey.pixels.size() * 9 / 10;
    std::size_t seen = 0;
    for (int v = 0; v < 256; ++v) {
        seen += histogram[std::size_t(v)];
        if (seen >= target) return v;
    }
    return 255;
}

// Pixels of dark regions reached from the image's edge through dark pixels
// (4-connected), grown by margin pixels.
std::vector<uint8_t> BorderMask(const GreyImage& grey, int darkBelow, int margin) {
    const int w = grey.width, h = grey.height;
    std::vector<uint8_t> mask(grey.pixels.size(), 0);
    std::vector<int> stack;
    auto seed = [&](int x, int y) {
        const std::size_t i = std::size_t(y) * w + x;
        if (!mask[i] && grey.pixels[i] < darkBelow) mask[i] = 1, stack.push_back(int(i));
    };
    for (int x = 0; x < w; ++x) seed(x, 0), seed(x, h - 1);
    for (int y = 0; y < h; ++y) seed(0, y), seed(w - 1, y);
    bool any = !stack.empty();
    while (!stack.empty()) {
        const int i = stack.back();
        stack.pop_back();
        const int x = i % w, y = i / w;
        if (x > 0) seed(x - 1, y);
        if (x + 1 < w) seed(x + 1, y);
        if (y > 0) seed(x, y - 1);
        if (y + 1 < h) seed(x, y + 1);
    }
    if (!any || margin <= 0) return mask;
    // Grow: a running maximum along rows, then along columns.
    std::vector<uint8_t> grown(mask.size(), 0);
    for (int y = 0; y < h; ++y) {
        int last = -1000000;
        const uint8_t* row = mask.data() + std::size_t(y) * w;
        uint8_t* out = grown.data() + std::size_t(y) * w;
        for (int x = 0; x < w; ++x) {
            if (row[x]) last = x;
            if (x - last <= margin) out[x] = 1;
        }
        last = 1000000;
        for (int x = w - 1; x >= 0; --x) {
            if (row[x]) last = x;
            if (last - x <= margin) out[x] = 1;
        }
    }
    // Down and up the columns, row by row: the distance to the nearest grown
    // pixel above (then below) in each column.
    std::fill(mask.begin(), mask.end(), 0);
    std::vector<int> distance(static_cast<std::size_t>(w), 0);
    for (int pass = 0; pass < 2; ++pass) {
        std::fill(distance.begin(), distance.end(), margin + 1);
        for (int k = 0; k < h; ++k) {
            const int y = pass == 0 ? k : h - 1 - k;
            const uint8_t* row = grown.data() + std::size_t(y) * w;
            uint8_t* out = mask.data() + std::size_t(y) * w;
            for (int x = 0; x < w; ++x) {
                distance[std::size_t(x)] =
                    row[x] ? 0 : std::min(distance[std::size_t(x)] + 1, margin + 1);
                if (distance[std::size_t(x)] <= margin) out[x] = 1;
            }
        }
    }
    return mask;
}

// The ink threshold of every pixel, a fixed fraction of the paper's local
// brightness. The paper's brightness is the brightest value of blocks of
// block x block pixels, taken over each block and its eight neighbours (so a
// block inside a bold heading still sees paper), between block centres
// interpolated bilinearly. A threshold that does not follow the density of
// the text keeps the strokes' upper and lower edges parallel: a threshold
// from the local mean would thin the strokes where the text is dense and bend
// their edges apart.
std::vector<uint8_t> InkLevels(const GreyImage& grey, int block) {
    const int w = grey.width, h = grey.height;
    const int bw = (w + block - 1) / block, bh = (h + block - 1) / block;
    std::vector<uint8_t> maxima(std::size_t(bw) * bh, 0);
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = grey.pixels.data() + std::size_t(y) * w;
        uint8_t* blockRow = maxima.data() + std::size_t(y / block) * bw;
        for (int x = 0; x < w; ++x) blockRow[x / block] = std::max(blockRow[x / block], row[x]);
    }
    std::vector<float> paper(maxima.size(), 0.0f);
    for (int by = 0; by < bh; ++by)
        for (int bx = 0; bx < bw; ++bx) {
            uint8_t m = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = bx + dx, ny = by + dy;
                    if (nx >= 0 && ny >= 0 && nx < bw && ny < bh)
                        m = std::max(m, maxima[std::size_t(ny) * bw + nx]);
                }
            paper[std::size_t(by) * bw + bx] = float(m);
        }
    std::vector<uint8_t> levels(grey.pixels.size(), 0);
    ParallelFor(h, 64, [&](int begin, int end) {
        std::vector<float> rowPaper(static_cast<std::size_t>(w), 0.0f);
        for (int y = begin; y < end; ++y) {
            const float fy = std::clamp((y + 0.5f) / float(block) - 0.5f, 0.0f, float(bh - 1));
            const int y0 = std::min(int(fy), bh - 1), y1 = std::min(y0 + 1, bh - 1);
            const float wy = fy - float(y0);
            for (int x = 0; x < w; ++x) {
                const float fx = std::clamp((x + 0.5f) / float(block) - 0.5f, 0.0f, float(bw - 1));
                const int x0 = std::min(int(fx), bw - 1), x1 = std::min(x0 + 1, bw - 1);
                const float wx = fx - float(x0);
                const float top = paper[std::size_t(y0) * bw + x0] * (1 - wx) +
                                  paper[std::size_t(y0) * bw + x1] * wx;
                const float bottom = paper[std::size_t(y1) * bw + x0] * (1 - wx) +
                                     paper[std::size_t(y1) * bw + x1] * wx;
                const float p = top * (1 - wy) + bottom * wy;
                // Ink is at least a fifth darker than the paper and 24 levels
                // below it: well clear of JPEG noise and a bed's shading.
                levels[std::size_t(y) * w + x] =
                    uint8_t(std::clamp(std::min(p * 0.8f, p - 24.0f), 0.0f, 255.0f));
            }
        }
    });
    return levels;
}
}  // namespace

EdgePoints FindEdgePoints(const GreyImage& grey, bool flipX, bool flipY, std::size_t maxPoints) {
    EdgePoints points;
    const int w = grey.width, h = grey.height;
    if (w < 8 || h < 8) return points;
    const int longSide = std::max(w, h);
    const std::vector<uint8_t> levels = InkLevels(grey, std::max(8, longSide / 64));
    const int paper = PaperLevel(grey);
    const std::vector<uint8_t> border = BorderMask(grey, paper / 2, 2);

    // Where ink and paper meet between two pixels of a column, the point lies
    // where the grey crosses the threshold, interpolated between the two
    // pixels. Positions between the pixel rows keep the points off the pixel
    // grid, which would otherwise favour the angles where the grid's rows line
    // up (0 degrees) whatever the page shows.
    const float cx = (w - 1) * 0.5f, cy = (h - 1) * 0.5f;
    const float sx = flipX ? -1.0f : 1.0f, sy = flipY ? -1.0f : 1.0f;
    const int chunks = std::max(1, std::min(8, h / 64));
    std::vector<EdgePoints> parts(static_cast<std::size_t>(chunks));
    ParallelFor(chunks, 1, [&](int begin, int end) {
        for (int chunk = begin; chunk < end; ++chunk) {
            EdgePoints& part = parts[std::size_t(chunk)];
            const int yBegin = int(long(h - 1) * chunk / chunks);
            const int yEnd = int(long(h - 1) * (chunk + 1) / chunks);
            for (int y = yBegin; y < yEnd; ++y) {
                const std::size_t row = std::size_t(y) * w, below = row + std::size_t(w);
                for (int x = 0; x < w; ++x) {
                    const int g0 = grey.pixels[row + x], g1 = grey.pixels[below + x];
                    const int l0 = levels[row + x], l1 = levels[below + x];
                    if ((g0 < l0) == (g1 < l1) || border[row + x] || border[below + x]) continue;
                    // An edge is a steep step. Where a smooth shade merely
                    // passes the threshold (a sky, a blurred background) the
                    // crossing follows the shading, not anything drawn.
                    if (std::abs(g0 - g1) < kMinimumStep) continue;
                    const float level = 0.5f * float(l0 + l1);
                    const float t =
                        g0 == g1 ? 0.5f
                                 : std::clamp((float(g0) - level) / float(g0 - g1), 0.0f, 1.0f);
                    part.x.push_back(sx * (float(x) - cx));
                    part.y.push_back(sy * (float(y) + t - cy));
                }
            }
        }
    });
    std::size_t total = 0;
    for (const EdgePoints& part : parts) total += part.Size();
    const std::size_t keepEvery =
        maxPoints > 0 ? std::max<std::size_t>(1, (total + maxPoints - 1) / maxPoints) : 1;
    points.x.reserve(total / keepEvery + 1);
    points.y.reserve(total / keepEvery + 1);
    std::size_t seen = 0;
    for (const EdgePoints& part : parts)
        for (std::size_t i = 0; i < part.Size(); ++i)
            if (seen++ % keepEvery == 0)
                points.x.push_back(part.x[i]), points.y.push_back(part.y[i]);
    points.radius = std::sqrt(cx * cx + cy * cy) + 2.0f;
    return points;
}
