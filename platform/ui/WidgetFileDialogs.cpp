#include "WidgetFileDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>

namespace {
// The program's filter descriptions carry their patterns already
// ("pngファイル(*.png)"); Qt would add them a second time.
void ShowFiltersOnce(QFileDialog& dialog) { dialog.setOption(QFileDialog::HideNameFilterDetails); }

// The 1-based index of the chosen filter. With the details hidden, Qt names
// the choice by its description alone ("pngファイル(*.png)").
int FilterIndex(const QStringList& filters, const QString& selected) {
    for (int i = 0; i < filters.size(); ++i) {
        const QString description = filters[i].left(filters[i].lastIndexOf(QLatin1String(" (")));
        if (filters[i] == selected || description == selected.trimmed()) return i + 1;
    }
    return 0;
}
}  // namespace

QString WidgetFileDialogs::GetOpenFileName(const QString& filter) {
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    ShowFiltersOnce(dialog);
    dialog.setNameFilters(QtNameFilters(filter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

QStringList WidgetFileDialogs::GetOpenFileNames(const QString& filter, const QString& title) {
    QFileDialog dialog;
    dialog.setWindowTitle(title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(QtNameFilters(filter));
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles();
}

std::optional<SaveDialogAnswer> WidgetFileDialogs::GetSaveFileName(const SaveDialogRequest& request) {
    // No parent: the dialog stands on its own, as the save dialog always did.
    QFileDialog dialog;
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(request.defaultExtension);
    ShowFiltersOnce(dialog);
    const QStringList filters = QtNameFilters(request.filter);
    dialog.setNameFilters(filters);
    // A bare name gets the extension of the chosen filter ("すべてのファイル"
    // keeps the proposed one), so "scan" under the jpeg filter is scan.jpg.
    const QStringList patterns = FilterPatterns(request.filter);
    auto followFilter = [&](const QString& chosen) {
        const int index = FilterIndex(filters, chosen) - 1;
        if (index >= 0 && index < patterns.size())
            dialog.setDefaultSuffix(DefaultSuffixFor(patterns[index], request.defaultExtension));
    };
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, followFilter);
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size()) {
        dialog.selectNameFilter(filters[request.filterIndex - 1]);
        followFilter(filters[request.filterIndex - 1]);
    }
    const QFileInfo proposed(request.proposedName);
    if (proposed.isAbsolute()) dialog.setDirectory(proposed.absolutePath());
    dialog.selectFile(proposed.fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return SaveDialogAnswer{dialog.selectedFiles().front(),
                            FilterIndex(filters, dialog.selectedNameFilter())};
}

std::optional<QString> WidgetFileDialogs::GetFolderName(const QString& initialFolder) {
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    // The typed folder is where the dialog starts, when there is one.
    const QFileInfo initial(initialFolder);
    if (!initialFolder.isEmpty() && initial.isDir()) dialog.setDirectory(initial.absoluteFilePath());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front();
}
