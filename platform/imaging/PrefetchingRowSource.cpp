#include "PrefetchingRowSource.h"

#include <algorithm>
#include <cstring>
#include <system_error>

PrefetchingRowSource::PrefetchingRowSource(Producer produce, int width, int height,
                                           RowLayout layout, int workers, int bandRows,
                                           int bandsAhead)
    : m_produce(std::move(produce)),
      m_width(width),
      m_height(height),
      m_layout(layout),
      m_bandRows(std::max(1, bandRows)),
      m_stride(qsizetype(width) * (layout == RowLayout::Bgr24 ? 3 : 4)),
      m_slots(std::size_t(std::max(2, bandsAhead))) {
    for (Slot& slot : m_slots) slot.pixels.resize(std::size_t(m_stride) * m_bandRows);
    for (int i = 0; i < std::max(1, workers); ++i) {
        try {
            m_workers.emplace_back([this] { Work(); });
        } catch (const std::system_error&) {
            // The system has no more threads to give: fewer helpers, and with
            // none at all the reader makes each band itself.
            break;
        }
    }
}

PrefetchingRowSource::~PrefetchingRowSource() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stopping = true;
    }
    m_changed.notify_all();
    for (std::thread& worker : m_workers) worker.join();
}

void PrefetchingRowSource::Work() {
    const int slotCount = int(m_slots.size());
    for (;;) {
        int band;
        {
            std::unique_lock<std::mutex> guard(m_lock);
            // A band may be produced once its slot's previous band is consumed.
            m_changed.wait(guard, [&] {
                return m_stopping || m_failed || m_nextBand >= BandCount() ||
                       m_nextBand < m_consumedBands + slotCount;
            });
            if (m_stopping || m_failed || m_nextBand >= BandCount()) return;
            band = m_nextBand++;
        }
        Slot& slot = m_slots[std::size_t(band % slotCount)];
        const int first = band * m_bandRows;
        const bool produced =
            m_produce(first, std::min(m_bandRows, m_height - first), slot.pixels.data(), m_stride);
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (produced)
                slot.band = band;
            else
                m_failed = true;
        }
        m_changed.notify_all();
    }
}

bool PrefetchingRowSource::ReadRows(int first, int count, uchar* target, qsizetype stride) {
    if (first < 0 || count < 0 || first + count > m_height) return false;
    const int slotCount = int(m_slots.size());
    for (int row = first; row < first + count;) {
        const int band = row / m_bandRows;
        if (band < m_consumedBands) return false;  // rows must come in order
        Slot& slot = m_slots[std::size_t(band % slotCount)];
        if (m_workers.empty() && slot.band != band) {
            const int bandFirst = band * m_bandRows;
            if (!m_produce(bandFirst, std::min(m_bandRows, m_height - bandFirst),
                           slot.pixels.data(), m_stride)) {
                m_failed = true;
                return false;
            }
            slot.band = band;
        }
        {
            std::unique_lock<std::mutex> guard(m_lock);
            m_changed.wait(guard, [&] { return slot.band == band || m_failed; });
            if (slot.band != band) return false;
        }
        const int bandEnd = std::min(m_height, (band + 1) * m_bandRows);
        const int take = std::min(first + count, bandEnd) - row;
        for (int i = 0; i < take; ++i)
            std::memcpy(target + qsizetype(row - first + i) * stride,
                        slot.pixels.data() + qsizetype(row - band * m_bandRows + i) * m_stride,
                        std::size_t(m_stride));
        row += take;
        if (row == bandEnd) {
            {
                std::lock_guard<std::mutex> guard(m_lock);
                m_consumedBands = band + 1;
            }
            m_changed.notify_all();
        }
    }
    return true;
}
