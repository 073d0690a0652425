#include "CSettingCardboardDialog.h"

#include <QLineEdit>
#include <algorithm>

#include "CColorEditGroup.h"
#include "PageControls.h"
#include "SettingsText.h"
#include "app/CTavloApp.h"
#include "platform/MessageBox.h"
#include "platform/SettingsStore.h"
#include "resources/Strings.h"

CSettingCardboardDialog::CSettingCardboardDialog(CTavloApp& app, SendToDescendants send,
                                                 QWidget* parent)
    : CXPropertyPage(parent), m_app(app), m_send(std::move(send)) {
    CreatePageControls(*this, kMarginPageTemplate);
    m_color = new CColorEditGroup(*this, app.Store());
    m_color->Bind();
}

void CSettingCardboardDialog::OnInitDialog() {
    const AppSettings& s = m_app.settings;
    m_color->SetColor(s.CardBoard_R, s.CardBoard_G, s.CardBoard_B);
    m_color->Fill();
    m_color->RefreshSwatch();
    Item<QLineEdit>(IDC_OPACITY)->setText(QString::number(quint32(s.CardBoard_A)));
}

void CSettingCardboardDialog::OnSetActive() { RememberActivePage(m_app, kPageIndex); }

bool CSettingCardboardDialog::OnKillActive() {
    auto* opacity = Item<QLineEdit>(IDC_OPACITY);
    if (OpacityFromText(opacity->text())) return true;
    AppMessageBox(Strings::OpacityOutOfRange(), MessageButtons::Ok, MessageIcon::Warning);
    opacity->setFocus();
    opacity->selectAll();
    return false;
}

void CSettingCardboardDialog::OnOK() {
    AppSettings& s = m_app.settings;
    const int before[] = {s.CardBoard_R, s.CardBoard_G, s.CardBoard_B, s.CardBoard_A};
    s.CardBoard_R = int(m_color->Red());
    s.CardBoard_G = int(m_color->Green());
    s.CardBoard_B = int(m_color->Blue());
    // The page could be left, so the opacity has passed its test.
    s.CardBoard_A = int(OpacityFromText(Item<QLineEdit>(IDC_OPACITY)->text()).value_or(0));
    const int after[] = {s.CardBoard_R, s.CardBoard_G, s.CardBoard_B, s.CardBoard_A};

    SettingsStore& store = m_app.Store();
    store.WriteInt(kSettingsSection, QStringLiteral("CardBoard_R"), s.CardBoard_R);
    store.WriteInt(kSettingsSection, QStringLiteral("CardBoard_G"), s.CardBoard_G);
    store.WriteInt(kSettingsSection, QStringLiteral("CardBoard_B"), s.CardBoard_B);
    store.WriteInt(kSettingsSection, QStringLiteral("CardBoard_A"), s.CardBoard_A);
    store.Flush();
    if (!std::equal(std::begin(before), std::end(before), std::begin(after))) m_send(WM_APP_MARGIN_CHANGED);
}
