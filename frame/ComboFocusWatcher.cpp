#include "ComboFocusWatcher.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>

ComboFocusWatcher::ComboFocusWatcher(QComboBox* combo, std::function<void()> onFocusLost)
    : QObject(combo), m_onFocusLost(std::move(onFocusLost)) {
    combo->installEventFilter(this);
    if (combo->lineEdit()) combo->lineEdit()->installEventFilter(this);
}

bool ComboFocusWatcher::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        auto* combo = qobject_cast<QComboBox*>(parent());
        // The box and its edit field hand the focus to each other; only its
        // leaving both counts.
        if (combo && !combo->hasFocus() && !(combo->lineEdit() && combo->lineEdit()->hasFocus()))
            m_onFocusLost();
    }
    return QObject::eventFilter(watched, event);
}
