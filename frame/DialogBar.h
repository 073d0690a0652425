#pragma once

#include <QWidget>
#include <map>
#include <vector>

#include "resources/DialogTemplates.h"

class CommandRouter;
class QAbstractButton;

// Converts the dialog units of a template into pixels of the bar's font: a
// horizontal unit is a quarter of the font's average character width, a
// vertical one an eighth of its height, as the templates were laid out.
struct DialogUnits {
    explicit DialogUnits(const QFont& font);
    int X(int units) const;
    int Y(int units) const;
    double unitX = 1.5;
    double unitY = 1.625;
};

// One bar made from a dialog template: a step panel at the left or (as
// CScrollHookDialogBar) the top bar. The bar holds no logic of its own: its
// push buttons issue commands and its fields and boxes send notifications,
// both along the command route; the view fills and reads the fields.
//
// Every control carries its template id (the "controlId" property), and an
// accessible name: its own text, or the label it stands under.
class DialogBar : public QWidget {
    Q_OBJECT
public:
    DialogBar(const DialogTemplate& dialog, CommandRouter& router, QWidget* parent = nullptr);

    int BarId() const { return m_barId; }
    // The control of the given id, or null.
    QWidget* GetDlgItem(int id) const;
    template <class T>
    T* Item(int id) const {
        return qobject_cast<T*>(GetDlgItem(id));
    }
    // The push buttons with their command ids, for the idle update.
    const std::vector<std::pair<int, QAbstractButton*>>& PushButtons() const { return m_buttons; }

    // Sets a field's text the way the program writes its fields.
    void SetDlgItemText(int id, const QString& text);
    QString GetDlgItemText(int id) const;

    // The control id stored on a widget, IDC_NONE for none.
    static int ControlIdOf(const QObject* widget);

protected:
    // Builds every control of the template; the layout is the caller's.
    void CreateControls(const DialogTemplate& dialog);
    // Rows of controls that overlap vertically, top to bottom, with the
    // template's gaps and widths; word-wrapping labels and the full-width
    // controls stretch with the bar.
    void LayOutInRows(const DialogTemplate& dialog);
    QWidget* Control(const ControlTemplate& control) const { return m_controls.at(&control); }

    const DialogUnits m_units;
    CommandRouter& m_router;

private:
    QWidget* CreateControl(const ControlTemplate& control);
    void Connect(QWidget* widget, const ControlTemplate& control);

    int m_barId;
    std::map<const ControlTemplate*, QWidget*> m_controls;
    std::map<int, QWidget*> m_byId;
    std::vector<std::pair<int, QAbstractButton*>> m_buttons;
};

// A step panel of the guide: its controls in rows, top to bottom, as the
// template places them.
class StepBar : public DialogBar {
    Q_OBJECT
public:
    StepBar(const DialogTemplate& dialog, CommandRouter& router, QWidget* parent = nullptr)
        : DialogBar(dialog, router, parent) {
        LayOutInRows(dialog);
    }
};
