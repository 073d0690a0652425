#include "LauncherWindow.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMessageBox>

#include "InstallSequence.h"
#include "LauncherEvents.h"
#include "SetupSession.h"

LauncherWindow::LauncherWindow(bool graphical) : m_graphical(graphical) {}

LauncherWindow::~LauncherWindow() {
    if (m_worker.joinable()) m_worker.join();
}

bool LauncherWindow::event(QEvent* event) {
    if (event->type() == LauncherEventType(WM_APP_START_WORK)) {
        if (!m_worker.joinable()) m_worker = std::thread([this] { RunWorker(); });
        return true;
    }
    if (event->type() == LauncherEventType(WM_APP_WORK_DONE)) {
        if (m_worker.joinable()) m_worker.join();
        QCoreApplication::exit(0);
        return true;
    }
    return QObject::event(event);
}

void LauncherWindow::RunWorker() {
    InstallSequence sequence(
        [this](const QString& caption, const QString& text) { ShowMessage(caption, text); });
    sequence.Run();
    QCoreApplication::postEvent(this, new QEvent(LauncherEventType(WM_APP_WORK_DONE)));
}

void LauncherWindow::ShowMessage(const QString& caption, const QString& text) {
    if (!m_graphical) {
        WriteMessageLine(caption, text);
        return;
    }
    // Widgets live on the main thread; the worker waits until the box is closed.
    QMetaObject::invokeMethod(
        this,
        [&caption, &text] {
            QMessageBox box(QMessageBox::Critical, caption, MessageBoxText(text), QMessageBox::Ok);
            box.exec();
        },
        Qt::BlockingQueuedConnection);
}
