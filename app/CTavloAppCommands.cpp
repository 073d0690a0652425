#include "CTavloAppCommands.h"

#include <QWidget>

#include "CTavloApp.h"
#include "ImageExtensions.h"
#include "document/CTavloDoc.h"
#include "platform/FileDialogs.h"
#include "resources/CommandIds.h"
#include "resources/Strings.h"

CTavloAppCommands::CTavloAppCommands(CTavloApp& app, CTavloDoc& document, FileDialogs& dialogs,
                                     QWidget& mainWindow)
    : m_app(app), m_document(document), m_dialogs(dialogs), m_mainWindow(mainWindow) {}

bool CTavloAppCommands::HandlesCommand(int id) const {
    return id == ID_FILE_NEW || id == ID_FILE_OPEN || id == ID_APP_EXIT;
}

bool CTavloAppCommands::OnUpdateCommand(int, CommandState&) { return false; }

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
            m_mainWindow.close();
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
