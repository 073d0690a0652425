// The view's construction, its private messages and the table of the commands
// and notifications it takes.

#include "CTavloView.h"

#include <QCoreApplication>
#include <QScrollBar>

#include "ViewResources.h"
#include "document/CTavloDoc.h"
#include "document/HistoryKind.h"
#include "frame/CMainFrame.h"
#include "frame/DialogBar.h"
#include "platform/AppMessages.h"
#include "resources/CommandIds.h"
#include "resources/Strings.h"

CTavloView::CTavloView(CTavloDoc& document, CMainFrame& frame, QWidget* parent)
    : QAbstractScrollArea(parent),
      m_doc(document),
      m_frame(frame),
      m_cursorArrow(Qt::ArrowCursor),
      m_cursorCross(CrosshairCursor()),
      m_cursorMove(Qt::SizeAllCursor),
      m_cursorNS(Qt::SizeVerCursor),
      m_cursorWE(Qt::SizeHorCursor),
      m_cursorNWSE(Qt::SizeFDiagCursor),
      m_cursorNESW(Qt::SizeBDiagCursor),
      m_pens(OverlayPens()),
      m_handleBitmap(HandleBitmap()) {
    setObjectName(QStringLiteral("view"));
    setAccessibleName(Strings::ImageCanvas());
    viewport()->setAccessibleName(Strings::ImageCanvas());
    // Both scroll bars always exist; one that is not needed is shown disabled.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    horizontalScrollBar()->setAccessibleName(Strings::HorizontalScroll());
    verticalScrollBar()->setAccessibleName(Strings::VerticalScroll());
    horizontalScrollBar()->setSingleStep(8);
    verticalScrollBar()->setSingleStep(8);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this,
            [this](int value) { OnScrollBarValue(Qt::Horizontal, value); });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this](int value) { OnScrollBarValue(Qt::Vertical, value); });
    viewport()->setMouseTracking(true);
    // A new image shows at once from its full-size pixels; its reduced copies
    // are built on the other core and the view renders again when they are.
    m_display.BuildLevelsInBackground([this] {
        QMetaObject::invokeMethod(
            this, [this] { InvalidateAll(); }, Qt::QueuedConnection);
    });
    viewport()->setAcceptDrops(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setCursor(m_cursorArrow);
    setFocusPolicy(Qt::StrongFocus);
    m_doc.AddView(this);
}

CTavloView::~CTavloView() { m_doc.RemoveView(this); }

CUndoItem* CTavloView::Current() const { return m_doc.Current(); }

DialogBar* CTavloView::TopBar() const { return m_frame.GetControlBar(IDD_TOP_BAR); }

DialogBar* CTavloView::StepBar3() const { return m_frame.GetControlBar(IDD_STEP3_BAR); }

QWidget* CTavloView::TopItem(int id) const {
    DialogBar* bar = TopBar();
    return bar ? bar->GetDlgItem(id) : nullptr;
}

void CTavloView::SetStatusText(const QString& text) { m_frame.SetStatusText(text); }

void CTavloView::PostToSelf(int message) {
    QCoreApplication::postEvent(this, new AppMessageEvent(static_cast<AppMessage>(message)));
}

bool CTavloView::event(QEvent* event) {
    if (event->type() < QEvent::User) return QAbstractScrollArea::event(event);
    auto* message = static_cast<AppMessageEvent*>(event);
    switch (int(event->type())) {
        case WM_APP_REFRESH_ZOOM_TEXT:
            RefreshZoomText();
            message->SetResult(1);
            return true;
        case WM_APP_REFRESH_ANGLE_TEXT:
            RefreshAngleText();
            message->SetResult(1);
            return true;
        case WM_APP_STORE_VIEW_STATE:
            if (message->WParam() == 0) StoreViewState(static_cast<CUndoItem*>(message->LParam()));
            message->SetResult(0);
            return true;
        case WM_APP_BACKGROUND_CHANGED:
            m_backBufferValid = 0;
            viewport()->update();
            message->SetResult(0);
            return true;
        case WM_APP_MARGIN_CHANGED:
            OnMarginChanged();
            message->SetResult(1);
            return true;
        default:
            return QAbstractScrollArea::event(event);
    }
}

bool CTavloView::HandlesCommand(int id) const {
    switch (id) {
        case ID_EDIT_UNDO:
        case ID_EDIT_REDO:
        case ID_FLIP_HORIZONTAL:
        case ID_FLIP_VERTICAL:
        case ID_VIEW_GRID:
        case ID_RESTORE_FRAME:
        case ID_RESET_SCALE:
        case ID_TO_STEP3:
        case ID_TO_STEP4:
        case ID_FILE_SAVE_AS:
        case ID_ROTATE_BY_LINE:
        case ID_LINE_CANCEL:
        case ID_COPY_RESULT:
            return true;
        default:
            return false;
    }
}

bool CTavloView::OnCommand(int id) {
    switch (id) {
        case ID_EDIT_UNDO:
            // A drag in progress ends first, so the state being left keeps
            // the frame it had before the press.
            if (m_lineMode == 0 && m_doc.CanUndo()) {
                CancelDrag();
                m_doc.Undo();
            }
            return true;
        case ID_COPY_RESULT:
            OnCopy();
            return true;
        case ID_EDIT_REDO:
            if (m_lineMode == 0 && m_doc.CanRedo()) {
                CancelDrag();
                m_doc.Redo();
            }
            return true;
        case ID_FLIP_HORIZONTAL:
            OnFlip(true);
            return true;
        case ID_FLIP_VERTICAL:
            OnFlip(false);
            return true;
        case ID_VIEW_GRID:
            m_grid = m_grid ? 0 : 1;
            Repaint();
            return true;
        case ID_RESTORE_FRAME:
            if (Current()) RestoreFrame();
            return true;
        case ID_RESET_SCALE:
            OnResetScale();
            return true;
        case ID_TO_STEP3:
            OnToStep3();
            return true;
        case ID_TO_STEP4:
            OnToStep4(false);
            return true;
        case ID_FILE_SAVE_AS:
            OnSaveAs();
            return true;
        case ID_ROTATE_BY_LINE:
            OnRotateByLine();
            return true;
        case ID_LINE_CANCEL:
            OnLineCancel();
            return true;
        default:
            return false;
    }
}

bool CTavloView::OnUpdateCommand(int id, CommandState& state) {
    const CUndoItem* current = Current();
    switch (id) {
        case ID_EDIT_UNDO:
            state.Enable(m_lineMode == 0 && m_doc.CanUndo());
            return true;
        case ID_EDIT_REDO:
            state.Enable(m_lineMode == 0 && m_doc.CanRedo());
            return true;
        case ID_FLIP_HORIZONTAL:
        case ID_FLIP_VERTICAL:
            if (!current) {
                state.Enable(false);
                return true;
            }
            state.Enable(current->m_step == 2 && m_lineMode == 0);
            state.SetCheck(id == ID_FLIP_HORIZONTAL ? current->m_flipX : current->m_flipY);
            return true;
        case ID_VIEW_GRID:
            state.Enable(true);
            state.SetCheck(m_grid);
            return true;
        case ID_RESTORE_FRAME:
            state.Enable(true);
            return true;
        case ID_TO_STEP3:
            state.Enable(m_lineMode == 0);
            return true;
        case ID_FILE_SAVE_AS:
            state.Enable(current && m_lineMode == 0);
            return true;
        default:
            return false;
    }
}

bool CTavloView::OnNotify(int controlId, int code, int parameter) {
    switch (controlId) {
        case IDC_ZOOM_BOX:
        case IDC_ZOOM_SPIN:
            OnZoomNotify(code, parameter);
            return true;
        case IDC_ANGLE_BOX:
            OnAngleNotify(code);
            return true;
        case IDC_RESULT_WIDTH:
        case IDC_RESULT_HEIGHT:
            if (code == EN_CHANGE) OnResultSizeTyped(controlId == IDC_RESULT_WIDTH);
            return code == EN_CHANGE;
        case IDC_SCALE_X:
        case IDC_SCALE_Y:
            // Nothing is read from the hidden percentage fields; a change that
            // is not the view's own writing is still an edit.
            if (code == EN_CHANGE && m_sizeCalc.m_updating == 0 && Current()) {
                m_doc.RecordHistory(kKindResultSizeTyped);
            }
            return code == EN_CHANGE;
        default:
            return false;
    }
}
