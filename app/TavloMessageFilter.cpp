#include "TavloMessageFilter.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

#include "frame/CommandEvent.h"
#include "resources/CommandIds.h"

TavloMessageFilter::TavloMessageFilter(QWidget& mainFrame, QObject* parent)
    : QObject(parent), m_mainFrame(mainFrame) {}

bool TavloMessageFilter::eventFilter(QObject* watched, QEvent* event) {
    // A key press reaches its window once and then travels through the
    // widgets; looking only at the window sees each press exactly once.
    if (event->type() == QEvent::KeyPress && watched->isWindowType() &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        QCoreApplication::postEvent(&m_mainFrame, new CommandEvent(ID_LINE_CANCEL));
    }
    return QObject::eventFilter(watched, event);
}
