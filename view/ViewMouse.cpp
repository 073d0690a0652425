// The mouse on the canvas: the line tool in step 2, the frame tool in step 3,
// nothing in steps 1 and 4. The pointer is held from button down to button up
// (Qt grabs it for the pressed widget), so the end of a drag is always seen.

#include <QMouseEvent>

#include "CTavloView.h"
#include "document/CTavloDoc.h"

void CTavloView::mousePressEvent(QMouseEvent* event) {
    const CUndoItem* current = Current();
    if (event->button() != Qt::LeftButton || !current) return;
    const QPoint point = event->position().toPoint();
    if (current->m_step == 2) LineButtonDown(point);
    if (current->m_step == 3) FrameButtonDown(point);
}

void CTavloView::mouseMoveEvent(QMouseEvent* event) {
    const CUndoItem* current = Current();
    const QPoint point = event->position().toPoint();
    if (current && current->m_step == 2) {
        viewport()->setCursor(LineMouseMove(point));
    } else if (current && current->m_step == 3) {
        viewport()->setCursor(FrameMouseMove(point));
    } else {
        viewport()->setCursor(m_cursorArrow);
    }
}

void CTavloView::mouseReleaseEvent(QMouseEvent* event) {
    const CUndoItem* current = Current();
    if (event->button() != Qt::LeftButton || !current) return;
    const QPoint point = event->position().toPoint();
    if (current->m_step == 2) LineButtonUp(point);
    if (current->m_step == 3) FrameButtonUp(point);
}
