#pragma once

#include <QColor>
#include <QObject>

#include "resources/SettingsTemplates.h"

class CPropertyPage;
class SettingsStore;

// The three colour fields of a page with their swatch and the "色の選択"
// button. Typing into a field changes its component at once (the swatch
// follows, the text stays as typed); the button opens the colour dialog with
// the process-wide custom colours, which are read from and written to the
// stored value "CustomColors".
class CColorEditGroup : public QObject {
    Q_OBJECT
public:
    CColorEditGroup(CPropertyPage& page, SettingsStore& store, int redId = IDC_COLOR_RED,
                    int greenId = IDC_COLOR_GREEN, int blueId = IDC_COLOR_BLUE,
                    int swatchId = IDC_COLOR_SWATCH, int chooseId = IDC_CHOOSE_COLOR);

    // Connects the page's controls; the page has made them.
    void Bind();
    // Takes a stored colour; each component is used through its low 8 bits.
    void SetColor(int red, int green, int blue);
    // Writes the components into the fields, not taken for typing.
    void Fill();
    // Paints the swatch in the current colour.
    void RefreshSwatch();

    unsigned Red() const { return m_red; }
    unsigned Green() const { return m_green; }
    unsigned Blue() const { return m_blue; }

private:
    void OnEditChanged(int editId);
    void OnChooseColor();

    CPropertyPage& m_page;
    SettingsStore& m_store;
    const int m_redId, m_greenId, m_blueId, m_swatchId, m_chooseId;
    unsigned m_red = 255, m_green = 255, m_blue = 255;
    int m_updating = 0;
    QColor m_swatchColor;
};
