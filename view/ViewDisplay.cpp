// The canvas, the zoom and its controls, scrolling and painting.

#include <QComboBox>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <climits>
#include <cmath>

#include "CTavloView.h"
#include "NumberText.h"
#include "ViewResources.h"
#include "app/CTavloApp.h"
#include "document/CTavloDoc.h"
#include "frame/ControlNotification.h"
#include "frame/DialogBar.h"
#include "platform/AppMessages.h"
#include "resources/CommandIds.h"

namespace {
constexpr float kMinZoom = 5.0f;
constexpr float kMaxZoom = 1000.0f;
constexpr float kMinTypedZoom = 0.01f;
constexpr int kGridSpacing = 64;
constexpr int kWheelPixelsPerNotch = 24;

// 1.05^steps as 105^steps / 100^steps in double precision, clamped to the zoom
// range; a result that is not a number becomes the smallest zoom.
float ScaledZoom(float zoom, double steps) {
    const double factor = std::pow(105.0, steps) / std::pow(100.0, steps);
    const float result = float(zoom * factor);
    if (std::isnan(result)) return kMinZoom;
    return std::clamp(result, kMinZoom, kMaxZoom);
}
}  // namespace

QPointF CTavloView::ClientFromView(float x, float y) const {
    const float z = m_zoom / 100.0f;
    return {x * z + m_centerX - m_scrollX, y * z + m_centerY - m_scrollY};
}

QPointF CTavloView::ViewFromClient(QPoint client) const {
    const float z = m_zoom / 100.0f;
    return {(float(m_scrollX + client.x()) - m_centerX) / z,
            (float(m_scrollY + client.y()) - m_centerY) / z};
}

void CTavloView::UpdateCanvas(bool redraw) {
    m_clientWidth = viewport()->width();
    m_clientHeight = viewport()->height();
    m_canvasWidth = m_clientWidth;
    m_canvasHeight = m_clientHeight;
    if (const CUndoItem* current = Current()) {
        const CBitmapHolder& image = *current->m_image;
        // Room for the image at every angle. The parity rule puts the image's
        // top-left pixel centre on a whole canvas pixel at 100 % and 0 degrees.
        const float diagonal = std::ceil(image.Diagonal() * m_zoom / 100.0f) + 10.0f;
        const int d = diagonal < float(INT_MAX / 2) ? int(diagonal) : INT_MAX / 2;
        m_canvasWidth = std::max(m_clientWidth, d);
        m_canvasHeight = std::max(m_clientHeight, d);
        if ((m_canvasWidth & 1) != ((image.Width() - 1) & 1)) ++m_canvasWidth;
        if ((m_canvasHeight & 1) != ((image.Height() - 1) & 1)) ++m_canvasHeight;
    }
    m_maxScrollX = std::max(0, m_canvasWidth - m_clientWidth);
    m_maxScrollY = std::max(0, m_canvasHeight - m_clientHeight);
    m_centerX = m_canvasWidth * 0.5f;
    m_centerY = m_canvasHeight * 0.5f;
    m_scrollX = std::min(m_scrollX, m_maxScrollX);
    m_scrollY = std::min(m_scrollY, m_maxScrollY);

    ++m_settingScrollBars;
    const std::pair<QScrollBar*, std::array<int, 3>> bars[] = {
        {horizontalScrollBar(), {m_maxScrollX, m_clientWidth, m_scrollX}},
        {verticalScrollBar(), {m_maxScrollY, m_clientHeight, m_scrollY}},
    };
    for (const auto& [bar, values] : bars) {
        bar->setRange(0, values[0]);
        bar->setPageStep(std::max(1, values[1]));
        bar->setValue(values[2]);
        bar->setEnabled(values[0] > 0);
    }
    --m_settingScrollBars;

    m_backBufferValid = 0;
    if (redraw) viewport()->update();
}

float CTavloView::FitZoom() const {
    const CUndoItem* current = Current();
    if (!current) return 100.0f;
    int w = current->m_image->Width(), h = current->m_image->Height();
    const float angle = std::fabs(current->m_angle);
    if (angle > 45.0f && angle < 135.0f) std::swap(w, h);
    const int clientWidth = viewport()->width(), clientHeight = viewport()->height();
    const float a = clientWidth > 10 ? float(clientWidth - 10) : 0.0f;
    const float b = clientHeight > 10 ? float(clientHeight - 10) : 0.0f;
    const float f = std::min(a * 100.0f / float(w), b * 100.0f / float(h));
    return std::clamp(f, kMinZoom, 100.0f);
}

void CTavloView::SetZoom(float zoom, float anchorX, float anchorY, bool refreshText) {
    if (!Current()) return;
    m_fitPending = 0;
    const float ax = anchorX < 0 ? m_clientWidth * 0.5f : anchorX;
    const float ay = anchorY < 0 ? m_clientHeight * 0.5f : anchorY;
    const float z = m_zoom / 100.0f;
    const float px = (float(m_scrollX) + ax - m_centerX) / z;
    const float py = (float(m_scrollY) + ay - m_centerY) / z;
    m_zoom = zoom;
    if (refreshText) RefreshZoomText();
    UpdateCanvas(true);

    auto position = [&](float anchor, float original, float p, int canvas, int client, float centre,
                        int maximum) {
        const double wanted = original == -2.0f
                                  ? double((canvas - client) / 2)
                                  : std::trunc(double(m_zoom * p / 100.0f + centre - anchor));
        return int(std::clamp(wanted, 0.0, double(maximum)));
    };
    m_scrollX = position(ax, anchorX, px, m_canvasWidth, m_clientWidth, m_centerX, m_maxScrollX);
    m_scrollY = position(ay, anchorY, py, m_canvasHeight, m_clientHeight, m_centerY, m_maxScrollY);
    ++m_settingScrollBars;
    horizontalScrollBar()->setValue(m_scrollX);
    verticalScrollBar()->setValue(m_scrollY);
    --m_settingScrollBars;
    InvalidateAll();
}

void CTavloView::RefreshZoomText() {
    auto* box = qobject_cast<QComboBox*>(TopItem(IDC_ZOOM_BOX));
    if (!box) return;
    m_updatingText = 1;
    box->setEditText(FormatFixed(m_zoom));
    m_updatingText = 0;
}

void CTavloView::ZoomBy(double steps, float anchorX, float anchorY) {
    SetZoom(ScaledZoom(m_zoom, steps), anchorX, anchorY, true);
}

void CTavloView::OnZoomNotify(int code, int parameter) {
    auto* box = qobject_cast<QComboBox*>(TopItem(IDC_ZOOM_BOX));
    switch (code) {
        case CBN_EDITCHANGE: {
            if (m_updatingText || !Current() || !box) return;
            // Applied as typed, so "150" zooms to 1, 15 and 150 % in turn; very
            // large values stop at the largest zoom so the canvas stays finite.
            // Below 0.01 % (zero once it is a float, say) positions in view space
            // would outgrow every integer, so such a value is not applied.
            const double typed = LeadingNumber(box->currentText());
            const float zoom = float(std::min(typed, double(kMaxZoom)));
            if (zoom >= kMinTypedZoom) SetZoom(zoom, -1, -1, false);
            return;
        }
        case CBN_SELCHANGE:
            if (box && box->currentIndex() == 0) SetZoom(100.0f, -1, -1, true);
            if (box && box->currentIndex() == 1) SetZoom(FitZoom(), -2, -2, true);
            // The list has put the item's caption into the edit field; the
            // number comes back once the box is done.
            PostToSelf(WM_APP_REFRESH_ZOOM_TEXT);
            return;
        case CBN_KILLFOCUS:
            RefreshZoomText();
            return;
        case UDN_DELTAPOS:
            ZoomBy(parameter, -1, -1);
            return;
        default:
            return;
    }
}

void CTavloView::OnScrollBarValue(Qt::Orientation orientation, int value) {
    if (m_settingScrollBars) return;
    int& position = orientation == Qt::Horizontal ? m_scrollX : m_scrollY;
    if (position == value) return;
    m_fitPending = 0;
    position = value;
    InvalidateAll();
}

void CTavloView::wheelEvent(QWheelEvent* event) {
    m_fitPending = 0;
    const int delta = event->angleDelta().y();
    if (event->modifiers() & Qt::ControlModifier) {
        const QPointF at = event->position();
        ZoomBy(double(delta) / 120.0, float(int(at.x())), float(int(at.y())));
    } else if (delta != 0) {
        const int position =
            std::clamp(m_scrollY - delta * kWheelPixelsPerNotch / 120, 0, m_maxScrollY);
        if (position != m_scrollY) {
            m_scrollY = position;
            ++m_settingScrollBars;
            verticalScrollBar()->setValue(position);
            --m_settingScrollBars;
            InvalidateAll();
        }
    }
    event->accept();
}

void CTavloView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    const QSize size = viewport()->size();
    if (!size.isEmpty() || m_backBuffer.isNull()) {
        m_backBuffer =
            QImage(std::max(1, size.width()), std::max(1, size.height()), QImage::Format_RGB32);
    }
    m_backBufferValid = 0;
    UpdateCanvas(true);
    if (m_fitPending && isVisible() && Current()) {
        m_zoom = FitZoom();
        RefreshZoomText();
        UpdateCanvas(false);
        FitAndCentre();
    }
}

void CTavloView::InvalidateAll() {
    m_backBufferValid = 0;
    viewport()->update();
}

void CTavloView::Repaint() { viewport()->update(); }

void CTavloView::RenderBackBuffer() {
    if (m_backBuffer.size() != viewport()->size() && !viewport()->size().isEmpty())
        m_backBuffer = QImage(viewport()->size(), QImage::Format_RGB32);
    const AppSettings& settings = m_doc.App().settings;
    const QColor background(settings.Background_R & 0xff, settings.Background_G & 0xff,
                            settings.Background_B & 0xff);
    const CUndoItem* current = Current();
    // In steps 1 and 4 the image is never turned or mirrored, so the border that
    // lets turned edges blend in is not needed: the view draws the holder's own
    // pixels, without a copy (step 4 shows the rendered result as it is).
    const bool unturned = current && (current->m_step == 1 || current->m_step == 4) &&
                          current->m_angle == 0.0f && !current->m_flipX && !current->m_flipY;
    const CBitmapHolder* bitmap = !current   ? nullptr
                                  : unturned ? current->m_image.get()
                                             : m_doc.GetDisplayBitmap();
    // A bordered copy of an opaque image holds only opaque and transparent black.
    m_display.Render(m_backBuffer, background, bitmap ? &bitmap->Image() : nullptr, m_zoom / 100.0,
                     current ? current->m_angle : 0.0f,
                     QPointF(m_centerX - m_scrollX, m_centerY - m_scrollY),
                     current && current->m_image->IsOpaque());
    m_backBufferValid = 1;
    ++m_backBufferRenders;
    // Step 2 turns the image: its bordered copy is made on the other core now.
    if (unturned && current->m_step == 1) m_doc.PrepareDisplayBitmap();
}

void CTavloView::paintEvent(QPaintEvent* event) {
    if (m_paintSuspended) return;
    if (!m_backBufferValid) RenderBackBuffer();
    QPainter painter(viewport());
    painter.drawImage(event->rect(), m_backBuffer, event->rect());
    DrawOverlay(painter);
}

void CTavloView::DrawOverlay(QPainter& painter) {
    const CUndoItem* current = Current();
    auto drawTwice = [&](auto&& shape) {
        for (const QPen& pen : m_pens) {
            painter.setPen(pen);
            shape();
        }
    };
    if (current && current->m_step == 3) {
        const QPointF corners[] = {
            ClientFromView(m_frameLeft, m_frameTop),
            ClientFromView(m_frameRight + 0.5f, m_frameTop),
            ClientFromView(m_frameRight + 0.5f, m_frameBottom + 0.5f),
            ClientFromView(m_frameLeft, m_frameBottom + 0.5f),
            ClientFromView(m_frameLeft, m_frameTop),
        };
        drawTwice([&] { painter.drawPolyline(corners, 5); });
    } else if (m_hasLine) {
        const QPointF a = ClientFromView(m_lineX1, m_lineY1);
        const QPointF b = ClientFromView(m_lineX2, m_lineY2);
        drawTwice([&] { painter.drawLine(a, b); });
        for (const QPointF& end : {a, b})
            painter.drawImage(QPointF(end.x() - 3.0, end.y() - 3.0), m_handleBitmap);
    } else if (m_grid) {
        // Lines from (x, 0) to (x, client height) and from (0, y) to (client
        // width, y), the end point included.
        if (m_gridColumn.height() != m_clientHeight + 1)
            m_gridColumn = DashStrip(m_clientHeight + 1, Qt::Vertical);
        if (m_gridRow.width() != m_clientWidth + 1)
            m_gridRow = DashStrip(m_clientWidth + 1, Qt::Horizontal);
        for (int x = 0; x < m_clientWidth; x += kGridSpacing) painter.drawImage(x, 0, m_gridColumn);
        for (int y = 0; y < m_clientHeight; y += kGridSpacing) painter.drawImage(0, y, m_gridRow);
    }
}
