#include "CTavloAppCommands.h"

#include <QUrl>

#include "CAboutDlg.h"
#include "CTavloApp.h"
#include "HomePage.h"
#include "ImageExtensions.h"
#include "document/CTavloDoc.h"
#include "frame/CMainFrame.h"
#include "platform/FileDialogs.h"
#include "platform/UrlOpener.h"
#include "settings/OptionsSheet.h"
#include "resources/CommandIds.h"
#include "resources/Strings.h"

CTavloAppCommands::CTavloAppCommands(CTavloApp& app, CTavloDoc& document, FileDialogs& dialogs,
                                     CMainFrame& mainFrame, CommandRouter& router)
    : m_app(app), m_document(document), m_dialogs(dialogs), m_mainFrame(mainFrame), m_router(router) {}

bool CTavloAppCommands::HandlesCommand(int id) const {
    switch (id) {
        case ID_FILE_NEW:
        case ID_FILE_OPEN:
        case ID_APP_EXIT:
        case ID_OPTIONS:
        case ID_HELP_FINDER:
        case ID_HOMEPAGE:
        case ID_APP_ABOUT:
            return true;
        default:
            return false;
    }
}

bool CTavloAppCommands::OnUpdateCommand(int id, CommandState& state) {
    if (id != ID_HELP_FINDER) return false;
    state.Enable(m_app.HelpExists != 0);
    return true;
}

bool CTavloAppCommands::OnCommand(int id) {
    switch (id) {
        case ID_FILE_NEW:
            // The document asks to save or discard first.
            m_document.NewDocument();
            return true;
        case ID_FILE_OPEN:
            OnFileOpen();
            return true;
        case ID_APP_EXIT:
            m_mainFrame.close();
            return true;
        case ID_OPTIONS:
            OnOptions();
            return true;
        case ID_HELP_FINDER:
            // What the desktop answers is not reported.
            if (m_app.HelpExists) OpenUrl(QUrl::fromLocalFile(m_app.HelpPath));
            return true;
        case ID_HOMEPAGE:
            OpenUrl(HomePageUrl(m_app.HelpExists != 0));
            return true;
        case ID_APP_ABOUT:
            OnAbout();
            return true;
        default:
            return false;
    }
}

QString CTavloAppCommands::OpenFilter(const QStringList& extensions) {
    return ImageFileFilter(extensions);
}

void CTavloAppCommands::OnFileOpen() {
    const QString path = m_dialogs.GetOpenFileName(OpenFilter(m_app.ImageExtensions));
    if (!path.isEmpty()) m_document.OpenDocumentFile(path);
}

void CTavloAppCommands::OnOptions() {
    CMainFrame* frame = &m_mainFrame;
    RunOptionsSheet(m_app, m_dialogs, frame,
                    [frame](AppMessage message) { frame->SendMessageToDescendants(message); });
}

void CTavloAppCommands::OnAbout() {
    CAboutDlg dialog(m_router, &m_mainFrame);
    dialog.exec();
}
