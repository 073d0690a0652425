#include "AlphaScan.h"

#include <cstdint>

namespace {
constexpr int kBlockPixels = 32;

inline bool BlockOpaque(const std::uint32_t* pixels, int count) {
    std::uint32_t combined = 0xFFFFFFFFu;
    for (int i = 0; i < count; ++i) combined &= pixels[i];
    return (combined >> 24) == 0xFFu;
}
}  // namespace

bool AnyPixelTransparent(const QImage& image) {
    if (image.isNull() || !image.hasAlphaChannel()) return false;
    const QImage argb = image.format() == QImage::Format_ARGB32
                            ? image
                            : image.convertToFormat(QImage::Format_ARGB32);
    const int width = argb.width();
    for (int y = 0; y < argb.height(); ++y) {
        // Row by row, so that padding between rows of a converted image is never
        // read as a pixel; a partial block at a row's end is tested on its own.
        const auto* row = reinterpret_cast<const std::uint32_t*>(argb.constScanLine(y));
        int x = 0;
        for (; x + kBlockPixels <= width; x += kBlockPixels)
            if (!BlockOpaque(row + x, kBlockPixels)) return true;
        if (x < width && !BlockOpaque(row + x, width - x)) return true;
    }
    return false;
}
