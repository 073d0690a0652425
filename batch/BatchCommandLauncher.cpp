#include "BatchCommandLauncher.h"

#include "CTavloBatchDialog.h"
#include "platform/FileDialogs.h"

BatchCommandLauncher::BatchCommandLauncher(FileDialogs& dialogs, QWidget& mainWindow)
    : m_dialogs(dialogs), m_mainWindow(mainWindow) {}

QStringList BatchCommandLauncher::ChooseBatchFiles(const QString& filter, const QString& title) {
    return m_dialogs.GetOpenFileNames(filter, title);
}

void BatchCommandLauncher::RunBatchDialog(CTavloDoc& document, const QStringList& paths) {
    // The items and the dialog go when it closes; the document is not touched.
    CTavloBatchDialog dialog(document, MakeBatchItems(paths), &m_mainWindow);
    dialog.exec();
}
