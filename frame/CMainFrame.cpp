#include "CMainFrame.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QSessionManager>
#include <QStatusBar>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "CScrollHookDialogBar.h"
#include "CommandEvent.h"
#include "CommandRouter.h"
#include "DialogBar.h"
#include "FrameAccessibility.h"
#include "platform/framework/CDocument.h"
#include "resources/DialogTemplates.h"
#include "resources/Strings.h"

namespace {
QFrame* Border(QFrame::Shape shape, QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(shape);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QScreen* NearestScreen(const QPoint& point) {
    QScreen* nearest = nullptr;
    double best = 0;
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect r = screen->geometry();
        const double dx = std::max({r.left() - point.x(), 0, point.x() - r.right()});
        const double dy = std::max({r.top() - point.y(), 0, point.y() - r.bottom()});
        const double distance = std::hypot(dx, dy);
        if (!nearest || distance < best) nearest = screen, best = distance;
    }
    return nearest;
}
}  // namespace

CMainFrame::CMainFrame(CommandRouter& router, SettingsStore& store, QWidget* parent)
    : QMainWindow(parent), m_router(router), m_store(store), m_updater(router, this) {
    setObjectName(QStringLiteral("mainFrame"));
    InstallFrameAccessibility();
    // No accessible name of its own: the window is announced by its caption,
    // with the document and its modified mark.
    setWindowTitle(Strings::ApplicationTitle());
    CreateMenuAndToolbar();
    statusBar()->setAccessibleName(Strings::StatusBar());
    connect(statusBar(), &QStatusBar::messageChanged, this, [this](const QString& message) {
        AnnounceStatusMessage(statusBar(), m_statusMessage, message);
        m_statusMessage = message;
    });
    CreateBars();
    m_updater.AddIdleTask([this] { OnUpdateFrameTitle(); });
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
        SavePlacement();
        if (m_document && !m_document->SaveModified()) manager.cancel();
    });
}

CMainFrame::~CMainFrame() {
    if (m_document) m_document->SetTitleChangedListener(nullptr);
}

void CMainFrame::CreateBars() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("frameClient"));
    auto* columns = new QHBoxLayout(central);
    columns->setContentsMargins(0, 0, 0, 0);
    columns->setSpacing(0);

    // Step bar 1 is visible from the start, bars 2-4 are created hidden.
    auto* stepColumn = new QVBoxLayout;
    stepColumn->setContentsMargins(0, 0, 0, 0);
    const DialogTemplate* steps[] = {&kStep1Template, &kStep2Template, &kStep3Template,
                                     &kStep4Template};
    for (int i = 0; i < 4; ++i) {
        m_stepBars[i] = new ::StepBar(*steps[i], m_router, central);
        m_stepBars[i]->setVisible(i == 0);
        stepColumn->addWidget(m_stepBars[i]);
        m_updater.AddBar(m_stepBars[i]);
    }
    // All panels take the width of the widest, so the view keeps its width
    // from step to step.
    int width = 0;
    for (DialogBar* bar : m_stepBars)
        width = std::max({width, bar->minimumSizeHint().width(), bar->minimumWidth()});
    for (DialogBar* bar : m_stepBars) bar->setFixedWidth(width);
    columns->addLayout(stepColumn);
    columns->addWidget(Border(QFrame::VLine, central));

    m_viewColumn = new QWidget(central);
    auto* viewColumn = new QVBoxLayout(m_viewColumn);
    viewColumn->setContentsMargins(0, 0, 0, 0);
    viewColumn->setSpacing(0);
    m_topBar = new CScrollHookDialogBar(kTopBarTemplate, m_router, m_viewColumn);
    viewColumn->addWidget(m_topBar);
    viewColumn->addWidget(Border(QFrame::HLine, m_viewColumn));
    m_updater.AddBar(m_topBar);
    columns->addWidget(m_viewColumn, 1);
    setCentralWidget(central);
}

void CMainFrame::SetView(QWidget* view) {
    m_view = view;
    static_cast<QVBoxLayout*>(m_viewColumn->layout())->addWidget(view, 1);
    // The window opens with the keyboard focus in the view.
    view->setFocus(Qt::OtherFocusReason);
}

void CMainFrame::SetDocument(CDocument* document) {
    if (m_document) m_document->SetTitleChangedListener(nullptr);
    m_document = document;
    if (m_document) m_document->SetTitleChangedListener([this] { OnUpdateFrameTitle(); });
    OnUpdateFrameTitle();
}

DialogBar* CMainFrame::GetControlBar(int id) const {
    if (id == IDD_TOP_BAR) return m_topBar;
    for (DialogBar* bar : m_stepBars)
        if (bar && bar->BarId() == id) return bar;
    return nullptr;
}

DialogBar* CMainFrame::StepBar(int step) const {
    return step >= 1 && step <= 4 ? m_stepBars[step - 1] : nullptr;
}

void CMainFrame::SetStatusText(const QString& text) { statusBar()->showMessage(text); }

QString CMainFrame::StatusText() const { return statusBar()->currentMessage(); }

void CMainFrame::OnUpdateFrameTitle() {
    QString caption = Strings::ApplicationTitle();
    if (m_document) {
        caption = m_document->GetTitle() +
                  (m_document->IsModified() ? QStringLiteral(" *") : QString()) +
                  QStringLiteral(" - ") + Strings::ApplicationTitle();
    }
    if (windowTitle() != caption) setWindowTitle(caption);
    // A minimised window is announced by its icon text.
    if (windowIconText() != caption) setWindowIconText(caption);
}

void CMainFrame::SendMessageToDescendants(AppMessage message) {
    for (QWidget* child : findChildren<QWidget*>()) {
        AppMessageEvent event(message);
        QCoreApplication::sendEvent(child, &event);
    }
}

bool CMainFrame::OnCommand(int) { return false; }
bool CMainFrame::OnUpdateCommand(int, CommandState&) { return false; }
bool CMainFrame::HandlesCommand(int) const { return false; }

bool CMainFrame::event(QEvent* event) {
    if (event->type() == CommandEvent::EventType()) {
        m_router.Route(static_cast<CommandEvent*>(event)->Id());
        return true;
    }
    if (AppMessageEvent::Is(event, WM_APP_STEP_CHANGED)) {
        OnStepChanged(int(static_cast<AppMessageEvent*>(event)->WParam()));
        return true;
    }
    if (AppMessageEvent::Is(event, WM_APP_RESTORE_PLACEMENT)) {
        static_cast<AppMessageEvent*>(event)->SetResult(RestorePlacement() ? 1 : 0);
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::OnStepChanged(int step) {
    // A panel button that changed the step goes with its panel; the keyboard
    // focus then goes to the view, from where Tab reaches the new panel.
    QWidget* focus = focusWidget();
    const bool focusInPanel =
        focus && std::any_of(m_stepBars.begin(), m_stepBars.end(),
                             [focus](DialogBar* bar) { return bar->isAncestorOf(focus); });
    m_topBar->hide();
    for (DialogBar* bar : m_stepBars) bar->hide();
    if (DialogBar* bar = StepBar(step)) bar->show();
    m_topBar->show();
    if (focusInPanel && m_view) m_view->setFocus(Qt::OtherFocusReason);
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_firstShow == 1) {
        for (int step = 2; step <= 4; ++step) StepBar(step)->hide();
        m_firstShow = 0;
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // The document is asked first; only a window that really goes away saves
    // its placement.
    if (m_document && !m_document->SaveModified()) {
        event->ignore();
        return;
    }
    SavePlacement();
    event->accept();
}

bool CMainFrame::RestorePlacement() {
    FramePlacement placement;
    if (!placement.Load(m_store)) return false;
    m_placement = placement;
    QRect normal = placement.NormalRect();
    if (QScreen* screen = NearestScreen(normal.topLeft())) {
        const int frameHeight = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
        const int captionHeight = style()->pixelMetric(QStyle::PM_TitleBarHeight);
        normal = CorrectedNormalRect(normal, screen->geometry(), frameHeight, captionHeight);
    }
    setGeometry(normal);
    // A window saved minimised comes back maximised or normal, never minimised.
    setWindowState(placement.maximized != 0 ? Qt::WindowMaximized : Qt::WindowNoState);
    return true;
}

void CMainFrame::SavePlacement() {
    const Qt::WindowStates state = windowState();
    QRect normal = normalGeometry();
    if (!normal.isValid()) normal = geometry();
    m_placement.SetNormalRect(normal);
    if (state & Qt::WindowMinimized) {
        m_placement.iconic = 1;
        m_placement.maximized = (state & Qt::WindowMaximized) ? 1 : 0;
    } else {
        m_placement.iconic = 0;
        m_placement.maximized = (state & Qt::WindowMaximized) ? 1 : 0;
    }
    m_placement.Save(m_store);
}
