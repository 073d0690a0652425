// The view and the four-step guide: the initial update, the reaction to every
// document update, the view state that travels with each history snapshot,
// and the commands that move between steps, mirror, and save.

#include <QComboBox>
#include <QCoreApplication>
#include <QScrollBar>

#include "CTavloView.h"
#include "app/CTavloApp.h"
#include "document/CTavloDoc.h"
#include "document/HistoryKind.h"
#include "frame/CMainFrame.h"
#include "frame/CScrollHookDialogBar.h"
#include "platform/AppMessages.h"
#include "platform/MessageBox.h"
#include "resources/CommandIds.h"
#include "resources/Strings.h"

namespace {
constexpr int kZoomControls[] = {IDC_ZOOM_LABEL, IDC_ZOOM_BOX, IDC_ZOOM_SPIN, IDC_PERCENT_LABEL};
constexpr int kAngleControls[] = {IDC_ANGLE_LABEL, IDC_ANGLE_BOX, IDC_ANGLE_SCROLL};
constexpr int kConfirmControls[] = {ID_ROTATE_BY_LINE, ID_LINE_CANCEL, IDC_LINE_EXPLANATION};

// Hint bits of a view update.
constexpr int kKeepAngleText = 1;
constexpr int kLeaveLineMode = 2;
constexpr int kPrepareStep3 = 4;
constexpr int kRestoreViewState = 8;
}  // namespace

void CTavloView::OnInitialUpdate() {
    // A new image (or none): no drag, line or line-confirm mode survives it,
    // whatever step the old one was in.
    CancelDrag();
    m_hasLine = 0;
    if (!Current() || Current()->m_step != 2) m_lineMode = 0;
    OnUpdate(nullptr, kHintRefreshAll);
    if (!m_initialized) {
        if (auto* bar = qobject_cast<CScrollHookDialogBar*>(TopBar())) bar->AddReceiver(this);
        if (auto* zoom = qobject_cast<QComboBox*>(TopItem(IDC_ZOOM_BOX))) {
            zoom->addItems({Strings::ZoomActualSize(), Strings::ZoomAuto()});
            zoom->setCurrentIndex(-1);
        }
        if (auto* angle = qobject_cast<QComboBox*>(TopItem(IDC_ANGLE_BOX))) {
            angle->addItems({Strings::TurnLeft90(), Strings::TurnRight90(), Strings::Turn180(),
                             Strings::ResetAngle()});
            angle->setCurrentIndex(-1);
        }
        auto* scroll = qobject_cast<QScrollBar*>(TopItem(IDC_ANGLE_SCROLL));
        if (auto* bar = qobject_cast<CScrollHookDialogBar*>(TopBar()); bar && scroll) {
            scroll->setSingleStep(1);
            scroll->setPageStep(20);
            scroll->setRange(0, 7200);
            bar->SetScrollPos(scroll, 3600);
        }
        m_grid = m_doc.App().settings.GridOnOnStartrup;
        CSizeCalc& size = m_sizeCalc;
        size.m_panel = StepBar3();
        size.m_idImageWidth = IDC_IMAGE_WIDTH;
        size.m_idImageHeight = IDC_IMAGE_HEIGHT;
        size.m_idTrimWidth = IDC_TRIM_WIDTH;
        size.m_idTrimHeight = IDC_TRIM_HEIGHT;
        size.m_idScaleX = IDC_SCALE_X;
        size.m_idScaleY = IDC_SCALE_Y;
        size.m_idResultWidth = IDC_RESULT_WIDTH;
        size.m_idResultHeight = IDC_RESULT_HEIGHT;
        size.m_idKeepRatio = IDC_KEEP_RATIO;
        size.SetChecked(IDC_KEEP_RATIO, true);
        m_initialized = 1;
        RefreshAngleText();
    }
    SetLineMode(0);
    m_scrollX = m_scrollY = 0;
    const CUndoItem* current = Current();
    m_zoom = current ? FitZoom() : 100.0f;
    RefreshZoomText();
    if (!current) {
        UpdateCanvas(true);
        return;
    }
    m_sourceWidth = current->m_image->Width();
    m_sourceHeight = current->m_image->Height();
    UpdateCanvas(false);
    FitAndCentre();
    m_fitPending = isVisible() ? 0 : 1;
}

void CTavloView::FitAndCentre() {
    // The image opens centred and fitted, never above 100 %.
    m_scrollX = (m_canvasWidth - m_clientWidth) / 2;
    m_scrollY = (m_canvasHeight - m_clientHeight) / 2;
    ++m_settingScrollBars;
    horizontalScrollBar()->setValue(m_scrollX);
    verticalScrollBar()->setValue(m_scrollY);
    --m_settingScrollBars;
    InvalidateAll();
}

void CTavloView::OnUpdate(DocumentView*, int hint) {
    m_fitPending = 0;
    const CUndoItem* current = Current();
    const int step = current ? current->m_step : 1;
    // A drag does not outlive undo, redo or a change of step.
    if (m_dragging && ((hint & kLeaveLineMode) || step != m_dragStep)) CancelDrag();
    if (!(hint & kKeepAngleText)) RefreshAngleText();
    if (hint & kLeaveLineMode) SetLineMode(0);
    if (step != m_shownStep) {
        // Posted: the frame switches its panels after this update has finished.
        QCoreApplication::postEvent(&m_frame, new AppMessageEvent(WM_APP_STEP_CHANGED, step));
        ArrangeTopBar(step);
        if (step == 3) {
            // Reached by undo or redo, the frame and fields come from the state.
            if (hint & kPrepareStep3) EnterStep3();
        } else {
            if (step == 2) m_hasLine = 0;
            if (m_shownStep == 3) SetLineMode(0);
            if (step == 4) SetZoom(FitZoom(), -2, -2, true);
        }
        m_shownStep = current ? current->m_step : 1;
    }
    if (current) SyncAngleScrollBar();
    UpdateCanvas(true);
    if ((hint & kRestoreViewState) && current) RestoreViewState(*current);
    viewport()->update();
}

void CTavloView::ArrangeTopBar(int step) {
    const bool angle = step == 2 && m_lineMode != 1;
    const bool confirm = step == 2 && m_lineMode == 1;
    auto arrange = [this](const auto& ids, bool on) {
        for (int id : ids) {
            if (QWidget* control = TopItem(id)) {
                control->setVisible(on);
                control->setEnabled(on);
            }
        }
    };
    arrange(kZoomControls, true);
    arrange(kAngleControls, angle);
    arrange(kConfirmControls, confirm);
}

void CTavloView::StoreViewState(CUndoItem* state) const {
    if (!state) return;
    state->m_trimLeft = m_frameLeft;
    state->m_trimTop = m_frameTop;
    state->m_trimRight = m_frameRight;
    state->m_trimBottom = m_frameBottom;
    state->m_zoom = m_zoom;
    state->m_scrollX = m_scrollX;
    state->m_scrollY = m_scrollY;
    const CSizeCalc& size = m_sizeCalc;
    state->m_imageWidth = size.m_imageWidth;
    state->m_imageHeight = size.m_imageHeight;
    state->m_trimWidth = size.m_trimWidth;
    state->m_trimHeight = size.m_trimHeight;
    state->m_scaleX = size.m_scaleX;
    state->m_scaleY = size.m_scaleY;
    state->m_resultWidth = size.m_resultWidth;
    state->m_resultHeight = size.m_resultHeight;
}

void CTavloView::RestoreViewState(const CUndoItem& state) {
    m_paintSuspended = 1;
    // Every recorded state carries the zoom it was recorded at; a state that
    // somehow has none keeps the present zoom rather than dividing by zero.
    if (state.m_zoom > 0.0f) SetZoom(state.m_zoom, -1, -1, true);
    m_scrollX = std::clamp(state.m_scrollX, 0, m_maxScrollX);
    m_scrollY = std::clamp(state.m_scrollY, 0, m_maxScrollY);
    ++m_settingScrollBars;
    horizontalScrollBar()->setValue(m_scrollX);
    verticalScrollBar()->setValue(m_scrollY);
    --m_settingScrollBars;
    m_frameLeft = state.m_trimLeft;
    m_frameTop = state.m_trimTop;
    m_frameRight = state.m_trimRight;
    m_frameBottom = state.m_trimBottom;
    CSizeCalc& size = m_sizeCalc;
    size.m_imageWidth = state.m_imageWidth;
    size.m_imageHeight = state.m_imageHeight;
    size.m_trimWidth = state.m_trimWidth;
    size.m_trimHeight = state.m_trimHeight;
    size.m_scaleX = state.m_scaleX;
    size.m_scaleY = state.m_scaleY;
    size.m_resultWidth = state.m_resultWidth;
    size.m_resultHeight = state.m_resultHeight;
    size.SetIntField(size.m_idImageWidth, size.m_imageWidth);
    size.SetIntField(size.m_idImageHeight, size.m_imageHeight);
    size.SetIntField(size.m_idTrimWidth, size.m_trimWidth);
    size.SetIntField(size.m_idTrimHeight, size.m_trimHeight);
    size.SetIntField(size.m_idResultWidth, size.m_resultWidth);
    size.SetIntField(size.m_idResultHeight, size.m_resultHeight);
    size.SetRealField(size.m_idScaleX, size.m_scaleX * 100.0);
    size.SetRealField(size.m_idScaleY, size.m_scaleY * 100.0);
    m_paintSuspended = 0;
    InvalidateAll();
}

void CTavloView::OnToStep3() {
    CUndoItem* current = Current();
    if (!current || current->m_step != 2 || m_lineMode != 0) return;
    // No record here: the default frame that the update places is the history
    // entry of the step change, so one undo returns to step 2.
    current->m_step = 3;
    m_doc.EditEpilogue();
    m_doc.UpdateAllViews(nullptr, kHintEnterStep3);
}

void CTavloView::OnToStep4(bool rerender) {
    CUndoItem* current = Current();
    if (!current) return;
    if (!rerender) {
        if (current->m_step != 3) return;
        m_doc.FreezeOutputParams();
    }
    if (!ValidateResultSize()) return;
    // A render that gives nothing (a result too large to hold, memory short)
    // leaves the state as it was, and says so.
    if (!m_doc.RenderStep4()) {
        AppMessageBox(Strings::SizeImpossible());
        return;
    }
    if (DialogBar* bar = m_frame.GetControlBar(IDD_STEP4_BAR)) {
        bar->SetDlgItemText(IDC_RESULT_WIDTH_STEP4, QString::number(m_sizeCalc.m_resultWidth));
        bar->SetDlgItemText(IDC_RESULT_HEIGHT_STEP4, QString::number(m_sizeCalc.m_resultHeight));
    }
}

void CTavloView::OnMarginChanged() {
    const CUndoItem* current = Current();
    if (current && current->m_step == 4 && m_doc.OutputParams()) OnToStep4(true);
}

void CTavloView::OnFlip(bool horizontal) {
    CUndoItem* current = Current();
    if (!current || current->m_step != 2 || m_lineMode != 0) return;
    int& flip = horizontal ? current->m_flipX : current->m_flipY;
    flip = flip ? 0 : 1;
    // The sign bit turns over (0 becomes -0): the new display is the mirror
    // image of the previous one.
    current->m_angle = -current->m_angle;
    m_doc.RecordHistory(kKindFlip);
    m_doc.UpdateAllViews(nullptr, kHintRefreshAll);
    m_doc.EditEpilogue();
}

void CTavloView::OnSaveAs() {
    if (Current() && m_lineMode == 0) m_doc.SaveResultAs();
}
