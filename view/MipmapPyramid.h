#pragma once

#include <QImage>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

// Successively halved copies of an image for drawing it zoomed out. Sampling a
// large image bilinearly at a small zoom skips most of its pixels, so fine
// detail shimmers while the angle changes; drawing instead from the level
// whose size is nearest to the zoomed size keeps every source pixel in the
// average and makes each redraw cost about the same, whatever the image size.
//
// Level 0 is the image itself; when it holds only opaque pixels and fully
// transparent black ones (as a scan with its transparent border does), the
// same pixels are read as premultiplied, which they then are, and drawing takes
// Qt's fastest path without a copy. Level k + 1 averages 2 x 2 blocks of level k
// (a missing row or column at an odd edge counts as transparent), in
// premultiplied alpha so that transparent pixels add no colour. Pixel j of
// level k therefore covers source pixels [j * 2^k, (j + 1) * 2^k): the levels
// line up with the source when drawn at 2^k times their size from the same
// top-left corner.
//
// The levels can be built on demand (Level) or on a worker thread while the
// caller draws from a finer level that is ready (ReadyLevel), so that a new
// image shows at once and the reduced copies follow.
class MipmapPyramid {
public:
    MipmapPyramid() = default;
    ~MipmapPyramid();
    MipmapPyramid(const MipmapPyramid&) = delete;
    MipmapPyramid& operator=(const MipmapPyramid&) = delete;

    // Keeps the image (its pixels are shared, not copied) and drops the levels
    // built for an earlier one. Nothing happens for the image already kept.
    // opaqueOrClear: the caller knows that every pixel is opaque or transparent
    // black (an opaque image, with or without its transparent border), which
    // spares a pass over all pixels.
    void SetSource(const QImage& image, bool opaqueOrClear = false);
    bool HasSource() const { return !m_levels.empty(); }

    // The level, built on first use; level 0 is the source.
    const QImage& Level(int k);
    // The level if it is built; otherwise the coarsest built one below it, while
    // a worker builds the rest (started once per image) and then calls built()
    // on its own thread; when the system has no thread to give, it is built at
    // once as Level builds it. *level receives the level returned.
    const QImage& ReadyLevel(int k, const std::function<void()>& built, int* level);
    // The level that drawing at this scale (display pixels per source pixel)
    // should use: the one whose scale is nearest in the logarithm, so that it is
    // drawn at between 0.71 and 1.41 times its own size.
    static int LevelForScale(double scale);
    // How many levels the source can have (down to 1 x 1).
    int LevelLimit() const;

    // One halving step (exposed for tests). A null image when cancel becomes
    // true while it runs.
    static QImage Halve(const QImage& image, const std::atomic<bool>* cancel = nullptr);

private:
    struct Job;
    void StopJob();
    void TakeBuiltLevels();

    QImage m_source;  // keeps the pixels that level 0 may only refer to
    std::vector<QImage> m_levels;
    qint64 m_sourceKey = 0;
    std::shared_ptr<Job> m_job;
    bool m_gaveUp = false;
    std::thread m_worker;
};
