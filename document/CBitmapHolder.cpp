#include "CBitmapHolder.h"

#include <algorithm>
#include <cmath>

#include "platform/imaging/AlphaScan.h"
#include "platform/imaging/ImageAllocation.h"

bool CBitmapHolder::CopyFromImage(const Bitmap& image, const ImageMetadata& metadata,
                                  bool knownOpaque) {
    m_width = image.Width();
    m_height = image.Height();
    m_pixelCount = m_width * m_height;
    m_diagonal = std::sqrt(float(m_width) * float(m_width) + float(m_height) * float(m_height));
    m_stride = 4 * m_width;
    m_dpiX = image.dpiX;
    m_dpiY = image.dpiY;
    m_pixels = QImage();
    if (m_pixelCount == 0) return false;
    // Any format becomes the working format; opaque formats get alpha 255.
    m_pixels = image.image.format() == QImage::Format_ARGB32
                   ? image.image
                   : image.image.convertToFormat(QImage::Format_ARGB32);
    if (m_pixels.isNull()) {
        // Out of memory while converting.
        m_pixelCount = 0;
        return false;
    }
    m_opaque = knownOpaque || !image.image.hasAlphaChannel() || !AnyPixelTransparent(m_pixels);
    m_metadata = metadata;
    return true;
}

void CBitmapHolder::DiscardRowsAbove(int rows) const {
    // Rows still arriving would be written again, taking the memory back.
    if (rows <= 0 || m_pixelCount == 0 || !WaitForRows(std::min(rows, m_height))) return;
    DiscardLargeImagePages(m_pixels.constBits(),
                           std::size_t(std::min(rows, m_height)) * std::size_t(m_stride));
}

bool CBitmapHolder::FillWhileArriving(const Bitmap& image, const ImageMetadata& metadata,
                                      std::shared_ptr<const RowArrival> arrival) {
    if (image.image.format() != QImage::Format_ARGB32) return false;
    if (!CopyFromImage(image, metadata, true)) return false;
    m_arrival = std::move(arrival);
    return true;
}

HolderPtr MakeHolder(const Bitmap& image, const ImageMetadata& metadata, bool knownOpaque) {
    auto holder = std::make_shared<CBitmapHolder>();
    if (!holder->CopyFromImage(image, metadata, knownOpaque)) return nullptr;
    return holder;
}
