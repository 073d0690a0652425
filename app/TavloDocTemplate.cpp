#include "TavloDocTemplate.h"

#include <QApplication>
#include <QClipboard>
#include <QScreen>

#include "CTavloApp.h"
#include "CTavloAppCommands.h"
#include "TavloMessageFilter.h"
#include "batch/BatchCommandLauncher.h"
#include "document/CTavloDoc.h"
#include "frame/CMainFrame.h"
#include "frame/FramePlacement.h"
#include "output/ClipboardCopy.h"
#include "output/SaveCommands.h"
#include "platform/AppMessages.h"
#include "resources/CommandIds.h"
#include "view/CTavloView.h"

TavloDocTemplate::TavloDocTemplate(CTavloApp& app, FileDialogs& dialogs) : m_app(app) {
    m_recentFiles.Load(app.Store());
    m_document = std::make_unique<CTavloDoc>(app);
    m_document->SetRecentFileList(&m_recentFiles);
    m_frame = std::make_unique<CMainFrame>(m_router, app.Store());
    // A clipboard file from an earlier run goes once nothing offers it any more.
    RemoveClipboardTempFile(QGuiApplication::clipboard());
    m_view = new CTavloView(*m_document, *m_frame);
    m_frame->SetView(m_view);
    m_frame->SetDocument(m_document.get());
    m_saveCommands = std::make_unique<SaveCommands>(dialogs, *m_document);
    m_document->SetResultSaver(m_saveCommands.get());
    m_appCommands =
        std::make_unique<CTavloAppCommands>(app, *m_document, dialogs, *m_frame, m_router);
    m_batchLauncher = std::make_unique<BatchCommandLauncher>(dialogs, *m_frame);
    m_document->SetBatchLauncher(m_batchLauncher.get());
    m_router.SetCommandRoute(
        {m_view, m_document.get(), m_saveCommands.get(), m_frame.get(), m_appCommands.get()});
    m_router.SetNotificationRoute({m_view});
    // Until it is shown, the frame takes the size of the screen's work area,
    // so that an image opened from the command line is fitted to about the
    // size the window will have.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        m_frame->resize(screen->availableGeometry().size());
}

TavloDocTemplate::~TavloDocTemplate() {
    if (m_messageFilter) qApp->removeEventFilter(m_messageFilter.get());
    m_document->SetResultSaver(nullptr);
    m_document->SetBatchLauncher(nullptr);
    // The view leaves the document before the document goes.
    m_frame.reset();
    RemoveClipboardTempFile(QGuiApplication::clipboard());
}

bool TavloDocTemplate::ProcessCommandLine(const QStringList& arguments) {
    if (arguments.size() > 1) return m_document->OpenDocumentFile(arguments[1]);
    if (!m_document->OnNewDocument()) return false;
    m_document->InitialUpdateAllViews();
    return true;
}

void TavloDocTemplate::ApplyHelpPage() {
    if (m_app.HelpExists == 0) m_frame->RemoveMenuCommand(ID_HELP_FINDER);
}

void TavloDocTemplate::ShowMainWindow() {
    AppMessageEvent restore(WM_APP_RESTORE_PLACEMENT);
    QCoreApplication::sendEvent(m_frame.get(), &restore);
    if (restore.Result() != 0) {
        m_frame->show();
    } else {
        if (QScreen* screen = m_frame->screen())
            m_frame->setGeometry(DefaultNormalRect(screen->availableGeometry()));
        m_frame->showMaximized();
    }
}

void TavloDocTemplate::InstallMessageFilter() {
    m_messageFilter = std::make_unique<TavloMessageFilter>(*m_frame);
    qApp->installEventFilter(m_messageFilter.get());
}

void TavloDocTemplate::SaveRecentFiles() { m_recentFiles.Save(m_app.Store()); }
