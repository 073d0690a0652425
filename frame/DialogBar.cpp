#include "DialogBar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "CommandRouter.h"
#include "ComboFocusWatcher.h"
#include "ControlNotification.h"
#include "PanelText.h"
#include "UpDownControl.h"

namespace {
const char kControlIdProperty[] = "controlId";

QString Text(const char16_t* text) { return text ? QString::fromUtf16(text) : QString(); }

// Breaks a text into lines that fit the width, as a push button with the
// multi-line style does: between phrases, and inside a phrase only when it is
// wider than the button on its own.
QString WrapToWidth(const QString& text, const QFontMetrics& metrics, int width) {
    QString wrapped, line;
    auto endLine = [&] {
        wrapped += line + QLatin1Char('\n');
        line.clear();
    };
    for (const QString& phrase : PhraseSegments(text)) {
        if (!line.isEmpty() && metrics.horizontalAdvance(line + phrase) > width) endLine();
        if (metrics.horizontalAdvance(phrase) <= width) {
            line += phrase;
            continue;
        }
        for (const QChar c : phrase) {
            if (!line.isEmpty() && metrics.horizontalAdvance(line + c) > width) {
                // "ー" or "。" never begins a line: the character before it
                // goes along.
                QString carried;
                if (!MayStartLine(c) && line.size() > 1) carried = line.back(), line.chop(1);
                endLine();
                line = carried;
            }
            line += c;
        }
    }
    return wrapped + line;
}

// An edit box with a drop-down list that turns the wheel into list items
// (for the angle box: turns and mirrors, each an edit) only while it has the
// focus; a wheel that merely passes over it is not taken.
class FocusedWheelComboBox : public QComboBox {
public:
    using QComboBox::QComboBox;

protected:
    void wheelEvent(QWheelEvent* event) override {
        if (hasFocus() || (lineEdit() && lineEdit()->hasFocus())) {
            QComboBox::wheelEvent(event);
        } else {
            event->ignore();
        }
    }
};

// A scroll bar that takes the focus by Tab or a click and answers the keys as
// a scroll bar control does: Left and Up one step back, Right and Down one
// step on, Page Up and Page Down a page, Home and End to the ends.
class KeyboardScrollBar : public QScrollBar {
public:
    explicit KeyboardScrollBar(Qt::Orientation orientation, QWidget* parent)
        : QScrollBar(orientation, parent) {
        setFocusPolicy(Qt::StrongFocus);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        switch (event->key()) {
            case Qt::Key_Left:
            case Qt::Key_Up: triggerAction(SliderSingleStepSub); break;
            case Qt::Key_Right:
            case Qt::Key_Down: triggerAction(SliderSingleStepAdd); break;
            case Qt::Key_PageUp: triggerAction(SliderPageStepSub); break;
            case Qt::Key_PageDown: triggerAction(SliderPageStepAdd); break;
            case Qt::Key_Home: triggerAction(SliderToMinimum); break;
            case Qt::Key_End: triggerAction(SliderToMaximum); break;
            default: QScrollBar::keyPressEvent(event); return;
        }
        event->accept();
    }
};

// A word-wrapping label, or a stretched full-width control, grows with the bar.
bool Stretches(const ControlTemplate& control, bool alone) {
    if (alone) return control.kind != ControlKind::Edit;
    return control.kind == ControlKind::Label && control.width >= 40;
}
}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetricsF metrics(font);
    const QString alphabet = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
    unitX = std::ceil(metrics.horizontalAdvance(alphabet) / 52.0) / 4.0;
    unitY = std::ceil(metrics.height()) / 8.0;
}

int DialogUnits::X(int units) const { return int(std::lround(units * unitX)); }
int DialogUnits::Y(int units) const { return int(std::lround(units * unitY)); }

DialogBar::DialogBar(const DialogTemplate& dialog, CommandRouter& router, QWidget* parent)
    : QWidget(parent), m_units(font()), m_router(router), m_barId(dialog.id) {
    setObjectName(QStringLiteral("bar%1").arg(dialog.id));
    CreateControls(dialog);
}

QWidget* DialogBar::GetDlgItem(int id) const {
    const auto found = m_byId.find(id);
    return found == m_byId.end() ? nullptr : found->second;
}

int DialogBar::ControlIdOf(const QObject* widget) {
    const QVariant id = widget ? widget->property(kControlIdProperty) : QVariant();
    return id.isValid() ? id.toInt() : IDC_NONE;
}

void DialogBar::SetDlgItemText(int id, const QString& text) {
    QWidget* item = GetDlgItem(id);
    if (auto* edit = qobject_cast<QLineEdit*>(item)) {
        edit->setText(text);
    } else if (auto* combo = qobject_cast<QComboBox*>(item)) {
        combo->setEditText(text);
    } else if (auto* label = qobject_cast<QLabel*>(item)) {
        label->setText(text);
        label->setAccessibleName(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(item)) {
        button->setText(text);
        button->setAccessibleName(text);
    }
}

QString DialogBar::GetDlgItemText(int id) const {
    QWidget* item = GetDlgItem(id);
    if (auto* edit = qobject_cast<QLineEdit*>(item)) return edit->text();
    if (auto* combo = qobject_cast<QComboBox*>(item)) return combo->currentText();
    if (auto* label = qobject_cast<QLabel*>(item)) return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(item)) return button->text();
    return {};
}

void DialogBar::CreateControls(const DialogTemplate& dialog) {
    for (const ControlTemplate& control : dialog.controls) {
        QWidget* widget = CreateControl(control);
        widget->setProperty(kControlIdProperty, control.id);
        widget->setAccessibleName(control.accessibleName ? Text(control.accessibleName)
                                                         : Text(control.text));
        if (control.style & kHidden) widget->hide();
        if (control.style & kDisabled) widget->setEnabled(false);
        m_controls[&control] = widget;
        if (control.id != IDC_NONE) m_byId[control.id] = widget;
        Connect(widget, control);
    }
}

QWidget* DialogBar::CreateControl(const ControlTemplate& control) {
    const QString text = Text(control.text);
    switch (control.kind) {
        case ControlKind::Label: {
            const bool wraps = control.width >= 40;
            auto* label = new QLabel(wraps ? WithPhraseBreaks(text) : text, this);
            label->setTextFormat(Qt::PlainText);
            label->setWordWrap(wraps);
            if (control.style & kCentered) label->setAlignment(Qt::AlignCenter);
            return label;
        }
        case ControlKind::PushButton: {
            auto* button = new QPushButton(this);
            if (control.style & kMultiLine) {
                button->setFixedWidth(m_units.X(control.width));
                button->setMinimumHeight(m_units.Y(control.height));
                // Room for the button's frame on both sides.
                const int textWidth = m_units.X(control.width) - 2 * m_units.X(3);
                button->setText(WrapToWidth(text, button->fontMetrics(), textWidth));
            } else {
                button->setText(text);
            }
            m_buttons.emplace_back(control.id, button);
            return button;
        }
        case ControlKind::Edit: {
            auto* edit = new QLineEdit(this);
            edit->setReadOnly(control.style & kReadOnly);
            edit->setFixedWidth(m_units.X(control.width));
            return edit;
        }
        case ControlKind::ComboBox: {
            auto* combo = new FocusedWheelComboBox(this);
            combo->setEditable(true);
            combo->lineEdit()->setAccessibleName(Text(control.accessibleName));
            // The box only offers its list: typed text is never added to it,
            // and never completed from it.
            combo->setInsertPolicy(QComboBox::NoInsert);
            combo->setCompleter(nullptr);
            // Room for a number as the program writes it ("100.000000").
            combo->setMinimumContentsLength(10);
            combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
            combo->setMinimumWidth(m_units.X(control.width));
            combo->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
            return combo;
        }
        case ControlKind::UpDown: {
            auto* upDown = new UpDownControl(this);
            upDown->setFixedWidth(m_units.X(control.width));
            return upDown;
        }
        case ControlKind::ScrollBar: {
            auto* bar = new KeyboardScrollBar(Qt::Horizontal, this);
            bar->setMinimumWidth(m_units.X(control.width));
            return bar;
        }
        case ControlKind::CheckBox:
            return new QCheckBox(text, this);
    }
    return new QWidget(this);
}

void DialogBar::Connect(QWidget* widget, const ControlTemplate& control) {
    const int id = control.id;
    CommandRouter* router = &m_router;
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
        connect(button, &QPushButton::clicked, this, [router, id] { router->Route(id); });
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        connect(edit, &QLineEdit::textChanged, this,
                [router, id] { router->Notify(id, EN_CHANGE); });
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        // A change of the box's text is an edit unless the list put an item's
        // caption there (the program guards its own writes). Typing and an
        // assistive tool replacing the text both count.
        connect(combo->lineEdit(), &QLineEdit::textChanged, this,
                [router, id, combo](const QString& text) {
                    const int item = combo->currentIndex();
                    if (item >= 0 && text == combo->itemText(item)) return;
                    router->Notify(id, CBN_EDITCHANGE);
                });
        connect(combo, &QComboBox::activated, this,
                [router, id] { router->Notify(id, CBN_SELCHANGE); });
        new ComboFocusWatcher(combo, [router, id] { router->Notify(id, CBN_KILLFOCUS); });
    } else if (auto* upDown = qobject_cast<UpDownControl*>(widget)) {
        connect(upDown, &UpDownControl::Delta, this,
                [router, id](int steps) { router->Notify(id, UDN_DELTAPOS, steps); });
    }
}

void DialogBar::LayOutInRows(const DialogTemplate& dialog) {
    std::vector<const ControlTemplate*> sorted;
    for (const ControlTemplate& control : dialog.controls) sorted.push_back(&control);
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](auto* a, auto* b) { return a->y < b->y; });

    // Controls whose vertical extents overlap share a row.
    std::vector<std::vector<const ControlTemplate*>> rows;
    int rowBottom = -1;
    for (const ControlTemplate* control : sorted) {
        if (rows.empty() || control->y >= rowBottom) {
            rows.emplace_back();
            rowBottom = control->y + control->height;
        } else {
            rowBottom = std::max(rowBottom, control->y + control->height);
        }
        rows.back().push_back(control);
    }

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    int previousBottom = 0;
    for (auto& row : rows) {
        std::sort(row.begin(), row.end(), [](auto* a, auto* b) { return a->x < b->x; });
        const int top = row.front()->y;
        if (top > previousBottom) column->addSpacing(m_units.Y(top - previousBottom));
        int bottom = 0;
        for (const ControlTemplate* control : row) bottom = std::max(bottom, control->y + control->height);
        previousBottom = bottom;

        auto* line = new QHBoxLayout;
        line->setSpacing(0);
        int right = 0;
        const bool alone = row.size() == 1;
        for (const ControlTemplate* control : row) {
            line->addSpacing(m_units.X(control->x - right));
            QWidget* widget = Control(*control);
            if (control->kind == ControlKind::Label) widget->setMinimumHeight(m_units.Y(control->height));
            if (!Stretches(*control, alone) && control->kind == ControlKind::Label)
                widget->setFixedWidth(m_units.X(control->width));
            // A small button beside fields ("x1") keeps its template width, or
            // just what its text needs.
            if (control->kind == ControlKind::PushButton && !alone && !(control->style & kMultiLine))
                widget->setFixedWidth(std::max(
                    m_units.X(control->width),
                    widget->fontMetrics().horizontalAdvance(QString::fromUtf16(control->text)) +
                        m_units.X(6)));
            // In a row of fields a small caption such as "×" sits level with
            // them, a text beside a tall button starts at its top.
            Qt::Alignment alignment;
            if (control->kind == ControlKind::Label && !alone)
                alignment = (control->style & kCentered) ? Qt::AlignVCenter : Qt::AlignTop;
            line->addWidget(widget, Stretches(*control, alone) ? 1 : 0, alignment);
            right = control->x + control->width;
        }
        // A row that nothing in it can fill keeps its controls at the left.
        const bool filled = std::any_of(row.begin(), row.end(),
                                        [alone](auto* c) { return Stretches(*c, alone); });
        if (!filled) line->addStretch(1);
        line->addSpacing(m_units.X(std::max(0, dialog.width - right)));
        column->addLayout(line);
    }
    column->addStretch(1);

    // The bar is as wide as its texts need at the font in use: the heading,
    // every line that the template breaks by hand, and the caption of every
    // one-line button stay whole; longer texts wrap between phrases.
    int needed = m_units.X(dialog.width);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (rows[r].size() != 1) continue;
        const ControlTemplate& control = *rows[r].front();
        QWidget* widget = Control(control);
        const QString text = Text(control.text);
        int content = 0;
        if (control.kind == ControlKind::Label && (r == 0 || text.contains(QLatin1Char('\n')))) {
            for (const QString& line : text.split(QLatin1Char('\n')))
                content = std::max(content,
                                   widget->fontMetrics().horizontalAdvance(WithPhraseBreaks(line)) + 1);
        } else if (control.kind == ControlKind::PushButton && !(control.style & kMultiLine)) {
            content = widget->sizeHint().width();
        }
        const int margins =
            m_units.X(control.x) + m_units.X(std::max(0, dialog.width - control.x - control.width));
        if (content > 0) needed = std::max(needed, content + margins);
    }
    setMinimumWidth(needed);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
}
