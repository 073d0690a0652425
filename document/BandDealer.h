#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

// Deals bands of rows to threads. Each thread owns a contiguous run of bands
// and takes them from the front; one that runs out takes the last band of the
// run with most left. Contiguous runs matter for a new image: every thread
// then faults in and clears pages of its own, where interleaved bands had the
// threads meeting in the same pages. Taking work over keeps cheap margin rows
// and expensive image rows fairly shared.
class BandDealer {
public:
    BandDealer(int bands, int threads) : m_runs(std::size_t(threads)) {
        for (int t = 0; t < threads; ++t)
            m_runs[std::size_t(t)].range.store(
                Pack(bands * t / threads, bands * (t + 1) / threads));
    }

    // The next band for the given thread, or -1 when all are taken.
    int Next(int thread) {
        if (const int band = TakeFront(m_runs[std::size_t(thread)]); band >= 0) return band;
        for (;;) {
            Run* fullest = nullptr;
            int most = 0;
            for (Run& run : m_runs) {
                const std::uint64_t range = run.range.load();
                const int left = Back(range) - Front(range);
                if (left > most) most = left, fullest = &run;
            }
            if (!fullest) return -1;
            if (const int band = TakeBack(*fullest); band >= 0) return band;
        }
    }

private:
    struct alignas(64) Run {
        std::atomic<std::uint64_t> range;  // front << 32 | back, bands front ... back - 1
    };
    static std::uint64_t Pack(int front, int back) {
        return std::uint64_t(std::uint32_t(front)) << 32 | std::uint32_t(back);
    }
    static int Front(std::uint64_t range) { return int(range >> 32); }
    static int Back(std::uint64_t range) { return int(range & 0xFFFFFFFFu); }
    static int TakeFront(Run& run) {
        std::uint64_t range = run.range.load();
        while (Front(range) < Back(range))
            if (run.range.compare_exchange_weak(range, Pack(Front(range) + 1, Back(range))))
                return Front(range);
        return -1;
    }
    static int TakeBack(Run& run) {
        std::uint64_t range = run.range.load();
        while (Front(range) < Back(range))
            if (run.range.compare_exchange_weak(range, Pack(Front(range), Back(range) - 1)))
                return Back(range) - 1;
        return -1;
    }
    std::vector<Run> m_runs;
};
