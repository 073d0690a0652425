#include "MipmapPyramid.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <system_error>

#include "platform/imaging/ImageAllocation.h"

namespace {
// Premultiplies one pixel of Format_ARGB32, channels kept in place.
inline quint32 Premultiplied(quint32 p) {
    const quint32 a = p >> 24;
    // (c * a + 127) / 255 without a division.
    auto mul = [a](quint32 c) {
        const quint32 t = c * a + 128;
        return (t + (t >> 8)) >> 8;
    };
    return a << 24 | mul((p >> 16) & 0xff) << 16 | mul((p >> 8) & 0xff) << 8 | mul(p & 0xff);
}

// Every pixel is either opaque or transparent black: its premultiplied form
// is the same bytes.
bool SameWhenPremultiplied(const QImage& image) {
    if (image.format() != QImage::Format_ARGB32) return false;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const quint32*>(image.constScanLine(y));
        quint32 bad = 0;
        for (int x = 0; x < image.width(); ++x) {
            const quint32 p = row[x];
            bad |= (p < 0xff000000u) & (p != 0u);
        }
        if (bad) return false;
    }
    return true;
}

// The rounded mean of four premultiplied pixels, two channels at a time in
// 16-bit lanes (four 8-bit values sum to at most 1020, which fits).
inline quint32 Mean4(quint32 a, quint32 b, quint32 c, quint32 d) {
    constexpr quint32 kLanes = 0x00ff00ffu;
    const quint32 low = (a & kLanes) + (b & kLanes) + (c & kLanes) + (d & kLanes) + 0x00020002u;
    const quint32 high = ((a >> 8) & kLanes) + ((b >> 8) & kLanes) + ((c >> 8) & kLanes) +
                         ((d >> 8) & kLanes) + 0x00020002u;
    return ((low >> 2) & kLanes) | (((high >> 2) & kLanes) << 8);
}
}  // namespace

struct MipmapPyramid::Job {
    std::atomic<bool> cancel{false};
    std::mutex lock;
    std::vector<QImage> built;  // the levels after the ones the pyramid had
    std::atomic<bool> done{false};
    std::atomic<bool> failed{false};  // memory ran short
};

MipmapPyramid::~MipmapPyramid() { StopJob(); }

void MipmapPyramid::StopJob() {
    if (m_job) m_job->cancel = true;
    if (m_worker.joinable()) m_worker.join();
    // What it finished is kept.
    TakeBuiltLevels();
    m_job.reset();
}

void MipmapPyramid::SetSource(const QImage& image, bool opaqueOrClear) {
    if (!m_levels.empty() && image.cacheKey() == m_sourceKey) return;
    StopJob();
    m_levels.clear();
    m_gaveUp = false;
    m_source = image;
    m_sourceKey = image.cacheKey();
    if (image.isNull()) return;
    if (image.format() == QImage::Format_ARGB32 &&
        (opaqueOrClear || SameWhenPremultiplied(image))) {
        m_levels.emplace_back(image.constBits(), image.width(), image.height(),
                              image.bytesPerLine(), QImage::Format_ARGB32_Premultiplied);
    } else {
        m_levels.push_back(image);
    }
}

int MipmapPyramid::LevelLimit() const {
    if (m_levels.empty()) return 0;
    const int longest = std::max(m_levels[0].width(), m_levels[0].height());
    int limit = 0;
    while ((longest >> limit) > 1) ++limit;
    return limit;
}

void MipmapPyramid::TakeBuiltLevels() {
    if (!m_job) return;
    std::lock_guard<std::mutex> guard(m_job->lock);
    for (QImage& level : m_job->built) m_levels.push_back(std::move(level));
    m_job->built.clear();
}

const QImage& MipmapPyramid::Level(int k) {
    k = std::clamp(k, 0, LevelLimit());
    TakeBuiltLevels();
    // The worker would only build what is about to be built here.
    if (int(m_levels.size()) <= k) StopJob();
    while (int(m_levels.size()) <= k) m_levels.push_back(Halve(m_levels.back()));
    return m_levels[std::size_t(k)];
}

const QImage& MipmapPyramid::ReadyLevel(int k, const std::function<void()>& built, int* level) {
    k = std::clamp(k, 0, LevelLimit());
    TakeBuiltLevels();
    if (m_job && m_job->done) {
        // Without memory for a level, the finer one keeps serving.
        m_gaveUp = m_gaveUp || m_job->failed;
        StopJob();
    }
    if (int(m_levels.size()) <= k && !m_job && !m_gaveUp) {
        auto job = std::make_shared<Job>();
        try {
            m_worker = std::thread(
                [job, from = m_levels.back(), count = k + 1 - int(m_levels.size()), built] {
                    QImage previous = from;
                    for (int i = 0; i < count; ++i) {
                        QImage next = Halve(previous, &job->cancel);
                        if (next.isNull()) {
                            job->failed = !job->cancel;
                            break;
                        }
                        {
                            std::lock_guard<std::mutex> guard(job->lock);
                            job->built.push_back(next);
                        }
                        previous = std::move(next);
                    }
                    job->done = true;
                    if (!job->cancel && built) built();
                });
        } catch (const std::system_error&) {
            // The system has no thread to give: the level is built here, as it
            // is without building in the background.
            if (level) *level = k;
            return Level(k);
        }
        m_job = job;
    }
    const int ready = std::min(k, int(m_levels.size()) - 1);
    if (level) *level = ready;
    return m_levels[std::size_t(ready)];
}

int MipmapPyramid::LevelForScale(double scale) {
    if (!(scale > 0.0) || scale >= 1.0) return 0;
    return std::max(0, int(std::lround(std::log2(1.0 / scale))));
}

QImage MipmapPyramid::Halve(const QImage& image, const std::atomic<bool>* cancel) {
    const bool premultiplied = image.format() == QImage::Format_ARGB32_Premultiplied;
    const QImage source = premultiplied || image.format() == QImage::Format_ARGB32
                              ? image
                              : image.convertToFormat(QImage::Format_ARGB32);
    const int w = source.width(), h = source.height();
    const int hw = std::max(1, (w + 1) / 2), hh = std::max(1, (h + 1) / 2);
    // Every fresh page costs a fault on first touch; huge pages make few.
    QImage half = AllocateLargeImage(hw, hh, QImage::Format_ARGB32_Premultiplied);
    if (half.isNull()) return half;
    std::vector<quint32> rows[2];
    if (!premultiplied) rows[0].resize(std::size_t(w)), rows[1].resize(std::size_t(w));
    // A missing row or column beyond an odd edge is transparent black.
    const auto pixelRow = [&](int y, int which) -> const quint32* {
        if (y >= h) return nullptr;
        const auto* row = reinterpret_cast<const quint32*>(source.constScanLine(y));
        if (premultiplied) return row;
        quint32* out = rows[which].data();
        for (int x = 0; x < w; ++x) out[x] = Premultiplied(row[x]);
        return out;
    };
    const int pairs = w / 2;
    for (int y = 0; y < hh; ++y) {
        if (cancel && cancel->load(std::memory_order_relaxed)) return QImage();
        const quint32* row0 = pixelRow(2 * y, 0);
        const quint32* row1 = pixelRow(2 * y + 1, 1);
        auto* out = reinterpret_cast<quint32*>(half.scanLine(y));
        if (row1) {
            for (int x = 0; x < pairs; ++x)
                out[x] = Mean4(row0[2 * x], row0[2 * x + 1], row1[2 * x], row1[2 * x + 1]);
            if (w & 1) out[pairs] = Mean4(row0[w - 1], 0, row1[w - 1], 0);
        } else {
            for (int x = 0; x < pairs; ++x) out[x] = Mean4(row0[2 * x], row0[2 * x + 1], 0, 0);
            if (w & 1) out[pairs] = Mean4(row0[w - 1], 0, 0, 0);
        }
    }
    return half;
}
