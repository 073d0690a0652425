#include "ImageAllocation.h"

#include <cstdlib>
#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {
constexpr std::size_t kHugePage = std::size_t(2) << 20;
constexpr std::size_t kWorthIt = std::size_t(8) << 20;

void Release(void* buffer) { std::free(buffer); }
}  // namespace

QImage AllocateLargeImage(int width, int height, QImage::Format format) {
    if (width <= 0 || height <= 0) return QImage();
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    const qsizetype stride = ((qsizetype(width) * depth + 31) / 32) * 4;
    const std::size_t bytes = std::size_t(stride) * std::size_t(height);
#if defined(__linux__)
    if (bytes >= kWorthIt) {
        const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        void* buffer = std::aligned_alloc(kHugePage, rounded);
        if (!buffer) return QImage();
        madvise(buffer, rounded, MADV_HUGEPAGE);
        QImage image(static_cast<uchar*>(buffer), width, height, stride, format, Release, buffer);
        if (image.isNull()) std::free(buffer);
        return image;
    }
#endif
    return QImage(width, height, format);
}

namespace {
void ReleaseOwner(void* owner) { delete static_cast<QImage*>(owner); }
}  // namespace

QImage ViewRgb32AsArgb32(const QImage& rgb32) {
    if (rgb32.format() != QImage::Format_RGB32) return rgb32.convertToFormat(QImage::Format_ARGB32);
    auto* owner = new QImage(rgb32);
    // constBits() does not detach; nothing writes through the old image again.
    auto* bits = const_cast<uchar*>(owner->constBits());
    QImage view(bits, owner->width(), owner->height(), owner->bytesPerLine(),
                QImage::Format_ARGB32, ReleaseOwner, owner);
    view.setDotsPerMeterX(owner->dotsPerMeterX());
    view.setDotsPerMeterY(owner->dotsPerMeterY());
    return view;
}
