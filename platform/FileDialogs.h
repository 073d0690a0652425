#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The platform's file dialogs, behind one interface so that tests can answer
// them. Filters are written as "description|patterns|...||", patterns joined
// by ";"; filter indices count from 1.

struct SaveDialogRequest {
    QString defaultExtension;  // without the dot, added when the name has none
    QString proposedName;      // a full path: the dialog opens in its folder
    QString filter;
    int filterIndex = 1;
};

struct SaveDialogAnswer {
    QString path;
    int filterIndex = 1;
};

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // The chosen file, or an empty text when cancelled.
    virtual QString GetOpenFileName(const QString& filter) = 0;
    // The chosen files, in the order the dialog gives them, or none when
    // cancelled. Several files may be chosen; the dialog has the title given
    // and no parent window.
    virtual QStringList GetOpenFileNames(const QString& filter, const QString& title) = 0;
    // The chosen file and filter, or nothing when cancelled. Replacing an
    // existing file has been confirmed by the user.
    virtual std::optional<SaveDialogAnswer> GetSaveFileName(const SaveDialogRequest& request) = 0;
    // A folder, starting in the initial folder when it names one; nothing when
    // cancelled or when no folder dialog can be shown.
    virtual std::optional<QString> GetFolderName(const QString& initialFolder) {
        return std::nullopt;
    }
};

// "desc|patterns|...||" as Qt writes it: "desc (patterns);;...", the patterns
// separated by spaces.
QStringList QtNameFilters(const QString& pipeFilter);

// The patterns of each filter of "desc|patterns|...||", in order
// ("*.jpg;*.jpeg").
QStringList FilterPatterns(const QString& pipeFilter);

// The suffix a bare file name gets under a filter: the extension of its first
// pattern ("jpg" for "*.jpg;*.jpeg"), or the fallback for a filter that
// matches every file ("*.*").
QString DefaultSuffixFor(const QString& patterns, const QString& fallback);
