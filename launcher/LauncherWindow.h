#pragma once

#include <QObject>
#include <thread>

class QEvent;

// The launcher's hidden window: it is never shown and only receives the two
// private messages. WM_APP_START_WORK starts the one worker thread, which runs
// the install sequence and posts WM_APP_WORK_DONE; that ends the event loop
// with code 0.
class LauncherWindow : public QObject {
public:
    // graphical: messages appear as boxes on this (the main) thread;
    // otherwise as lines on standard error.
    explicit LauncherWindow(bool graphical);
    ~LauncherWindow() override;

protected:
    bool event(QEvent* event) override;

private:
    void RunWorker();
    // Called on the worker thread; returns once the user has seen the message.
    void ShowMessage(const QString& caption, const QString& text);

    bool m_graphical;
    std::thread m_worker;
};
