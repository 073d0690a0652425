#pragma once

#include "platform/FileDialogs.h"

// The file dialogs shown as QFileDialog over the active window.
class WidgetFileDialogs : public FileDialogs {
public:
    QString GetOpenFileName(const QString& filter) override;
    QStringList GetOpenFileNames(const QString& filter, const QString& title) override;
    std::optional<SaveDialogAnswer> GetSaveFileName(const SaveDialogRequest& request) override;
    std::optional<QString> GetFolderName(const QString& initialFolder) override;
};
