#include "BatchRun.h"

#include <system_error>

#include "platform/ThreadPriority.h"

BatchRun::BatchRun(CTavloDoc& document, std::vector<BatchItemPtr> items)
    : m_document(document), m_items(std::move(items)) {}

BatchRun::~BatchRun() {
    RequestStop();
    Wait();
}

bool BatchRun::Start(std::function<void()> finished, Priority priority) {
    if (m_workerActive.load()) return false;
    if (m_worker.joinable()) m_worker.join();  // it has posted its end already
    m_workerActive.store(true);
    try {
        m_worker = std::thread([this, finished = std::move(finished), priority] {
            if (priority == Priority::BelowNormal) LowerCurrentThreadPriority();
            ProcessItems(*this);
            // Cleared before the notice, so that a start in answer to it succeeds.
            m_workerActive.store(false);
            if (finished) finished();
        });
    } catch (const std::system_error&) {
        // The system has no thread to give: nothing runs, nothing was touched.
        m_workerActive.store(false);
        return false;
    }
    return true;
}

void BatchRun::Wait() {
    if (m_worker.joinable()) m_worker.join();
}

void BatchRun::MarkInHand(std::size_t index) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_items[index]->m_status = BatchProcessing;
}

void BatchRun::Record(std::size_t index, int status, const QString& outputPath) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (status == BatchSucceeded) {
        ++m_succeeded;
    } else {
        ++m_failed;
    }
    CBatchItem& item = *m_items[index];
    item.m_outputPath = outputPath;
    item.m_status = status;
}

std::size_t BatchRun::NextToVisit(std::size_t index) const {
    while (index < m_items.size() && m_items[index]->m_status != BatchPending) ++index;
    return index;
}
