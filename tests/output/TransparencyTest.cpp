// HasTransparency finds a single non-opaque pixel wherever it lies, also
// alone in the last, partial block of 32 pixels.

#include <gtest/gtest.h>

#include "output/Transparency.h"

namespace {
struct OnePixelCase {
    int width, height;
    int x, y;  // negative: counted from the right or bottom edge
    int alpha;
};

QImage OpaqueImage(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(qRgba(10, 20, 30, 255));
    return image;
}

class OnePixelTest : public ::testing::TestWithParam<OnePixelCase> {};

TEST_P(OnePixelTest, IsFound) {
    const OnePixelCase& c = GetParam();
    QImage image = OpaqueImage(c.width, c.height);
    ASSERT_FALSE(HasTransparency(image));
    const int x = c.x < 0 ? c.width + c.x : c.x, y = c.y < 0 ? c.height + c.y : c.y;
    image.setPixel(x, y, qRgba(10, 20, 30, c.alpha));
    EXPECT_TRUE(HasTransparency(image));
}

// Sizes whose pixel count is not a multiple of 32 put the last pixel alone, or
// nearly so, in a partial block, both at the end of a row and at the end of
// the image.
INSTANTIATE_TEST_SUITE_P(
    Positions, OnePixelTest,
    ::testing::Values(OnePixelCase{1, 1, 0, 0, 0}, OnePixelCase{33, 1, -1, 0, 254},
                      OnePixelCase{33, 3, -1, -1, 254}, OnePixelCase{31, 3, -1, -1, 0},
                      OnePixelCase{97, 5, -1, -1, 128}, OnePixelCase{97, 5, 96, 0, 1},
                      OnePixelCase{97, 5, 0, 0, 254}, OnePixelCase{97, 5, 48, 2, 200},
                      OnePixelCase{64, 2, -1, -1, 254}, OnePixelCase{1, 10000, 0, -1, 254},
                      OnePixelCase{10000, 1, -1, 0, 254}));

TEST(TransparencyTest, OpaqueImagesOfEverySizeHaveNone) {
    for (const QSize size : {QSize(1, 1), QSize(31, 3), QSize(32, 1), QSize(33, 2), QSize(97, 5)})
        EXPECT_FALSE(HasTransparency(OpaqueImage(size.width(), size.height())))
            << size.width() << "x" << size.height();
}

TEST(TransparencyTest, FormatsAreJudgedByTheirPixels) {
    QImage premultiplied(5, 5, QImage::Format_ARGB32_Premultiplied);
    premultiplied.fill(qRgba(0, 0, 0, 255));
    EXPECT_FALSE(HasTransparency(premultiplied));
    premultiplied.setPixel(4, 4, qRgba(0, 0, 0, 0));
    EXPECT_TRUE(HasTransparency(premultiplied));
    // No alpha channel: opaque whatever the padding bytes hold.
    QImage rgb(5, 5, QImage::Format_RGB32);
    rgb.fill(0);
    EXPECT_FALSE(HasTransparency(rgb));
    EXPECT_FALSE(HasTransparency(QImage()));
}
}  // namespace
