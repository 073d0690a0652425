#include "RowSource.h"

#include <cstring>

ImageRowSource::ImageRowSource(const QImage& image) {
    if (image.format() == QImage::Format_BGR888) {
        m_image = image;
        m_layout = RowLayout::Bgr24;
    } else {
        m_image = image.format() == QImage::Format_ARGB32
                      ? image
                      : image.convertToFormat(QImage::Format_ARGB32);
        m_layout = RowLayout::Bgra32;
    }
}

bool ImageRowSource::ReadRows(int first, int count, uchar* target, qsizetype stride) {
    if (first < 0 || count < 0 || first + count > m_image.height()) return false;
    const qsizetype rowBytes = qsizetype(m_image.width()) * (m_layout == RowLayout::Bgr24 ? 3 : 4);
    for (int i = 0; i < count; ++i)
        std::memcpy(target + i * stride, m_image.constScanLine(first + i), std::size_t(rowBytes));
    return true;
}
