#include "TavloMessageFilter.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QWidget>

#include "frame/CommandEvent.h"
#include "resources/CommandIds.h"
#include "resources/MainMenu.h"

TavloMessageFilter::TavloMessageFilter(QWidget& mainFrame, QObject* parent)
    : QObject(parent), m_mainFrame(mainFrame) {}

namespace {
// The frame's accelerators act before any control sees the key, as they did
// on Windows: a text field would otherwise take Ctrl+Z for its own undo and
// hand the user a typed angle instead of the editor's undo.
bool IsAccelerator(const QKeyEvent* key) {
    const QKeySequence pressed(key->keyCombination());
    for (const AcceleratorTemplate& accelerator : kAccelerators)
        if (pressed == QKeySequence(QString::fromLatin1(accelerator.keys))) return true;
    return false;
}
}  // namespace

bool TavloMessageFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == &m_mainFrame &&
            IsAccelerator(static_cast<QKeyEvent*>(event))) {
            // Not accepted: the shortcut, not the widget, gets the key.
            event->ignore();
            return true;
        }
    }
    // A key press reaches its window once and then travels through the
    // widgets; looking only at the window sees each press exactly once.
    if (event->type() == QEvent::KeyPress && watched->isWindowType() &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        QCoreApplication::postEvent(&m_mainFrame, new CommandEvent(ID_LINE_CANCEL));
    }
    return QObject::eventFilter(watched, event);
}
