// The back-buffer painter and its mip levels: exact pixels at 100 % and 0
// degrees, level choice, halving in premultiplied alpha, and a zoomed-out
// picture of fine detail that stays calm while the angle changes.

#include <gtest/gtest.h>

#include <QImage>
#include <cmath>

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
    const std::pair<double, int> cases[] = {{4.0, 0}, {1.0, 0}, {0.75, 0}, {0.7, 1}, {0.5, 1},
                                            {0.36, 1}, {0.35, 2}, {0.25, 2}, {0.05, 4}};
    for (const auto& [scale, level] : cases) EXPECT_EQ(MipmapPyramid::LevelForScale(scale), level) << scale;
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
