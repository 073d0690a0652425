#pragma once

#include "CXPropertySheet.h"
#include "PageSupport.h"

class CColorEditGroup;
class CTavloApp;

// Page "余白": the colour and opacity of the margin that a trim frame reaching
// beyond the image adds. OK sends WM_APP_MARGIN_CHANGED when one of the four
// values changed, so that a step-4 preview is rendered again.
class CSettingCardboardDialog : public CXPropertyPage {
    Q_OBJECT
public:
    static constexpr int kPageIndex = 0;

    CSettingCardboardDialog(CTavloApp& app, SendToDescendants send, QWidget* parent = nullptr);

    void OnInitDialog() override;
    void OnSetActive() override;
    // The opacity is a whole decimal number from 0 to 255.
    bool OnKillActive() override;
    void OnOK() override;

    CColorEditGroup& ColorGroup() { return *m_color; }

private:
    CTavloApp& m_app;
    SendToDescendants m_send;
    CColorEditGroup* m_color;
};
