// The mouse on the canvas: the line tool in step 2, the frame tool in step 3,
// nothing in steps 1 and 4. The pointer is held from button down to button up
// (Qt grabs it for the pressed widget), so the end of a drag is always seen;
// a drag that the state changed under ends there without effect.

#include <QMouseEvent>

#include "CTavloView.h"
#include "NumberText.h"
#include "document/CTavloDoc.h"

void CTavloView::mousePressEvent(QMouseEvent* event) {
    const CUndoItem* current = Current();
    if (event->button() != Qt::LeftButton || !current) return;
    const QPoint point = event->position().toPoint();
    m_dragStep = current->m_step;
    if (current->m_step == 2) LineButtonDown(point);
    if (current->m_step == 3) FrameButtonDown(point);
}

void CTavloView::mouseMoveEvent(QMouseEvent* event) {
    const CUndoItem* current = Current();
    const QPoint point = event->position().toPoint();
    // A drag never carries over into another step's tool.
    if (m_dragging && (!current || current->m_step != m_dragStep)) CancelDrag();
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
    if (event->button() != Qt::LeftButton) return;
    // The release ends every drag, whatever step it comes in; only the tool
    // that began the drag finishes it.
    if (m_dragging && (!current || current->m_step != m_dragStep)) CancelDrag();
    if (!current) return;
    const QPoint point = event->position().toPoint();
    if (current->m_step == 2) LineButtonUp(point);
    if (current->m_step == 3) FrameButtonUp(point);
}

void CTavloView::CancelDrag() {
    if (!m_dragging) return;
    m_dragging = 0;
    if (m_dragStep == 2) {
        if (m_lineMode == 0) {
            // The first line was still being drawn.
            m_hasLine = 0;
            SetStatusText(QString());
        } else {
            m_lineX1 = m_dragStart[0], m_lineY1 = m_dragStart[1];
            m_lineX2 = m_dragStart[2], m_lineY2 = m_dragStart[3];
            SetStatusText(FormatFixed(GetLineCorrection().degrees));
        }
    } else if (m_dragStep == 3) {
        m_frameLeft = m_dragStart[0], m_frameTop = m_dragStart[1];
        m_frameRight = m_dragStart[2], m_frameBottom = m_dragStart[3];
        UpdateTrimSize();
    }
    Repaint();
}
