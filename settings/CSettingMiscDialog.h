#pragma once

#include "CXPropertySheet.h"
#include "PageSupport.h"

class CColorEditGroup;
class CTavloApp;

// Page "その他": the grid at start-up, the window background colour and
// deleting every setting when the program ends. OK always sends
// WM_APP_BACKGROUND_CHANGED.
class CSettingMiscDialog : public CXPropertyPage {
    Q_OBJECT
public:
    static constexpr int kPageIndex = 2;

    CSettingMiscDialog(CTavloApp& app, SendToDescendants send, QWidget* parent = nullptr);

    void OnInitDialog() override;
    void OnSetActive() override;
    void OnOK() override;

    CColorEditGroup& ColorGroup() { return *m_color; }

private:
    CTavloApp& m_app;
    SendToDescendants m_send;
    CColorEditGroup* m_color;
};
