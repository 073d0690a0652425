#include "LauncherLoop.h"

LauncherLoop::LauncherLoop(std::function<void()> work) : m_work(std::move(work)) {}

LauncherLoop::~LauncherLoop() {
    if (m_worker.joinable()) m_worker.join();
}

void LauncherLoop::Post(LauncherMessage message) {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.push_back(message);
    }
    m_posted.notify_one();
}

int LauncherLoop::Run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_quit) {
        m_posted.wait(lock, [this] { return !m_queue.empty(); });
        const LauncherMessage message = m_queue.front();
        m_queue.pop_front();
        lock.unlock();
        Dispatch(message);
        lock.lock();
    }
    return m_exitCode;
}

void LauncherLoop::Dispatch(LauncherMessage message) {
    switch (message) {
        case WM_APP_START_WORK:
            if (!m_worker.joinable())
                m_worker = std::thread([this] {
                    m_work();
                    Post(WM_APP_WORK_DONE);
                });
            break;
        case WM_APP_WORK_DONE:
            if (m_worker.joinable()) m_worker.join();
            // The window would be destroyed here, which posts the quit with 0.
            {
                const std::lock_guard<std::mutex> lock(m_mutex);
                m_quit = true;
                m_exitCode = 0;
            }
            break;
    }
}
