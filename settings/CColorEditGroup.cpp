#include "CColorEditGroup.h"

#include <QColorDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "SettingsText.h"
#include "app/CustomColors.h"
#include "platform/SettingsStore.h"
#include "platform/ui/PropertySheet.h"

CColorEditGroup::CColorEditGroup(CPropertyPage& page, SettingsStore& store, int redId, int greenId,
                                 int blueId, int swatchId, int chooseId)
    : QObject(&page),
      m_page(page),
      m_store(store),
      m_redId(redId),
      m_greenId(greenId),
      m_blueId(blueId),
      m_swatchId(swatchId),
      m_chooseId(chooseId) {}

void CColorEditGroup::Bind() {
    for (int id : {m_redId, m_greenId, m_blueId}) {
        if (auto* edit = m_page.Item<QLineEdit>(id))
            connect(edit, &QLineEdit::textChanged, this, [this, id] { OnEditChanged(id); });
    }
    if (auto* button = m_page.Item<QPushButton>(m_chooseId))
        connect(button, &QPushButton::clicked, this, &CColorEditGroup::OnChooseColor);
}

void CColorEditGroup::SetColor(int red, int green, int blue) {
    m_red = unsigned(red) & 0xFF;
    m_green = unsigned(green) & 0xFF;
    m_blue = unsigned(blue) & 0xFF;
}

void CColorEditGroup::Fill() {
    ++m_updating;
    const std::pair<int, unsigned> fields[] = {{m_redId, m_red}, {m_greenId, m_green}, {m_blueId, m_blue}};
    for (const auto& [id, value] : fields)
        if (auto* edit = m_page.Item<QLineEdit>(id)) edit->setText(QString::number(value));
    --m_updating;
}

void CColorEditGroup::RefreshSwatch() {
    m_swatchColor = QColor(int(m_red), int(m_green), int(m_blue));
    QWidget* swatch = m_page.GetDlgItem(m_swatchId);
    if (!swatch) return;
    QPalette palette = swatch->palette();
    palette.setColor(QPalette::Window, m_swatchColor);
    swatch->setPalette(palette);
    swatch->update();
}

void CColorEditGroup::OnEditChanged(int editId) {
    if (m_updating) return;
    auto* edit = m_page.Item<QLineEdit>(editId);
    const unsigned value = edit ? ColorComponentFromText(edit->text()) : 0;
    if (editId == m_redId) m_red = value;
    if (editId == m_greenId) m_green = value;
    if (editId == m_blueId) m_blue = value;
    RefreshSwatch();
}

void CColorEditGroup::OnChooseColor() {
    CustomColorSet& custom = ProcessCustomColors();
    if (std::optional<CustomColorSet> stored = ReadCustomColors(m_store)) custom = *stored;
    for (int i = 0; i < int(custom.size()); ++i) QColorDialog::setCustomColor(i, custom[i]);

    // Qt's own dialog: it shows the custom colours it is given (a desktop's
    // dialog might not), and speaks the program's language.
    QColorDialog dialog(QColor(int(m_red), int(m_green), int(m_blue)), &m_page);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    const bool chosen = dialog.exec() == QDialog::Accepted;
    if (!chosen) return;
    const QColor color = dialog.selectedColor();
    SetColor(color.red(), color.green(), color.blue());
    Fill();
    RefreshSwatch();
    for (int i = 0; i < int(custom.size()); ++i) custom[i] = QColorDialog::customColor(i);
    WriteCustomColors(m_store, custom);
}
