// The back-buffer painter and its mip levels: exact pixels at 100 % and 0
// degrees, level choice, halving in premultiplied alpha, and a zoomed-out
// picture of fine detail that stays calm while the angle changes.

#include <gtest/gtest.h>

#include <QImage>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>

#include "support/NoThreadToSpare.h"
#include "view/DisplayPainter.h"
#include "view/MipmapPyramid.h"

namespace {

QImage Bordered(const QImage& image) {
    QImage bordered(image.width() + 2, image.height() + 2, QImage::Format_ARGB32);
    bordered.fill(0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) bordered.setPixel(x + 1, y + 1, image.pixel(x, y));
    return bordered;
}

// One-pixel black and white stripes: the worst case for sampling.
QImage Stripes(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    return image;
}

TEST(MipmapPyramidTest, TheLevelIsTheOneNearestToTheZoom) {
    const std::pair<double, int> cases[] = {{4.0, 0},  {1.0, 0},  {0.75, 0}, {0.7, 1}, {0.5, 1},
                                            {0.36, 1}, {0.35, 2}, {0.25, 2}, {0.05, 4}};
    for (const auto& [scale, level] : cases)
        EXPECT_EQ(MipmapPyramid::LevelForScale(scale), level) << scale;
}

TEST(MipmapPyramidTest, HalvingAveragesInPremultipliedAlphaAndKeepsOddEdges) {
    QImage image(3, 3, QImage::Format_ARGB32);
    image.fill(qRgba(200, 100, 50, 255));
    image.setPixel(1, 0, qRgba(0, 255, 0, 0));  // transparent: adds no green
    const QImage half = MipmapPyramid::Halve(image);
    EXPECT_EQ(half.size(), QSize(2, 2));
    EXPECT_EQ(half.format(), QImage::Format_ARGB32_Premultiplied);
    // Three opaque pixels and one transparent one.
    EXPECT_EQ(half.pixel(0, 0), qRgba(150, 75, 38, 191));
    // The odd column and row count as transparent beyond the edge.
    EXPECT_EQ(half.pixel(1, 1), qRgba(50, 25, 13, 64));

    QImage constant(64, 40, QImage::Format_ARGB32);
    constant.fill(qRgba(10, 200, 90, 255));
    MipmapPyramid pyramid;
    pyramid.SetSource(constant);
    EXPECT_EQ(pyramid.Level(3).size(), QSize(8, 5));
    EXPECT_EQ(pyramid.Level(3).pixel(4, 2), qRgba(10, 200, 90, 255));
    EXPECT_EQ(pyramid.Level(99).size(), QSize(1, 1));
}

TEST(DisplayPainterTest, AtFullSizeAndNoAngleThePixelsAreCopied) {
    QImage source(5, 4, QImage::Format_ARGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) source.setPixel(x, y, qRgb(x * 50, y * 60, 7));
    const QImage bordered = Bordered(source);
    QImage target(20, 20, QImage::Format_RGB32);
    DisplayPainter painter;
    // A canvas whose size and the image's differ in parity: centre 10 for an
    // odd width puts the top-left pixel centre on a whole pixel.
    painter.Render(target, QColor(1, 2, 3), &bordered, 1.0, 0.0f, QPointF(10.0, 10.5));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(target.pixel(8 + x, 9 + y), source.pixel(x, y)) << x << "," << y;
    EXPECT_EQ(target.pixel(7, 9), qRgb(1, 2, 3));
    EXPECT_EQ(painter.LastLevel(), 0);
}

TEST(DisplayPainterTest, FineDetailZoomedOutStaysCalmWhileTurning) {
    const QImage bordered = Bordered(Stripes(801, 601));
    DisplayPainter painter;
    QImage target(400, 300, QImage::Format_RGB32);
    // At a quarter of the size every displayed pixel averages 16 source
    // pixels: half black, half white, whatever the angle.
    for (float angle : {0.0f, 0.05f, 0.1f, 0.15f, 0.2f, 1.0f, 3.0f}) {
        painter.Render(target, Qt::black, &bordered, 0.25, angle, QPointF(200.0, 150.0));
        EXPECT_EQ(painter.LastLevel(), 2);
        for (int y = 120; y < 180; y += 7)
            for (int x = 150; x < 250; x += 7)
                EXPECT_NEAR(qGray(target.pixel(x, y)), 128, 12) << angle << " at " << x << "," << y;
    }
}

}  // namespace

namespace {
// Straightforward per-channel averaging in premultiplied alpha, the reference
// of the halving's two-channels-at-a-time arithmetic.
QImage HalveReference(const QImage& image) {
    const int w = image.width(), h = image.height();
    QImage half(std::max(1, (w + 1) / 2), std::max(1, (h + 1) / 2),
                QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < half.height(); ++y)
        for (int x = 0; x < half.width(); ++x) {
            int sum[4] = {0, 0, 0, 0};
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) {
                    const int sx = 2 * x + dx, sy = 2 * y + dy;
                    if (sx >= w || sy >= h) continue;
                    const QRgb p = image.pixel(sx, sy);
                    const int a = qAlpha(p);
                    const int channels[4] = {a, (qRed(p) * a + 127) / 255,
                                             (qGreen(p) * a + 127) / 255,
                                             (qBlue(p) * a + 127) / 255};
                    for (int c = 0; c < 4; ++c) sum[c] += channels[c];
                }
            for (int& s : sum) s = (s + 2) / 4;
            reinterpret_cast<quint32*>(half.scanLine(y))[x] =
                quint32(sum[0]) << 24 | quint32(sum[1]) << 16 | quint32(sum[2]) << 8 |
                quint32(sum[3]);
        }
    return half;
}

TEST(MipmapPyramidTest, HalvingMatchesTheChannelByChannelReference) {
    const QSize sizes[] = {{1, 1}, {2, 2}, {7, 5}, {64, 33}, {1, 9}, {10, 1}};
    quint32 seed = 99;
    for (const QSize size : sizes) {
        for (const bool alpha : {false, true}) {
            QImage image(size, QImage::Format_ARGB32);
            for (int y = 0; y < size.height(); ++y)
                for (int x = 0; x < size.width(); ++x) {
                    seed = seed * 1664525u + 1013904223u;
                    // Extremes included: 255 in every channel sums to 1020.
                    const quint32 value = (seed >> 3) % 3 == 0 ? 0xffffffffu : seed;
                    image.setPixel(x, y, alpha ? value : value | 0xff000000u);
                }
            const QImage half = MipmapPyramid::Halve(image);
            const QImage reference = HalveReference(image);
            ASSERT_EQ(half.size(), reference.size());
            for (int y = 0; y < half.height(); ++y)
                for (int x = 0; x < half.width(); ++x)
                    ASSERT_EQ(half.pixel(x, y), reference.pixel(x, y))
                        << size.width() << "x" << size.height() << (alpha ? " alpha" : "") << " at "
                        << x << "," << y;
        }
    }
}

// With levels built in the background, the first render shows the full-size
// pixels at once, the requested level follows after the worker's call, and it
// is the very level the synchronous path builds.
TEST(DisplayPainterTest, LevelsBuiltInTheBackgroundFollowTheFirstPicture) {
    const QImage bordered = Bordered(Stripes(801, 601));
    std::mutex lock;
    std::condition_variable signalled;
    int calls = 0;
    DisplayPainter painter;
    painter.BuildLevelsInBackground([&] {
        std::lock_guard<std::mutex> guard(lock);
        ++calls;
        signalled.notify_all();
    });
    QImage target(400, 300, QImage::Format_RGB32);
    painter.Render(target, Qt::black, &bordered, 0.25, 1.0f, QPointF(200.0, 150.0));
    {
        std::unique_lock<std::mutex> guard(lock);
        ASSERT_TRUE(signalled.wait_for(guard, std::chrono::seconds(20), [&] { return calls > 0; }));
    }
    // Whether the worker was quicker than the first render or not, that render
    // drew a level that was ready, never waiting for the one asked for.
    painter.Render(target, Qt::black, &bordered, 0.25, 1.0f, QPointF(200.0, 150.0));
    EXPECT_EQ(painter.LastLevel(), 2);
    EXPECT_EQ(calls, 1);

    QImage synchronous(400, 300, QImage::Format_RGB32);
    DisplayPainter plain;
    plain.Render(synchronous, Qt::black, &bordered, 0.25, 1.0f, QPointF(200.0, 150.0));
    EXPECT_EQ(target, synchronous);
}

TEST(MipmapPyramidTest, ReadyLevelGivesAFinerLevelUntilTheWorkerIsDone) {
    QImage image(256, 128, QImage::Format_ARGB32);
    image.fill(qRgba(10, 200, 90, 255));
    MipmapPyramid pyramid;
    pyramid.SetSource(image, true);
    std::atomic<int> calls{0};
    int level = -1;
    const QImage& first = pyramid.ReadyLevel(
        3, [&] { ++calls; }, &level);
    EXPECT_LT(level, 3);
    EXPECT_EQ(first.width(), 256 >> level);
    // Level waits for the worker and takes over what it built.
    EXPECT_EQ(pyramid.Level(3).size(), QSize(32, 16));
    pyramid.ReadyLevel(
        3, [&] { ++calls; }, &level);
    EXPECT_EQ(level, 3);
    // A new image drops the old levels and starts afresh from its own pixels.
    QImage other(64, 64, QImage::Format_ARGB32);
    other.fill(qRgba(1, 2, 3, 255));
    pyramid.SetSource(other);
    EXPECT_EQ(pyramid.Level(2).pixel(0, 0), qRgba(1, 2, 3, 255));
}
// When the system has no thread to give, the level asked for is built on the
// calling thread, as it is without building in the background.
TEST(MipmapPyramidTest, ReadyLevelWithoutAThreadToSpareBuildsTheLevelItself) {
    QImage image(256, 128, QImage::Format_ARGB32);
    image.fill(qRgba(10, 200, 90, 255));
    MipmapPyramid pyramid;
    pyramid.SetSource(image, true);
    int level = -1;
    QSize size;
    {
        const NoThreadToSpare limit;
        ASSERT_TRUE(limit.Active());
        size = pyramid
                   .ReadyLevel(
                       3, [] {}, &level)
                   .size();
    }
    EXPECT_EQ(level, 3);
    EXPECT_EQ(size, QSize(32, 16));
}
}  // namespace
