#include "DisplayPainter.h"

#include <QPainter>

void DisplayPainter::Render(QImage& target, const QColor& background, const QImage* bordered,
                            double zoom, float angle, QPointF origin, bool opaqueOrClear) {
    target.fill(background);
    m_lastLevel = -1;
    if (!bordered || bordered->isNull() || !(zoom > 0.0)) return;

    m_pyramid.SetSource(*bordered, opaqueOrClear);
    int level = MipmapPyramid::LevelForScale(zoom);
    const QImage& image =
        m_levelsBuilt ? m_pyramid.ReadyLevel(level, m_levelsBuilt, &level) : m_pyramid.Level(level);
    m_lastLevel = level;
    const double cover = double(1 << level);

    QPainter painter(&target);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.translate(origin.x() + 0.5, origin.y() + 0.5);
    painter.rotate(angle < 0.0f ? angle + 360.0f : angle);
    painter.scale(zoom, zoom);
    // The pixel grid's centre on the origin: the full-size bitmap spans
    // -W/2 ... W/2; a level spans 2^level of its own pixels per source pixel
    // from the same corner.
    const double left = -bordered->width() / 2.0, top = -bordered->height() / 2.0;
    painter.drawImage(QRectF(left, top, image.width() * cover, image.height() * cover), image);
}
