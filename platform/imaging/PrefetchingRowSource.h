#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "RowSource.h"

// Produces the rows of an image on worker threads, a few bands ahead of the
// reader, so that an encoder reading on one core and a renderer working on the
// others overlap, with memory for only those few bands. produce(first, count,
// target, stride) must be safe to call from several threads for different rows;
// once it returns false, no further band is produced and reading fails. When
// the system gives fewer threads than asked for, fewer work; with none, the
// reader produces each band itself.
class PrefetchingRowSource : public RowSource {
public:
    using Producer = std::function<bool(int first, int count, uchar* target, qsizetype stride)>;

    PrefetchingRowSource(Producer produce, int width, int height, RowLayout layout, int workers,
                         int bandRows = 32, int bandsAhead = 8);
    ~PrefetchingRowSource() override;

    int Width() const override { return m_width; }
    int Height() const override { return m_height; }
    RowLayout Layout() const override { return m_layout; }
    // Rows in increasing order, as an encoder reads them.
    bool ReadRows(int first, int count, uchar* target, qsizetype stride) override;

private:
    struct Slot {
        std::vector<uchar> pixels;
        int band = -1;  // the band it holds, once produced
    };
    void Work();
    int BandCount() const { return (m_height + m_bandRows - 1) / m_bandRows; }

    Producer m_produce;
    int m_width, m_height;
    RowLayout m_layout;
    int m_bandRows;
    qsizetype m_stride;
    std::vector<Slot> m_slots;

    std::mutex m_lock;
    std::condition_variable m_changed;
    int m_nextBand = 0;       // the next band a worker takes
    int m_consumedBands = 0;  // bands the reader is done with
    bool m_stopping = false;
    bool m_failed = false;  // a band could not be produced
    std::vector<std::thread> m_workers;
};
