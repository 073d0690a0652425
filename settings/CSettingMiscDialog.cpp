#include "CSettingMiscDialog.h"

#include <QCheckBox>

#include "CColorEditGroup.h"
#include "PageControls.h"
#include "app/CTavloApp.h"
#include "platform/SettingsStore.h"

CSettingMiscDialog::CSettingMiscDialog(CTavloApp& app, SendToDescendants send, QWidget* parent)
    : CXPropertyPage(parent), m_app(app), m_send(std::move(send)) {
    CreatePageControls(*this, kMiscPageTemplate);
    m_color = new CColorEditGroup(*this, app.Store());
    m_color->Bind();
}

void CSettingMiscDialog::OnInitDialog() {
    const AppSettings& s = m_app.settings;
    Item<QCheckBox>(IDC_GRID_ON_STARTUP)->setChecked(s.GridOnOnStartrup != 0);
    Item<QCheckBox>(IDC_DELETE_ON_EXIT)->setChecked(m_app.DeleteSettingsOnExit != 0);
    m_color->SetColor(s.Background_R, s.Background_G, s.Background_B);
    m_color->Fill();
    m_color->RefreshSwatch();
}

void CSettingMiscDialog::OnSetActive() { RememberActivePage(m_app, kPageIndex); }

void CSettingMiscDialog::OnOK() {
    AppSettings& s = m_app.settings;
    s.GridOnOnStartrup = Item<QCheckBox>(IDC_GRID_ON_STARTUP)->isChecked() ? 1 : 0;
    // Kept in memory only: it acts at the end of this run.
    m_app.DeleteSettingsOnExit = Item<QCheckBox>(IDC_DELETE_ON_EXIT)->isChecked() ? 1 : 0;
    s.Background_R = int(m_color->Red());
    s.Background_G = int(m_color->Green());
    s.Background_B = int(m_color->Blue());

    SettingsStore& store = m_app.Store();
    store.WriteInt(kSettingsSection, QStringLiteral("GridOnOnStartrup"), s.GridOnOnStartrup);
    store.WriteInt(kSettingsSection, QStringLiteral("Background_R"), s.Background_R);
    store.WriteInt(kSettingsSection, QStringLiteral("Background_G"), s.Background_G);
    store.WriteInt(kSettingsSection, QStringLiteral("Background_B"), s.Background_B);
    store.Flush();
    m_send(WM_APP_BACKGROUND_CHANGED);
}
