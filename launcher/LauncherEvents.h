#pragma once

#include <QEvent>

// The launcher's two private messages, delivered as events with their window
// message numbers as types. Both are posted and carry nothing.
enum LauncherMessage : int {
    WM_APP_START_WORK = 32868,  // main thread to itself: start the worker
    WM_APP_WORK_DONE = 32869,   // worker to main thread: the install sequence has ended
};

inline QEvent::Type LauncherEventType(LauncherMessage message) {
    return static_cast<QEvent::Type>(message);
}
