#pragma once

#include <sys/resource.h>

#include <condition_variable>
#include <fstream>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

// While it lives, the process has no thread to give: its address space may
// grow by little more than a megabyte, too little for a new thread's stack,
// and the stacks kept from threads that have ended are all in use by threads
// held here. Active() says whether that could be arranged.
class NoThreadToSpare {
public:
    NoThreadToSpare() {
        getrlimit(RLIMIT_AS, &m_previous);
        std::ifstream statm("/proc/self/statm");
        unsigned long pages = 0;
        statm >> pages;
        const rlimit tight{pages * 4096ul + (1ul << 20), m_previous.rlim_max};
        if (pages == 0 || setrlimit(RLIMIT_AS, &tight) != 0) return;
        for (int i = 0; i < 256 && !m_active; ++i) {
            try {
                m_held.emplace_back([this] {
                    std::unique_lock<std::mutex> guard(m_lock);
                    m_changed.wait(guard, [this] { return m_release; });
                });
            } catch (const std::system_error&) {
                m_active = true;
            }
        }
    }
    ~NoThreadToSpare() {
        setrlimit(RLIMIT_AS, &m_previous);
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_release = true;
        }
        m_changed.notify_all();
        for (std::thread& thread : m_held) thread.join();
    }
    bool Active() const { return m_active; }

private:
    rlimit m_previous{};
    bool m_active = false;
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_release = false;
    std::vector<std::thread> m_held;
};
