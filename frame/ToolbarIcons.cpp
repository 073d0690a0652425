#include "ToolbarIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "resources/CommandIds.h"

namespace {
constexpr int kWidth = 16;
constexpr int kHeight = 15;

void NewPage(QPainter& p) {
    QPolygonF page({{3, 1}, {10, 1}, {13, 4}, {13, 14}, {3, 14}});
    p.setBrush(Qt::white);
    p.drawPolygon(page);
    p.drawPolyline(QPolygonF({{10, 1}, {10, 4}, {13, 4}}));
}

// A curved arrow; mirrored for redo.
void TurnArrow(QPainter& p, bool forward) {
    if (forward) p.translate(kWidth, 0), p.scale(-1, 1);
    QPainterPath arc;
    arc.moveTo(13, 12);
    arc.cubicTo(13, 4, 6, 3, 4, 7);
    p.setBrush(Qt::NoBrush);
    p.drawPath(arc);
    p.setBrush(QColor(0, 0, 128));
    p.drawPolygon(QPolygonF({{1, 4}, {6, 9}, {1, 10}}));
}

// Two triangles mirrored about the middle line; turned a quarter for top-bottom.
void Mirror(QPainter& p, bool vertical) {
    if (vertical) {
        p.translate(kWidth / 2.0, kHeight / 2.0);
        p.rotate(90);
        p.translate(-kWidth / 2.0, -kHeight / 2.0);
    }
    p.setBrush(QColor(0, 0, 128));
    p.drawPolygon(QPolygonF({{7, 2}, {7, 13}, {1, 13}}));
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({{9, 2}, {9, 13}, {15, 13}}));
}

void Grid(QPainter& p) {
    p.setBrush(Qt::white);
    p.drawRect(1, 1, 13, 12);
    for (int i = 1; i < 3; ++i) {
        p.drawLine(1 + i * 13 / 3, 1, 1 + i * 13 / 3, 13);
        p.drawLine(1, 1 + i * 4, 14, 1 + i * 4);
    }
}
}  // namespace

QIcon ToolbarIcon(int commandId) {
    QPixmap pixmap(kWidth, kHeight);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    switch (commandId) {
        case ID_FILE_NEW: NewPage(painter); break;
        case ID_EDIT_UNDO: TurnArrow(painter, false); break;
        case ID_EDIT_REDO: TurnArrow(painter, true); break;
        case ID_FLIP_VERTICAL: Mirror(painter, true); break;
        case ID_FLIP_HORIZONTAL: Mirror(painter, false); break;
        case ID_VIEW_GRID: Grid(painter); break;
        default: return {};
    }
    painter.end();
    return QIcon(pixmap);
}
