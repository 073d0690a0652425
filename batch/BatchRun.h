#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "CBatchItem.h"
#include "document/CBitmapHolder.h"

class CTavloDoc;

// One batch run: the same step-4 edit applied to each chosen file in list
// order, every result saved under its automatic name. The run owns the items,
// the two counters, the mutex that guards them and the stop flag; a worker
// thread runs ProcessItems over them, one at a time. No widgets: the batch
// dialog and tavlo-cli both drive it.
//
// Counters accumulate over every worker of one run: each item ends counted
// exactly once, in succeeded or in failed. A resumed worker skips every item
// that already has an outcome ("○", "×" and "×サイズ" alike), so an item of
// another size is neither looked at nor counted a second time.
//
// While a worker runs, the document's frozen output parameters and the
// settings must stay as they are (the batch dialog is modal); the worker writes
// only the document's output resolution.
class BatchRun {
public:
    BatchRun(CTavloDoc& document, std::vector<BatchItemPtr> items);
    // A worker still running is asked to stop after the file in hand and
    // waited for: it never outlives the items.
    ~BatchRun();

    BatchRun(const BatchRun&) = delete;
    BatchRun& operator=(const BatchRun&) = delete;

    enum class Priority { Normal, BelowNormal };

    // Observers of the worker, set before Start. Called on the worker thread,
    // outside the mutex, with the item's index: when the item becomes the file
    // in hand (its status is "→"), and when its outcome has been recorded.
    using ItemHook = std::function<void(std::size_t index)>;
    void SetItemStartedHook(ItemHook hook) { m_itemStarted = std::move(hook); }
    void SetItemFinishedHook(ItemHook hook) { m_itemFinished = std::move(hook); }
    // An edit of its own for each file, set before Start: called on the worker
    // with the loaded image once its size has passed the check and before it
    // is rendered. It may change the document's frozen output parameters for
    // this file (tavlo-cli batch --angle auto measures each page's skew);
    // false makes the item fail.
    using ItemEdit = std::function<bool(const HolderPtr& image)>;
    void SetItemEdit(ItemEdit edit) { m_itemEdit = std::move(edit); }

    // Starts a worker at the first item without an outcome. finished runs on
    // the worker thread as its last act, once every item has been visited or a
    // stop was found requested. False, and nothing started, while an earlier
    // worker has not finished or when the system refuses a thread.
    bool Start(std::function<void()> finished, Priority priority = Priority::Normal);
    // Blocks until the worker thread has ended (at once when none runs).
    void Wait();

    // Ask the worker to stop once the file in hand has been written or has
    // failed. Only stores an atomic flag, so a signal handler may call it.
    void RequestStop() noexcept { m_stopRequested.store(true); }
    void ClearStopRequest() noexcept { m_stopRequested.store(false); }
    bool StopRequested() const noexcept { return m_stopRequested.load(); }

    CTavloDoc& Document() const { return m_document; }
    // Fixed for the whole run. An item's m_status and m_outputPath, and the
    // counters, are read only while Mutex() is held.
    const std::vector<BatchItemPtr>& Items() const { return m_items; }
    std::mutex& Mutex() const { return m_mutex; }
    int Succeeded() const { return m_succeeded; }
    int Failed() const { return m_failed; }

private:
    friend void ProcessItems(BatchRun& run);
    // The worker's two writes, each under the mutex.
    void MarkInHand(std::size_t index);
    void Record(std::size_t index, int status, const QString& outputPath);
    // The first item at or after index without an outcome; the item count when
    // there is none. Only the worker calls it: nothing else changes a status.
    std::size_t NextToVisit(std::size_t index) const;

    CTavloDoc& m_document;
    const std::vector<BatchItemPtr> m_items;
    int m_succeeded = 0;
    int m_failed = 0;
    std::atomic<bool> m_stopRequested{false};
    mutable std::mutex m_mutex;

    ItemHook m_itemStarted;
    ItemHook m_itemFinished;
    ItemEdit m_itemEdit;
    std::thread m_worker;
    std::atomic<bool> m_workerActive{false};
};

// The body of the worker thread: each item without an outcome in list order,
// as long as no stop was found requested after the previous one. Loads the
// file, checks its size against the image that was edited, renders it with the
// document's output parameters and saves it under its automatic name. The next
// file is decoded on another thread while the present one renders and
// encodes, so that at most three images are held at once: the next source, the
// present source and its result. Items still finish in list order and only
// this thread saves, so the automatic numbering stays race-free.
void ProcessItems(BatchRun& run);
