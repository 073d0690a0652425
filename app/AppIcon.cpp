#include "AppIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {
// Drawn on a 256-unit square, as the scalable picture is.
QPixmap Draw(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 256.0, size / 256.0);

    QLinearGradient ground(0, 8, 0, 248);
    ground.setColorAt(0, QColor(0x2f, 0x6f, 0x9f));
    ground.setColorAt(1, QColor(0x1d, 0x45, 0x66));
    painter.setPen(Qt::NoPen);
    painter.setBrush(ground);
    painter.drawRoundedRect(QRectF(8, 8, 240, 240), 44, 44);

    // The upright frame the sheet is cut back to.
    QPen dashes(QColor(255, 255, 255, 217), 6, Qt::CustomDashLine, Qt::RoundCap);
    dashes.setDashPattern({14.0 / 6, 10.0 / 6});
    painter.setPen(dashes);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(66, 50, 124, 156));

    // The scanned sheet, turned by twelve degrees.
    painter.save();
    painter.translate(128, 128);
    painter.rotate(-12);
    painter.translate(-128, -128);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xf7, 0xf3, 0xe8));
    painter.drawRoundedRect(QRectF(74, 60, 108, 136), 6, 6);
    painter.setBrush(QColor(0x9b, 0xb3, 0xc7));
    painter.drawRoundedRect(QRectF(90, 80, 76, 8), 4, 4);
    painter.drawRoundedRect(QRectF(90, 100, 76, 8), 4, 4);
    painter.drawRoundedRect(QRectF(90, 120, 56, 8), 4, 4);
    painter.setBrush(QColor(0xe8, 0xa6, 0x4a));
    painter.drawRoundedRect(QRectF(90, 148, 76, 30), 4, 4);
    painter.restore();

    // The turn that straightens it.
    const QColor yellow(0xff, 0xd1, 0x66);
    QPainterPath arc;
    arc.moveTo(206, 92);
    arc.quadTo(222, 120, 214, 150);
    painter.setPen(QPen(yellow, 10, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(arc);
    painter.setPen(Qt::NoPen);
    painter.setBrush(yellow);
    painter.drawPolygon(QPolygonF({QPointF(198, 146), QPointF(214, 168), QPointF(228, 142)}));
    return pixmap;
}
}  // namespace

QIcon ApplicationIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(Draw(size));
    return icon;
}
