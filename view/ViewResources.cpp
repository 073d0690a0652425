#include "ViewResources.h"

#include <QPainter>
#include <QPixmap>

QCursor CrosshairCursor() {
    constexpr int kHot = 9, kArm = 8;
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    const QRgb white = qRgba(255, 255, 255, 255), black = qRgba(0, 0, 0, 255);
    auto armPixels = [&](auto&& paint) {
        for (int d = 2; d <= kArm; ++d) {
            paint(kHot - d, kHot);
            paint(kHot + d, kHot);
            paint(kHot, kHot - d);
            paint(kHot, kHot + d);
        }
    };
    // The outline first: every neighbour of an arm pixel, except the centre.
    armPixels([&](int x, int y) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const int px = x + dx, py = y + dy;
                if (std::abs(px - kHot) <= 1 && std::abs(py - kHot) <= 1) continue;
                image.setPixel(px, py, white);
            }
    });
    armPixels([&](int x, int y) { image.setPixel(x, y, black); });
    return QCursor(QPixmap::fromImage(image), kHot, kHot);
}

std::array<QPen, 2> OverlayPens() {
    std::array<QPen, 2> pens{QPen(QColor(255, 255, 255, 96)), QPen(QColor(0, 0, 0, 96))};
    for (QPen& pen : pens) {
        pen.setWidth(1);
        pen.setCosmetic(true);
        pen.setDashPattern({4, 4});
    }
    pens[1].setDashOffset(4);
    return pens;
}

QImage HandleBitmap() {
    QImage image(7, 7, QImage::Format_ARGB32);
    image.fill(qRgba(0, 0, 0, 255));
    {
        QPainter painter(&image);
        painter.fillRect(1, 1, 5, 5, QColor(255, 255, 255, 255));
    }
    return image;
}

QImage DashStrip(int length, Qt::Orientation orientation) {
    length = std::max(1, length);
    QImage strip(orientation == Qt::Horizontal ? QSize(length, 1) : QSize(1, length),
                 QImage::Format_ARGB32_Premultiplied);
    const QRgb white = qPremultiply(qRgba(255, 255, 255, 96));
    const QRgb black = qPremultiply(qRgba(0, 0, 0, 96));
    auto* pixels = reinterpret_cast<QRgb*>(strip.bits());
    const int step = orientation == Qt::Horizontal ? 1 : int(strip.bytesPerLine() / 4);
    for (int i = 0; i < length; ++i) pixels[i * step] = (i % 8) < 4 ? white : black;
    return strip;
}
