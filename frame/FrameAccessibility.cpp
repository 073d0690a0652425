#include "FrameAccessibility.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QFontMetrics>
#include <QStatusBar>

#include "DialogBar.h"
#include "UpDownControl.h"
#include "resources/CommandIds.h"

namespace {

// A combo box of a bar. On Linux Qt names a combo box by its text and leaves
// the caption to a label relation, which screen readers do not all follow;
// here the name is the caption and the text is the value.
class BarComboBoxAccessible : public QAccessibleWidget {
public:
    explicit BarComboBoxAccessible(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    QComboBox* Box() const { return static_cast<QComboBox*>(widget()); }

    QString text(QAccessible::Text t) const override {
        switch (t) {
            case QAccessible::Name: return widget()->accessibleName();
            case QAccessible::Value: return Box()->currentText();
            default: return QAccessibleWidget::text(t);
        }
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = Box()->isEditable();
        s.expandable = true;
        s.hasPopup = true;
        s.expanded = Box()->view() && Box()->view()->isVisible();
        return s;
    }
    QStringList actionNames() const override {
        return QAccessibleWidget::actionNames() << showMenuAction() << pressAction();
    }
    void doAction(const QString& action) override {
        if (action == showMenuAction() || action == pressAction()) {
            Box()->showPopup();
        } else {
            QAccessibleWidget::doAction(action);
        }
    }
};

// The zoom up-down control: a spin button whose steps zoom in and out.
class UpDownAccessible : public QAccessibleWidget {
public:
    explicit UpDownAccessible(UpDownControl* control)
        : QAccessibleWidget(control, QAccessible::SpinBox) {}

    UpDownControl* Control() const { return static_cast<UpDownControl*>(widget()); }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return widget()->accessibleName();
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override {
        return QAccessibleWidget::actionNames() << increaseAction() << decreaseAction();
    }
    void doAction(const QString& action) override {
        if (action == increaseAction()) {
            Control()->Step(1);
        } else if (action == decreaseAction()) {
            Control()->Step(-1);
        } else {
            QAccessibleWidget::doAction(action);
        }
    }
};

// The status bar: named "ステータス", its message is the value and the text.
class StatusBarAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit StatusBarAccessible(QStatusBar* bar) : QAccessibleWidget(bar, QAccessible::StatusBar) {}

    QStatusBar* Bar() const { return static_cast<QStatusBar*>(widget()); }
    QString Message() const { return Bar()->currentMessage(); }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return Message();
        return QAccessibleWidget::text(t);
    }

    // QAccessibleTextInterface: read-only text without a caret or selection.
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override { return Message().mid(start, end - start); }
    int characterCount() const override { return int(Message().size()); }
    QRect characterRect(int offset) const override {
        const QFontMetrics metrics(Bar()->font());
        const QString message = Message();
        const int x = metrics.horizontalAdvance(message.left(offset));
        const int width = offset < message.size() ? metrics.horizontalAdvance(message.at(offset)) : 0;
        return QRect(Bar()->mapToGlobal(QPoint(x, 0)), QSize(width, Bar()->height()));
    }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override {
        *start = *end = offset;
        return {};
    }
};

QAccessibleInterface* FrameAccessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("QComboBox") && DialogBar::ControlIdOf(object) != IDC_NONE)
        return new BarComboBoxAccessible(static_cast<QComboBox*>(object));
    if (className == QLatin1String("UpDownControl"))
        return new UpDownAccessible(static_cast<UpDownControl*>(object));
    if (className == QLatin1String("QStatusBar"))
        return new StatusBarAccessible(static_cast<QStatusBar*>(object));
    return nullptr;
}
}  // namespace

void InstallFrameAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(FrameAccessibleFactory);
        return true;
    }();
    (void)installed;
}

void AnnounceStatusMessage(QStatusBar* statusBar, const QString& oldText, const QString& text) {
    if (!statusBar || oldText == text) return;
    // Sent whether or not a client is known to listen: Qt itself only tells
    // of its own changes while a bridge is active.
    QAccessibleTextUpdateEvent event(statusBar, 0, oldText, text);
    QAccessible::updateAccessibility(&event);
}
