#include "SaveCommands.h"

#include "SaveWithAutoName.h"
#include "Transparency.h"
#include "WriteImageFile.h"
#include "app/CTavloApp.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBox.h"
#include "platform/WaitCursor.h"
#include "resources/CommandIds.h"
#include "resources/Strings.h"

namespace {
// A name ends with an extension when the last characters of the whole path
// equal it, ignoring case.
bool EndsWith(const QString& path, const char* extension) {
    return path.endsWith(QLatin1String(extension), Qt::CaseInsensitive);
}

bool ResultIsTransparent(const CUndoItem& state) {
    WaitCursor wait;
    return HasTransparency(state.m_image->Image());
}
}  // namespace

SaveCommands::SaveCommands(FileDialogs& dialogs, CTavloDoc& document)
    : m_dialogs(dialogs), m_document(document) {}

SaveCommands::Proposal SaveCommands::ProposeName(const QString& path, bool transparent,
                                                 bool heifAvailable) {
    if (transparent) {
        // Only PNG keeps transparency: the image extension goes, ".png" comes.
        QString name = path;
        if (EndsWith(name, ".jpg") || EndsWith(name, ".png") || EndsWith(name, ".bmp")) {
            name.chop(4);
        } else if (EndsWith(name, ".jpeg") ||
                   (heifAvailable && (EndsWith(name, ".heic") || EndsWith(name, ".heif")))) {
            name.chop(5);
        }
        return {name + QStringLiteral(".png"), QStringLiteral("png"), 1};
    }
    struct Known {
        const char* ending;
        const char* extension;
        int filter;
        bool needsHeif;
    };
    static constexpr Known known[] = {
        {".jpg", "jpg", 2, false},   {".jpeg", "jpeg", 2, false}, {".bmp", "bmp", 3, false},
        {".heic", "heic", 4, true},  {".heif", "heif", 4, true},  {".png", "png", 1, false},
    };
    for (const Known& k : known) {
        if ((!k.needsHeif || heifAvailable) && EndsWith(path, k.ending))
            return {path, QString::fromLatin1(k.extension), k.filter};
    }
    return {path + QStringLiteral(".png"), QStringLiteral("png"), 1};
}

bool SaveCommands::SaveResultAs(CTavloDoc& document) {
    const CUndoItem* current = document.Current();
    if (!current) return false;
    if (current->m_step != 4 || !document.OutputParams()) {
        AppMessageBox(Strings::TrimBeforeSaving());
        return false;
    }
    const bool heif = document.App().HeifAvailable != 0;
    const bool transparent = ResultIsTransparent(*current);
    const Proposal proposal = ProposeName(document.GetPathName(), transparent, heif);
    const std::optional<SaveDialogAnswer> answer = m_dialogs.GetSaveFileName(
        {proposal.defaultExtension, proposal.name,
         heif ? Strings::SaveAsFilterWithHeif() : Strings::SaveAsFilter(), proposal.filterIndex});
    if (!answer) return false;
    // The format follows the chosen name's extension, not the filter.
    if (!WriteImageFile(document, current->m_image, transparent, document.OutputParams()->m_image,
                        answer->path)) {
        AppMessageBox(Strings::CannotSave());
        return false;
    }
    document.MarkSaved();
    // From now on automatic names derive from this file.
    document.SetPathName(answer->path);
    return true;
}

void SaveCommands::OnSaveAutoName() {
    CTavloDoc& document = m_document;
    const CUndoItem* current = document.Current();
    if (!current || current->m_step != 4 || document.GetPathName().isEmpty() ||
        !document.OutputParams())
        return;
    if (!document.IsModified() &&
        AppMessageBox(Strings::SaveAnotherCopy(), MessageButtons::OkCancel) !=
            IDOK)
        return;
    const bool transparent = ResultIsTransparent(*current);
    QString written;
    if (!SaveWithAutoName(document, current->m_image, transparent, document.OutputParams()->m_image,
                          document.GetPathName(), &written)) {
        AppMessageBox(Strings::CannotWriteFile() + QStringLiteral("\r\n") + written);
        return;
    }
    AppMessageBox(Strings::SavedUnderName() + written, MessageButtons::Ok, MessageIcon::Information);
    // The path stays, so the next automatic save takes the next number.
    document.MarkSaved();
}

bool SaveCommands::HandlesCommand(int id) const { return id == ID_FILE_SAVE; }

bool SaveCommands::OnCommand(int id) {
    if (id != ID_FILE_SAVE) return false;
    OnSaveAutoName();
    return true;
}

bool SaveCommands::OnUpdateCommand(int id, CommandState& state) {
    if (id != ID_FILE_SAVE) return false;
    // An image pasted or dropped has no file to name the output after.
    const CUndoItem* current = m_document.Current();
    state.Enable(current && current->m_step == 4 && !m_document.GetPathName().isEmpty());
    return true;
}
