#include "CSettingSaveDialog.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "PageControls.h"
#include "PageSupport.h"
#include "SettingsText.h"
#include "app/CTavloApp.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBox.h"
#include "platform/SettingsStore.h"
#include "resources/SettingsTemplates.h"
#include "resources/Strings.h"

namespace {
// Creates the folder together with every missing parent. Only a full path
// can be created: a relative one would land wherever the program was started.
bool CreateFolderWithParents(const QString& path) {
    if (QDir::isRelativePath(path)) return false;
    return QDir().mkpath(path);
}

void Warn(const QString& text) { AppMessageBox(text, MessageButtons::Ok, MessageIcon::Warning); }
}  // namespace

CSettingSaveDialog::CSettingSaveDialog(CTavloApp& app, FileDialogs& dialogs, QWidget* parent)
    : CPropertyPage(parent), m_app(app), m_dialogs(dialogs) {
    CreatePageControls(*this, kSavePageTemplate);
    for (int id : {IDC_SAVE_BESIDE_FILE, IDC_SAVE_IN_SUBFOLDER, IDC_SAVE_IN_FOLDER})
        connect(Item<QRadioButton>(id), &QRadioButton::clicked, this, [this] { UpdateEnabling(); });
    for (int id : {IDC_SUBFOLDER_NAME, IDC_FOLDER_PATH}) {
        connect(Item<QLineEdit>(id), &QLineEdit::textChanged, this, [this] {
            if (m_internalUpdate == 0) UpdateEnabling();
        });
    }
    connect(Item<QPushButton>(IDC_BROWSE_FOLDER), &QPushButton::clicked, this,
            &CSettingSaveDialog::OnBrowse);
}

int CSettingSaveDialog::Mode() {
    if (Item<QRadioButton>(IDC_SAVE_IN_SUBFOLDER)->isChecked()) return 1;
    if (Item<QRadioButton>(IDC_SAVE_IN_FOLDER)->isChecked()) return 2;
    Item<QRadioButton>(IDC_SAVE_BESIDE_FILE)->setChecked(true);
    return 0;
}

void CSettingSaveDialog::UpdateEnabling() {
    QWidget* focused = QApplication::focusWidget();
    const int mode = Mode();
    GetDlgItem(IDC_SUBFOLDER_NAME)->setEnabled(mode == 1);
    GetDlgItem(IDC_FOLDER_PATH)->setEnabled(mode == 2);
    GetDlgItem(IDC_BROWSE_FOLDER)->setEnabled(mode == 2);
    // A field that has just been switched off hands the keyboard to the page
    // itself, not to whichever control comes next.
    if (focused && !focused->isEnabled() && isAncestorOf(focused)) setFocus();
}

void CSettingSaveDialog::OnInitDialog() {
    CInternalUpdateAnchor anchor(&m_internalUpdate);
    const AppSettings& s = m_app.settings;
    // Another stored value switches none on; the mode rule then takes the first.
    if (s.SaveFolder == 0) Item<QRadioButton>(IDC_SAVE_BESIDE_FILE)->setChecked(true);
    if (s.SaveFolder == 1) Item<QRadioButton>(IDC_SAVE_IN_SUBFOLDER)->setChecked(true);
    if (s.SaveFolder == 2) Item<QRadioButton>(IDC_SAVE_IN_FOLDER)->setChecked(true);
    Item<QLineEdit>(IDC_SUBFOLDER_NAME)->setText(s.SaveFolderSub);
    Item<QLineEdit>(IDC_FOLDER_PATH)->setText(s.SaveFolderSpecified);
    UpdateEnabling();
}

void CSettingSaveDialog::OnSetActive() { RememberActivePage(m_app, kPageIndex); }

void CSettingSaveDialog::OnBrowse() {
    auto* path = Item<QLineEdit>(IDC_FOLDER_PATH);
    if (const std::optional<QString> folder = m_dialogs.GetFolderName(path->text())) {
        CInternalUpdateAnchor anchor(&m_internalUpdate);
        path->setText(*folder);
    }
    UpdateEnabling();
}

bool CSettingSaveDialog::OnKillActive() {
    switch (Mode()) {
        case 1:
            return TestSubfolder();
        case 2:
            return TestFolder();
        default:
            return true;
    }
}

bool CSettingSaveDialog::TestSubfolder() {
    auto* field = Item<QLineEdit>(IDC_SUBFOLDER_NAME);
    const QString name = field->text();
    if (name.isEmpty()) {
        Warn(Strings::SubfolderNameMissing());
    } else if (HasForbiddenFolderCharacter(name)) {
        Warn(Strings::SubfolderNameInvalid());
    } else {
        return true;
    }
    field->setFocus();
    return false;
}

bool CSettingSaveDialog::TestFolder() {
    auto* field = Item<QLineEdit>(IDC_FOLDER_PATH);
    const QString path = field->text();
    if (path.isEmpty()) {
        Warn(Strings::FolderNameMissing());
        field->setFocus();
        return false;
    }
    const QFileInfo info(path);
    // A dangling link is something, though not a folder.
    if (!info.exists() && !info.isSymLink()) {
        if (AppMessageBox(Strings::AskCreateFolder() + path, MessageButtons::OkCancel,
                          MessageIcon::Warning) != IDOK)
            return false;
        if (CreateFolderWithParents(path)) return true;
        Warn(Strings::CannotCreateFolder() + path);
        return false;
    }
    if (info.isDir()) return true;
    Warn(Strings::FolderNameWrong());
    field->setFocus();
    return false;
}

void CSettingSaveDialog::OnOK() {
    AppSettings& s = m_app.settings;
    s.SaveFolder = Mode();
    // The texts are kept as typed, those of switched-off fields too.
    s.SaveFolderSub = Item<QLineEdit>(IDC_SUBFOLDER_NAME)->text();
    s.SaveFolderSpecified = Item<QLineEdit>(IDC_FOLDER_PATH)->text();
    SettingsStore& store = m_app.Store();
    store.WriteInt(kSettingsSection, QStringLiteral("SaveFolder"), s.SaveFolder);
    store.WriteString(kSettingsSection, QStringLiteral("SaveFolderSub"), s.SaveFolderSub);
    store.WriteString(kSettingsSection, QStringLiteral("SaveFolderSpecified"), s.SaveFolderSpecified);
    store.Flush();
}
