#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "LauncherEvents.h"

// The launcher's main thread: a small message loop of its own in place of a
// hidden window. WM_APP_START_WORK starts the one worker thread, which runs
// the work and posts WM_APP_WORK_DONE; that ends the loop with code 0. The
// main thread does nothing else, so it is free while the worker waits for
// the installer.
class LauncherLoop {
public:
    explicit LauncherLoop(std::function<void()> work);
    ~LauncherLoop();

    // Any thread.
    void Post(LauncherMessage message);
    // Main thread: dispatches posted messages until the quit; returns its code.
    int Run();

private:
    void Dispatch(LauncherMessage message);

    std::function<void()> m_work;
    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<LauncherMessage> m_queue;
    bool m_quit = false;
    int m_exitCode = 0;
    std::thread m_worker;
};
