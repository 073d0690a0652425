#pragma once

#include <QImage>
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
class MipmapPyramid {
public:
    // Keeps the image (its pixels are shared, not copied) and drops the levels
    // built for an earlier one. Nothing happens for the image already kept.
    void SetSource(const QImage& image);
    bool HasSource() const { return !m_levels.empty(); }

    // The level, built on first use; level 0 is the source.
    const QImage& Level(int k);
    // The level that drawing at this scale (display pixels per source pixel)
    // should use: the one whose scale is nearest in the logarithm, so that it is
    // drawn at between 0.71 and 1.41 times its own size.
    static int LevelForScale(double scale);
    // How many levels the source can have (down to 1 x 1).
    int LevelLimit() const;

    // One halving step (exposed for tests).
    static QImage Halve(const QImage& image);

private:
    QImage m_source;  // keeps the pixels that level 0 may only refer to
    std::vector<QImage> m_levels;
    qint64 m_sourceKey = 0;
};
