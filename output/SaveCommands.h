#pragma once

#include <QString>

#include "document/CTavloDoc.h"
#include "platform/framework/CommandTarget.h"

class FileDialogs;

// The two ways of saving the step-4 result: "自動的に名前を変えて保存" writes it
// under an automatic name (a command of the document, 57603), and "名前を付けて
// 保存" asks for a name in the save dialog (SaveResultAs, which the view's
// command 57604 and the document's save question run). A successful save makes
// the present history position the saved one; a failed or cancelled one
// changes nothing.
class SaveCommands : public ResultSaver, public CommandTarget {
public:
    explicit SaveCommands(FileDialogs& dialogs, CTavloDoc& document);

    // True when a file was written.
    bool SaveResultAs(CTavloDoc& document) override;
    void OnSaveAutoName();

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;
    bool HandlesCommand(int id) const override;

    // The name the save dialog proposes, with its default extension and the
    // filter (1 png, 2 jpeg, 3 bmp, 4 heic) it preselects. A transparent result
    // is offered as PNG under the name without its image extension; an opaque
    // one keeps a known extension and its filter, or gets ".png" appended.
    struct Proposal {
        QString name;
        QString defaultExtension;
        int filterIndex = 1;
    };
    static Proposal ProposeName(const QString& path, bool transparent, bool heifAvailable);

private:
    FileDialogs& m_dialogs;
    CTavloDoc& m_document;
};
