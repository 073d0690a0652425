// Step 2: the angle box and its list, the rotation scroll bar, and the line
// tool with its line-confirm mode.

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "CTavloView.h"
#include "EdgePosition.h"
#include "NumberText.h"
#include "document/AngleNormalization.h"
#include "document/CTavloDoc.h"
#include "document/HistoryKind.h"
#include "frame/CScrollHookDialogBar.h"
#include "frame/CScrollHookTarget.h"
#include "frame/ControlNotification.h"
#include "frame/DialogBar.h"
#include "platform/AppMessages.h"
#include "resources/CommandIds.h"
#include "resources/Strings.h"

namespace {
// The rotation scroll bar: position p stands for (p - 3600) / 20 degrees.
constexpr int kAngleScrollMax = 7200;
constexpr int kAngleScrollZero = 3600;
constexpr float kAngleScrollUnits = 20.0f;

float ScrollAngle(int position) { return float(position - kAngleScrollZero) / kAngleScrollUnits; }
}  // namespace

void CTavloView::RefreshAngleText() {
    auto* box = qobject_cast<QComboBox*>(TopItem(IDC_ANGLE_BOX));
    if (!box) return;
    const CUndoItem* current = Current();
    m_updatingText = 1;
    box->setEditText(current ? FormatFixed(current->m_angle) : QString());
    m_updatingText = 0;
}

void CTavloView::SyncAngleScrollBar() {
    auto* bar = qobject_cast<QScrollBar*>(TopItem(IDC_ANGLE_SCROLL));
    const CUndoItem* current = Current();
    if (!bar || !current) return;
    // The angle is normalised, but the product is bounded before it becomes an
    // int whatever comes in.
    const float product =
        std::clamp(current->m_angle * float(kAngleScrollUnits), -1.0e6f, 1.0e6f);
    const int r = int(std::trunc(product + (product >= 0.0f ? 0.5f : -0.5f)));
    const int target = std::clamp(r + kAngleScrollZero, 0, kAngleScrollMax);
    if (bar->value() == target) return;
    if (auto* top = qobject_cast<CScrollHookDialogBar*>(TopBar())) top->SetScrollPos(bar, target);
}

void CTavloView::OnAngleNotify(int code) {
    auto* box = qobject_cast<QComboBox*>(TopItem(IDC_ANGLE_BOX));
    CUndoItem* current = Current();
    switch (code) {
        case CBN_EDITCHANGE: {
            if (m_updatingText || !current || !box) return;
            // A number too large for a float is no angle: like text without a
            // number it reads as 0.
            float typed = float(LeadingNumber(box->currentText()));
            if (!std::isfinite(typed)) typed = 0.0f;
            if (typed == current->m_angle) return;
            current->m_angle = NormalizeAngle(typed);
            // Typing records coalesce, so a whole number is one undo step.
            m_doc.RecordHistory(kKindAngleTyped);
            m_doc.UpdateAllViews(nullptr, kHintKeepAngleText);
            m_doc.EditEpilogue();
            return;
        }
        case CBN_SELCHANGE: {
            const int item = box ? box->currentIndex() : -1;
            if (current && item >= 0 && item <= 3) {
                if (item == 3) {
                    m_doc.SetAngle(0.0f, kKindAngleListEntry, true);
                } else {
                    int kind = kKindAngleListEntry;
                    if (item == 0) current->m_angle = NormalizeAngle(current->m_angle - 90.0f);
                    if (item == 1) current->m_angle = NormalizeAngle(current->m_angle + 90.0f);
                    if (item == 2) {
                        current->m_flipX = current->m_flipX ? 0 : 1;
                        current->m_flipY = current->m_flipY ? 0 : 1;
                        kind = kKindFlip;
                    }
                    m_doc.RecordHistory(kind);
                    m_doc.UpdateAllViews(nullptr, kHintRefreshAll);
                    m_doc.EditEpilogue();
                }
            }
            // The list has put the item's text into the edit field; the angle
            // comes back as a number once the box is done.
            PostToSelf(WM_APP_REFRESH_ANGLE_TEXT);
            return;
        }
        case CBN_KILLFOCUS:
            RefreshAngleText();
            return;
        default:
            return;
    }
}

bool CTavloView::OnHScrollHook(int code, int position, QScrollBar* control) {
    if (DialogBar::ControlIdOf(control) != IDC_ANGLE_SCROLL || !Current()) return false;
    const int p = control->value();
    int next = p;
    switch (code) {
        case SB_LINELEFT: next = std::max(p - 1, 0); break;
        case SB_LINERIGHT: next = std::min(p + 1, kAngleScrollMax); break;
        case SB_PAGELEFT: next = std::max(p - 20, 0); break;
        case SB_PAGERIGHT: next = std::min(p + 20, kAngleScrollMax); break;
        case SB_LEFT: next = 0; break;
        case SB_RIGHT: next = kAngleScrollMax; break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK: next = position; break;
        default: return false;
    }
    if (next == p) return false;
    // Scroll-bar records coalesce: a whole drag is one undo step.
    m_doc.SetAngle(ScrollAngle(next), kKindAngleDragged, true);
    if (auto* top = qobject_cast<CScrollHookDialogBar*>(TopBar())) top->SetScrollPos(control, next);
    return false;
}

CTavloView::LineCorrection CTavloView::GetLineCorrection() const {
    const float phi = std::atan2(m_lineY2 - m_lineY1, m_lineX2 - m_lineX1) * 180.0f / 3.1415927f;
    if (phi < -135.0f) return {-180.0f - phi, false};
    if (phi <= -45.0f) return {-90.0f - phi, true};
    if (phi <= 45.0f) return {-phi, false};
    if (phi < 135.0f) return {90.0f - phi, true};
    return {180.0f - phi, false};
}

bool CTavloView::HitLineEnd(QPoint client, float x, float y) const {
    const float z = m_zoom / 100.0f;
    const int ex = ClientPosition(z * x, m_centerX, m_scrollX);
    const int ey = ClientPosition(z * y, m_centerY, m_scrollY);
    return std::abs(client.x() - ex) <= kEdgeReach && std::abs(client.y() - ey) <= kEdgeReach;
}

const QCursor& CTavloView::LineMouseMove(QPoint client) {
    if (m_dragging) {
        const QPointF p = ViewFromClient(client);
        if (m_lineDragPart == 1) {
            m_lineX1 = float(p.x()), m_lineY1 = float(p.y());
        } else {
            m_lineX2 = float(p.x()), m_lineY2 = float(p.y());
        }
        Repaint();
        SetStatusText(FormatFixed(GetLineCorrection().degrees));
        return m_lineDragPart != 0 ? m_cursorMove : m_cursorCross;
    }
    if (m_hasLine && (HitLineEnd(client, m_lineX1, m_lineY1) || HitLineEnd(client, m_lineX2, m_lineY2)))
        return m_cursorMove;
    return m_cursorCross;
}

void CTavloView::OnRotateByLine() {
    CUndoItem* current = Current();
    if (!current || current->m_step != 2 || m_lineMode != 1 || !m_hasLine) return;
    // The line was drawn on the image as displayed, so its correction adds to
    // the angle already applied.
    current->m_angle = NormalizeAngle(current->m_angle + GetLineCorrection().degrees);
    m_doc.RecordHistory(kKindAngleFromLine);
    m_doc.UpdateAllViews(nullptr, kHintRefreshAll);
    m_doc.EditEpilogue();
    SetLineMode(0);
}

void CTavloView::OnLineCancel() {
    // Escape also ends a drag in progress, in step 2 or 3.
    CancelDrag();
    if (m_lineMode == 1) SetLineMode(0);
}

void CTavloView::SetLineMode(int on) {
    const CUndoItem* current = Current();
    if (!current || current->m_step != 2) return;
    QWidget* angleControls[] = {TopItem(IDC_ANGLE_LABEL), TopItem(IDC_ANGLE_BOX),
                                TopItem(IDC_ANGLE_SCROLL)};
    QWidget* confirmControls[] = {TopItem(ID_ROTATE_BY_LINE), TopItem(ID_LINE_CANCEL),
                                  TopItem(IDC_LINE_EXPLANATION)};
    const bool allExist = std::all_of(std::begin(angleControls), std::end(angleControls),
                                      [](QWidget* w) { return w; }) &&
                          std::all_of(std::begin(confirmControls), std::end(confirmControls),
                                      [](QWidget* w) { return w; });
    if (allExist) {
        for (QWidget* control : angleControls) control->setEnabled(on == 0), control->setVisible(on == 0);
        for (QWidget* control : confirmControls) control->setEnabled(on == 1), control->setVisible(on == 1);
    }
    setFocus();
    if (on == m_lineMode) return;
    m_lineMode = on;
    if (on == 0) {
        m_hasLine = 0;
        SetStatusText(QString());
    }
    Repaint();
}

void CTavloView::LineButtonDown(QPoint client) {
    m_lineDragPart = 0;
    if (m_hasLine) {
        if (HitLineEnd(client, m_lineX1, m_lineY1)) {
            m_lineDragPart = 1;
        } else if (HitLineEnd(client, m_lineX2, m_lineY2)) {
            m_lineDragPart = 2;
        }
    }
    m_dragStart = {m_lineX1, m_lineY1, m_lineX2, m_lineY2};
    if (m_lineDragPart == 0) {
        const QPointF p = ViewFromClient(client);
        m_hasLine = 1;
        m_lineX1 = m_lineX2 = float(p.x());
        m_lineY1 = m_lineY2 = float(p.y());
    }
    m_dragging = 1;
}

void CTavloView::LineButtonUp(QPoint client) {
    LineMouseMove(client);
    if (!m_dragging) return;
    m_dragging = 0;
    // Line-confirm mode is only ever entered with a line to confirm.
    if (!m_hasLine) return;
    // Drawing a line records nothing; only "回転" does.
    const LineCorrection correction = GetLineCorrection();
    if (DialogBar* bar = TopBar()) {
        bar->SetDlgItemText(ID_ROTATE_BY_LINE, Strings::RotateButton());
        bar->SetDlgItemText(IDC_LINE_EXPLANATION,
                            Strings::LineExplanationPrefix() +
                                (correction.vertical ? Strings::LineVertical()
                                                     : Strings::LineHorizontal()) +
                                Strings::LineExplanationSuffix());
    }
    SetLineMode(1);
    SetStatusText(FormatFixed(correction.degrees));
}
