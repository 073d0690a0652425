#include "WaitCursor.h"

#include <QCursor>
#include <QGuiApplication>
#include <QThread>

WaitCursor::WaitCursor() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (app && QThread::currentThread() == app->thread()) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        m_active = true;
    }
}

WaitCursor::~WaitCursor() {
    if (m_active) QGuiApplication::restoreOverrideCursor();
}
