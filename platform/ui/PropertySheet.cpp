#include "PropertySheet.h"

#include <QDialogButtonBox>
#include <QTabWidget>
#include <QVBoxLayout>

CPropertyPage::CPropertyPage(QWidget* parent) : QWidget(parent) {}

QWidget* CPropertyPage::GetDlgItem(int id) const {
    const auto found = m_items.find(id);
    return found == m_items.end() ? nullptr : found->second;
}

void CPropertyPage::SetDlgItem(int id, QWidget* control) {
    control->setProperty("controlId", id);
    m_items[id] = control;
}

CPropertySheet::CPropertySheet(const QString& caption, QWidget* parent)
    : QDialog(parent),
      m_tabs(new QTabWidget(this)),
      m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
    setWindowTitle(caption);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(m_buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &CPropertySheet::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &CPropertySheet::reject);
    connect(m_tabs, &QTabWidget::currentChanged, this, &CPropertySheet::OnTabChanged);
}

void CPropertySheet::AddPage(CPropertyPage* page, const QString& tabText) {
    m_switching = true;  // the first page added becomes current on its own
    m_tabs->addTab(page, tabText);
    m_switching = false;
    m_pages.push_back(page);
}

void CPropertySheet::SetActivePage(int index) { m_startPage = index; }

int CPropertySheet::DoModal() {
    if (m_pages.empty()) return exec();
    const int start = m_startPage >= 0 && m_startPage < GetPageCount() ? m_startPage : 0;
    m_switching = true;
    m_tabs->setCurrentIndex(start);
    m_switching = false;
    Activate(start);
    return exec();
}

void CPropertySheet::Activate(int index) {
    CPropertyPage* page = GetPage(index);
    if (!page->m_created) {
        page->m_created = true;
        page->OnInitDialog();
    }
    m_active = index;
    page->OnSetActive();
}

void CPropertySheet::OnTabChanged(int index) {
    if (m_switching || index == m_active || index < 0) return;
    const int previous = m_active;
    // The tab widget has already turned to the new page. Turn back at once, so
    // that the old page is what the user sees while it tests its fields and
    // perhaps shows a message.
    m_switching = true;
    m_tabs->setCurrentIndex(previous);
    m_switching = false;
    if (previous >= 0 && !GetPage(previous)->OnKillActive()) return;
    m_switching = true;
    m_tabs->setCurrentIndex(index);
    m_switching = false;
    Activate(index);
}

void CPropertySheet::accept() {
    if (m_active >= 0 && !GetPage(m_active)->OnKillActive()) return;
    for (CPropertyPage* page : m_pages)
        if (page->m_created) page->OnOK();
    QDialog::accept();
}
