#include "WidgetFileDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>

QString WidgetFileDialogs::GetOpenFileName(const QString& filter) {
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(QtNameFilters(filter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

std::optional<SaveDialogAnswer> WidgetFileDialogs::GetSaveFileName(const SaveDialogRequest& request) {
    // No parent: the dialog stands on its own, as the save dialog always did.
    QFileDialog dialog;
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(request.defaultExtension);
    const QStringList filters = QtNameFilters(request.filter);
    dialog.setNameFilters(filters);
    // A bare name gets the extension of the chosen filter ("すべてのファイル"
    // keeps the proposed one), so "scan" under the jpeg filter is scan.jpg.
    const QStringList patterns = FilterPatterns(request.filter);
    auto followFilter = [&](const QString& chosen) {
        const qsizetype index = filters.indexOf(chosen);
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
                            int(filters.indexOf(dialog.selectedNameFilter())) + 1};
}
