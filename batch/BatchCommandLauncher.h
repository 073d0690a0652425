#pragma once

#include "document/CTavloDoc.h"

class FileDialogs;
class QWidget;

// The batch command's windows: the multiple-selection open dialog and the
// modal batch dialog over the main window.
class BatchCommandLauncher : public BatchLauncher {
public:
    BatchCommandLauncher(FileDialogs& dialogs, QWidget& mainWindow);

    QStringList ChooseBatchFiles(const QString& filter, const QString& title) override;
    void RunBatchDialog(CTavloDoc& document, const QStringList& paths) override;

private:
    FileDialogs& m_dialogs;
    QWidget& m_mainWindow;
};
