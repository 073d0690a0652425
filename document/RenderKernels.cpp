#include "RenderKernels.h"

#include <cmath>
#include <cstring>


namespace {
// Rounds a 32.32 position to 1/256 pixel.
inline std::int64_t ToEighth(std::int64_t position) {
    return (position + (std::int64_t(1) << 23)) >> 24;
}

// Rounds a 32.32 position to 1/65536 pixel.
inline std::int64_t ToSixteenth(std::int64_t position) {
    return (position + (std::int64_t(1) << 15)) >> 16;
}

inline void Store(std::uint8_t* out, int bytesPerPixel, int b, int g, int r, int a) {
    out[0] = std::uint8_t(b);
    out[1] = std::uint8_t(g);
    out[2] = std::uint8_t(r);
    if (bytesPerPixel == 4) out[3] = std::uint8_t(a);
}
}  // namespace

void FillSpanWithMargin(MarginColor margin, int bytesPerPixel, int count, std::uint8_t* out) {
    for (int i = 0; i < count; ++i, out += bytesPerPixel)
        Store(out, bytesPerPixel, margin.b, margin.g, margin.r, margin.a);
}

void RenderSpanGeneral(const SourcePixels& source, RowWalk walk, int count, MarginColor margin,
                       int bytesPerPixel, std::uint8_t* out) {
    const double marginA = margin.a / 255.0;
    const double marginC[3] = {margin.b / 255.0, margin.g / 255.0, margin.r / 255.0};
    for (int i = 0; i < count; ++i, out += bytesPerPixel, walk.x += walk.dx, walk.y += walk.dy) {
        // Positions to 1/65536 pixel here: where neighbours differ in opacity the
        // colour is a ratio of sums, and coarse weights would show in it.
        const std::int64_t px = ToSixteenth(walk.x), py = ToSixteenth(walk.y);
        const std::int64_t x0 = px >> 16, y0 = py >> 16;
        const double fx = (px & 0xFFFF) / 65536.0, fy = (py & 0xFFFF) / 65536.0;
        const double weights[4] = {(1 - fx) * (1 - fy), fx * (1 - fy), (1 - fx) * fy, fx * fy};
        double sumA = 0, sumC[3] = {0, 0, 0};
        for (int k = 0; k < 4; ++k) {
            const std::int64_t x = x0 + (k & 1), y = y0 + (k >> 1);
            // Outside the source everything is transparent black.
            if (x < 0 || y < 0 || x >= source.width || y >= source.height) continue;
            const std::uint8_t* p = source.bits + y * source.stride + x * 4;
            const double wa = weights[k] * (p[3] / 255.0);
            sumA += wa;
            for (int c = 0; c < 3; ++c) sumC[c] += wa * (p[c] / 255.0);
        }
        // Source-over onto the margin, in units of 0 ... 1.
        double outC[3];
        double outA = 1.0;
        if (bytesPerPixel == 4) {
            outA = sumA + marginA * (1.0 - sumA);
            for (int c = 0; c < 3; ++c) {
                const double premultiplied = sumC[c] + marginC[c] * marginA * (1.0 - sumA);
                // Where nothing covers the pixel the margin's own colour stays, even
                // at opacity 0, as a cleared surface keeps it.
                outC[c] = outA > 0.0 ? premultiplied / outA : marginC[c];
            }
        } else {
            for (int c = 0; c < 3; ++c) outC[c] = sumC[c] + marginC[c] * (1.0 - sumA);
        }
        const auto toByte = [](double v) {
            const double scaled = std::floor(v * 255.0 + 0.5);
            return int(scaled < 0.0 ? 0.0 : scaled > 255.0 ? 255.0 : scaled);
        };
        Store(out, bytesPerPixel, toByte(outC[0]), toByte(outC[1]), toByte(outC[2]),
              toByte(outA));
    }
}

void RenderSpanOpaqueInteriorPortable(const SourcePixels& source, RowWalk walk, int count,
                                      int bytesPerPixel, std::uint8_t* out) {
    for (int i = 0; i < count; ++i, out += bytesPerPixel, walk.x += walk.dx, walk.y += walk.dy) {
        const std::int64_t px = ToEighth(walk.x), py = ToEighth(walk.y);
        const std::uint8_t* p00 = source.bits + (py >> 8) * source.stride + (px >> 8) * 4;
        const std::uint8_t* p10 = p00 + source.stride;
        const unsigned fx = unsigned(px & 255), fy = unsigned(py & 255);
        unsigned result[4];
        for (int c = 0; c < 4; ++c) {
            // Exactly the steps of the vector loop: the horizontal step is exact
            // in 16 bits (left * 256 + (right - left) * fx); the vertical one
            // takes two high halves of 16-bit products.
            const unsigned top = p00[c] * 256u + (p00[4 + c] - int(p00[c])) * int(fx);
            const unsigned bottom = p10[c] * 256u + (p10[4 + c] - int(p10[c])) * int(fx);
            const unsigned v = top - ((top * (fy << 8)) >> 16) + ((bottom * (fy << 8)) >> 16);
            result[c] = ((v + 128u) & 0xFFFFu) >> 8;
        }
        Store(out, bytesPerPixel, int(result[0]), int(result[1]), int(result[2]), 255);
    }
}
