#pragma once

#include <QAbstractScrollArea>
#include <QCursor>
#include <QImage>
#include <QPen>
#include <array>

#include "CSizeCalc.h"
#include "DisplayPainter.h"
#include "frame/CScrollHookTarget.h"
#include "frame/ControlNotification.h"
#include "platform/framework/CDocument.h"
#include "platform/framework/CommandTarget.h"

class CMainFrame;
class CTavloDoc;
class DialogBar;
struct CUndoItem;

// The one view of the document: the image of the current state turned by its
// angle, at a zoom, on a scrollable canvas, with at most one overlay (the trim
// frame in step 3, else the drawn line, else the grid). It also owns the
// mouse tools of steps 2 and 3, the step commands and the reaction to every
// document update. It never changes pixels: its commands change the
// document's current state, record it, and come back as an update.
//
// Coordinate spaces:
// - Client: integer pixels of the viewport (the view's client area), with
//   pixel centres on whole numbers.
// - Canvas: a virtual surface of m_canvasWidth x m_canvasHeight pixels, never
//   smaller than the client area; the client area shows the part starting at
//   (m_scrollX, m_scrollY). The image centre is always drawn at the canvas
//   centre (m_centerX, m_centerY) = canvas size x 0.5.
// - View space: floats in source pixels relative to the image centre, in the
//   turned orientation, x to the right, y downwards. The drawn line and the
//   trim frame live here, and the frame is stored and rendered from here.
// With z = m_zoom / 100, view point (x, y) lies at client point
// (x*z + m_centerX - m_scrollX, y*z + m_centerY - m_scrollY) (ClientFromView);
// client point (X, Y) is view point ((m_scrollX + X) - m_centerX) / z, ... with
// the integer sums formed first (ViewFromClient).
class CTavloView : public QAbstractScrollArea,
                   public DocumentView,
                   public CommandTarget,
                   public NotificationTarget,
                   public CScrollHookTarget {
    Q_OBJECT
public:
    CTavloView(CTavloDoc& document, CMainFrame& frame, QWidget* parent = nullptr);
    ~CTavloView() override;

    // DocumentView
    void OnInitialUpdate() override;
    void OnUpdate(DocumentView* sender, int hint) override;
    QObject* MessageTarget() override { return this; }

    // CommandTarget
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;
    bool HandlesCommand(int id) const override;
    // NotificationTarget
    bool OnNotify(int controlId, int code, int parameter) override;
    // CScrollHookTarget: the rotation scroll bar.
    bool OnHScrollHook(int code, int position, QScrollBar* control) override;
    bool OnVScrollHook(int, int, QScrollBar*) override { return false; }

    // Display (ViewDisplay.cpp).
    void UpdateCanvas(bool redraw);
    // anchorX/anchorY: a client coordinate, -1 for the client centre, -2 to
    // centre the canvas in that direction.
    void SetZoom(float zoom, float anchorX, float anchorY, bool refreshText);
    float FitZoom() const;
    void RefreshZoomText();

    // Rotation (ViewRotation.cpp).
    void RefreshAngleText();
    void SyncAngleScrollBar();
    void SetLineMode(int on);
    struct LineCorrection {
        float degrees;
        bool vertical;
    };
    LineCorrection GetLineCorrection() const;
    bool HitLineEnd(QPoint client, float x, float y) const;

    // Trim frame (ViewFrameTool.cpp).
    int HitFrame(QPoint client) const;
    void UpdateTrimSize();
    void RestoreFrame();
    bool ValidateResultSize();

    // What tests and the benchmark look at.
    float Zoom() const { return m_zoom; }
    int ScrollX() const { return m_scrollX; }
    int ScrollY() const { return m_scrollY; }
    int CanvasWidth() const { return m_canvasWidth; }
    int CanvasHeight() const { return m_canvasHeight; }
    int MaxScrollX() const { return m_maxScrollX; }
    int MaxScrollY() const { return m_maxScrollY; }
    bool Grid() const { return m_grid != 0; }
    int LineMode() const { return m_lineMode; }
    bool HasLine() const { return m_hasLine != 0; }
    QRectF Frame() const { return {QPointF(m_frameLeft, m_frameTop), QPointF(m_frameRight, m_frameBottom)}; }
    const CSizeCalc& SizeCalc() const { return m_sizeCalc; }
    bool BackBufferValid() const { return m_backBufferValid != 0; }
    int BackBufferRenders() const { return m_backBufferRenders; }
    int DisplayLevel() const { return m_display.LastLevel(); }
    QPointF ClientFromView(float x, float y) const;
    QPointF ViewFromClient(QPoint client) const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int, int) override {}
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // Drops (ViewClipboard.cpp): an image or one image file, only before step 2.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Display.
    void RenderBackBuffer();
    void DrawOverlay(QPainter& painter);
    void OnScrollBarValue(Qt::Orientation orientation, int value);
    void OnZoomNotify(int code, int parameter);
    void ZoomBy(double steps, float anchorX, float anchorY);
    void InvalidateAll();
    void Repaint();
    void FitAndCentre();

    // Rotation.
    void OnAngleNotify(int code);
    void LineButtonDown(QPoint client);
    const QCursor& LineMouseMove(QPoint client);
    void LineButtonUp(QPoint client);
    void OnRotateByLine();
    void OnLineCancel();
    // "自動で傾きを補正" (ViewDeskew.cpp).
    void OnAutoDeskew();
    // Ends a drag that the state changed under (undo, redo, Escape, a new
    // image, another step): the line being drawn goes, a line end or the
    // frame goes back to where the press found it, and nothing is recorded.
    void CancelDrag();

    // Trim frame.
    const QCursor& CursorForPart(int part) const;
    void FrameButtonDown(QPoint client);
    const QCursor& FrameMouseMove(QPoint client);
    void FrameButtonUp(QPoint client);
    void OnResultSizeTyped(bool width);
    void OnResetScale();
    void EnterStep3();

    // Clipboard (ViewClipboard.cpp).
    void OnCopy();
    bool ImportAllowed() const;

    // Steps (ViewSteps.cpp).
    void StoreViewState(CUndoItem* state) const;
    void RestoreViewState(const CUndoItem& state);
    void ArrangeTopBar(int step);
    void OnToStep3();
    void OnToStep4(bool rerender);
    void OnFlip(bool horizontal);
    void OnSaveAs();
    void OnMarginChanged();

    CUndoItem* Current() const;
    DialogBar* TopBar() const;
    DialogBar* StepBar3() const;
    QWidget* TopItem(int id) const;
    void SetStatusText(const QString& text);
    void PostToSelf(int message);

    CTavloDoc& m_doc;
    CMainFrame& m_frame;
    DisplayPainter m_display;
    int m_backBufferRenders = 0;

    CSizeCalc m_sizeCalc;
    QCursor m_cursorArrow;
    QCursor m_cursorCross;
    QCursor m_cursorMove;
    QCursor m_cursorNS;
    QCursor m_cursorWE;
    QCursor m_cursorNWSE;
    QCursor m_cursorNESW;
    int m_updatingText = 0;
    float m_zoom = 100.0f;
    int m_initialized = 0;
    // Whether the drag now over the view carries something importable, as
    // judged when it entered.
    bool m_dropAcceptable = false;
    QImage m_backBuffer;
    int m_backBufferValid = 0;
    int m_sourceWidth = 0;
    int m_sourceHeight = 0;
    int m_clientWidth = 0;
    int m_clientHeight = 0;
    int m_canvasWidth = 0;
    int m_canvasHeight = 0;
    float m_centerX = 0.0f;
    float m_centerY = 0.0f;
    int m_maxScrollX = 0;
    int m_maxScrollY = 0;
    int m_scrollX = 0;
    int m_scrollY = 0;
    int m_grid = 0;
    int m_paintSuspended = 0;
    std::array<QPen, 2> m_pens;
    QImage m_handleBitmap;
    QImage m_gridColumn;  // the grid's dashed lines, one strip per direction
    QImage m_gridRow;
    int m_lineMode = 0;
    int m_dragging = 0;
    // The step the current drag began in, and the line ends (step 2) or the
    // frame edges (step 3) as the press found them.
    int m_dragStep = 0;
    std::array<float, 4> m_dragStart{};
    int m_hasLine = 0;
    int m_lineDragPart = 0;
    float m_lineX1 = 0.0f;
    float m_lineY1 = 0.0f;
    float m_lineX2 = 0.0f;
    float m_lineY2 = 0.0f;
    float m_frameAnchorX = 0.0f;
    float m_frameAnchorY = 0.0f;
    float m_frameLeft = 0.0f;
    float m_frameTop = 0.0f;
    float m_frameRight = 0.0f;
    float m_frameBottom = 0.0f;
    int m_frameDragPart = 0;
    int m_shownStep = -1;
    // Set while the view itself moves its scroll bars, so that their change
    // signals are not taken for the user's scrolling.
    int m_settingScrollBars = 0;
    // An image placed before the window was first shown was fitted to a size
    // the view did not keep; it is fitted and centred again as the window
    // takes its size, until the user zooms, scrolls or edits.
    int m_fitPending = 0;
};
