#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <functional>

// Runs a script on the modal dialog that an action opens, inside the dialog's
// own modal loop (the action does not return before the dialog has closed).
// The script ends the dialog; one it leaves open is rejected, and the test
// fails. False when no such dialog appeared within five seconds.
template <class Dialog>
bool WhileModal(const std::function<void()>& open, const std::function<void(Dialog&)>& script) {
    bool found = false;
    QWidget* before = QApplication::activeModalWidget();
    QElapsedTimer waited;
    waited.start();
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* dialog = qobject_cast<Dialog*>(modal);
        if (!dialog || modal == before || !dialog->isVisible()) {
            if (waited.elapsed() > 5000) poll.stop();
            return;
        }
        poll.stop();
        found = true;
        QPointer<Dialog> guard(dialog);
        script(*dialog);
        if (guard && guard->isVisible()) {
            ADD_FAILURE() << "the script left its dialog open";
            guard->reject();
        }
    });
    poll.start();
    open();
    poll.stop();
    return found;
}
