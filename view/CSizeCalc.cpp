#include "CSizeCalc.h"

#include <QAbstractButton>

#include "NumberText.h"
#include "frame/DialogBar.h"

void CSizeCalc::SetIntField(int id, int value) {
    m_updating = 1;
    if (m_panel) m_panel->SetDlgItemText(id, QString::number(value));
    m_updating = 0;
}

void CSizeCalc::SetRealField(int id, double value) {
    m_updating = 1;
    if (m_panel) m_panel->SetDlgItemText(id, FormatFixed(value));
    m_updating = 0;
}

int CSizeCalc::GetIntField(int id) const {
    return m_panel ? LeadingInteger(m_panel->GetDlgItemText(id)) : 0;
}

bool CSizeCalc::IsChecked(int id) const {
    auto* box = m_panel ? m_panel->Item<QAbstractButton>(id) : nullptr;
    return box && box->isChecked();
}

void CSizeCalc::SetChecked(int id, bool on) {
    if (auto* box = m_panel ? m_panel->Item<QAbstractButton>(id) : nullptr) box->setChecked(on);
}

void CSizeCalc::ResetScale() {
    m_scaleX = m_scaleY = 1.0;
    m_resultWidth = m_trimWidth;
    m_resultHeight = m_trimHeight;
    SetRealField(m_idScaleX, 100.0);
    SetRealField(m_idScaleY, 100.0);
}
