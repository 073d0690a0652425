// Step 3: the default trim frame, the frame tool, and the size fields with
// their rules for the trimmed and the enlarged size.

#include <algorithm>

#include "CTavloView.h"
#include "EdgePosition.h"
#include "document/CTavloDoc.h"
#include "document/FrameGeometry.h"
#include "document/HistoryKind.h"
#include "platform/MessageBox.h"
#include "resources/CommandIds.h"
#include "resources/Strings.h"

namespace {
// A resized frame keeps at least this width and height in view space.
constexpr float kMinimumFrameSide = 2.0f;
}  // namespace

int CTavloView::HitFrame(QPoint client) const {
    const float z = m_zoom / 100.0f;
    const int xl = ClientPosition(z * m_frameLeft, m_centerX, m_scrollX);
    const int yt = ClientPosition(z * m_frameTop, m_centerY, m_scrollY);
    const int xr = ClientPosition(z * m_frameRight, m_centerX, m_scrollX);
    const int yb = ClientPosition(z * m_frameBottom, m_centerY, m_scrollY);
    const int px = client.x(), py = client.y();
    const bool nearLeft = std::abs(px - xl) <= kEdgeReach;
    const bool nearRight = !nearLeft && std::abs(px - xr) <= kEdgeReach;
    const bool nearBottom = std::abs(py - yb) <= kEdgeReach;
    const int dTop = std::abs(py - yt), dBottom = std::abs(py - yb);
    const bool between = xl < px && px < xr;
    const bool within = yt < py && py < yb;
    if (dTop <= kEdgeReach && (dBottom > kEdgeReach || dTop > dBottom)) {
        if (nearLeft) return 1;
        if (nearRight) return 3;
        return between ? 2 : 0;
    }
    if (nearRight) return nearBottom ? 5 : (within ? 4 : 0);
    if (nearBottom) return nearLeft ? 7 : (between ? 6 : 0);
    return nearLeft && within ? 8 : 0;
}

const QCursor& CTavloView::CursorForPart(int part) const {
    switch (part) {
        case 1:
        case 5: return m_cursorNWSE;
        case 2:
        case 6: return m_cursorNS;
        case 3:
        case 7: return m_cursorNESW;
        case 4:
        case 8: return m_cursorWE;
        default: return m_cursorCross;
    }
}

void CTavloView::UpdateTrimSize() {
    const CUndoItem* current = Current();
    if (!current) return;
    const TrimSize trimmed =
        ComputeTrimSize(FrameRect{m_frameLeft, m_frameTop, m_frameRight, m_frameBottom}, *current);
    CSizeCalc& size = m_sizeCalc;
    size.m_trimWidth = trimmed.width;
    size.m_trimHeight = trimmed.height;
    // A frame change keeps the factors: the result follows as trunc(trimmed x factor).
    size.m_resultWidth = ResultFromFactor(size.m_trimWidth, size.m_scaleX);
    size.m_resultHeight = ResultFromFactor(size.m_trimHeight, size.m_scaleY);
    size.SetIntField(size.m_idTrimWidth, size.m_trimWidth);
    size.SetIntField(size.m_idTrimHeight, size.m_trimHeight);
    size.SetIntField(size.m_idResultWidth, size.m_resultWidth);
    size.SetIntField(size.m_idResultHeight, size.m_resultHeight);
}

void CTavloView::RestoreFrame() {
    const CUndoItem* current = Current();
    if (!current) return;
    const FrameRect frame = DefaultTrimFrame(current->m_image->Width(), current->m_image->Height(),
                                             current->m_angle);
    m_frameLeft = frame.left;
    m_frameTop = frame.top;
    m_frameRight = frame.right;
    m_frameBottom = frame.bottom;
    m_sizeCalc.ResetScale();
    UpdateTrimSize();
    Repaint();
    m_doc.RecordHistory(kKindTrimFrame);
}

void CTavloView::EnterStep3() {
    CSizeCalc& size = m_sizeCalc;
    size.m_imageWidth = m_sourceWidth;
    size.m_imageHeight = m_sourceHeight;
    size.m_scaleX = size.m_scaleY = 1.0;
    size.SetIntField(size.m_idImageWidth, size.m_imageWidth);
    size.SetIntField(size.m_idImageHeight, size.m_imageHeight);
    size.SetIntField(size.m_idTrimWidth, 0);
    size.SetIntField(size.m_idTrimHeight, 0);
    size.SetRealField(size.m_idScaleX, 100.0);
    size.SetRealField(size.m_idScaleY, 100.0);
    size.SetIntField(size.m_idResultWidth, 0);
    size.SetIntField(size.m_idResultHeight, 0);
    SetZoom(FitZoom(), -2, -2, true);
    RestoreFrame();
}

const QCursor& CTavloView::FrameMouseMove(QPoint client) {
    if (!m_dragging) return CursorForPart(HitFrame(client));
    const QPointF point = ViewFromClient(client);
    const float x = float(point.x()), y = float(point.y());
    const int part = m_frameDragPart;
    if (part == 0) {
        m_frameLeft = std::min(m_frameAnchorX, x);
        m_frameRight = std::max(m_frameAnchorX, x);
        m_frameTop = std::min(m_frameAnchorY, y);
        m_frameBottom = std::max(m_frameAnchorY, y);
    } else {
        // An edge stops short of the opposite one, so the frame never turns over.
        if (part == 1 || part == 7 || part == 8) m_frameLeft = std::min(x, m_frameRight - kMinimumFrameSide);
        if (part == 1 || part == 2 || part == 3) m_frameTop = std::min(y, m_frameBottom - kMinimumFrameSide);
        if (part == 3 || part == 4 || part == 5) m_frameRight = std::max(x, m_frameLeft + kMinimumFrameSide);
        if (part == 5 || part == 6 || part == 7) m_frameBottom = std::max(y, m_frameTop + kMinimumFrameSide);
    }
    Repaint();
    UpdateTrimSize();
    return CursorForPart(m_frameDragPart);
}

void CTavloView::OnResultSizeTyped(bool width) {
    CSizeCalc& size = m_sizeCalc;
    if (size.m_updating || !Current()) return;
    // Width and height are mirror images of each other.
    int& result = width ? size.m_resultWidth : size.m_resultHeight;
    int& otherResult = width ? size.m_resultHeight : size.m_resultWidth;
    const int trimmed = width ? size.m_trimWidth : size.m_trimHeight;
    const int otherTrimmed = width ? size.m_trimHeight : size.m_trimWidth;
    double& scale = width ? size.m_scaleX : size.m_scaleY;
    double& otherScale = width ? size.m_scaleY : size.m_scaleX;
    const int field = width ? size.m_idResultWidth : size.m_idResultHeight;
    const int otherField = width ? size.m_idResultHeight : size.m_idResultWidth;
    const int percent = width ? size.m_idScaleX : size.m_idScaleY;
    const int otherPercent = width ? size.m_idScaleY : size.m_idScaleX;

    result = size.GetIntField(field);
    scale = FactorForTypedSize(result, trimmed);
    size.SetRealField(percent, scale * 100.0);
    if (size.IsChecked(size.m_idKeepRatio)) {
        otherScale = scale;
        otherResult = KeepRatioSize(otherTrimmed, otherScale);
        size.SetRealField(otherPercent, otherScale * 100.0);
        size.SetIntField(otherField, otherResult);
    }
    // Size records coalesce: typing a number is one undo step.
    m_doc.RecordHistory(kKindResultSizeTyped);
}

void CTavloView::OnResetScale() {
    if (!Current()) return;
    m_sizeCalc.ResetScale();
    UpdateTrimSize();
    m_doc.RecordHistory(kKindWholeImage);
}

bool CTavloView::ValidateResultSize() {
    const CSizeCalc& size = m_sizeCalc;
    switch (CheckResultSize(size.m_resultWidth, size.m_resultHeight, size.m_scaleX, size.m_scaleY,
                            size.m_trimWidth, size.m_trimHeight)) {
        case ResultSizeCheck::Ok:
            return true;
        case ResultSizeCheck::Impossible:
            AppMessageBox(Strings::SizeImpossible());
            return false;
        case ResultSizeCheck::SmallerThanTrimmed:
            AppMessageBox(Strings::SmallerThanTrimmed());
            return false;
    }
    return false;
}

void CTavloView::FrameButtonDown(QPoint client) {
    m_dragStart = {m_frameLeft, m_frameTop, m_frameRight, m_frameBottom};
    m_frameDragPart = HitFrame(client);
    if (m_frameDragPart == 0) {
        // A press away from the edges starts a new frame; the frame cannot be
        // moved as a whole.
        const QPointF p = ViewFromClient(client);
        m_frameAnchorX = float(p.x());
        m_frameAnchorY = float(p.y());
        m_frameLeft = m_frameRight = m_frameAnchorX;
        m_frameTop = m_frameBottom = m_frameAnchorY;
    }
    m_dragging = 1;
}

void CTavloView::FrameButtonUp(QPoint client) {
    FrameMouseMove(client);
    if (!m_dragging) return;
    m_dragging = 0;
    // Recorded at the release, so a whole drag is one undo step.
    m_doc.RecordHistory(kKindTrimFrame);
}
