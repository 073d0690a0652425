// Loading through the two imaging components as UseWIC chooses: orientation,
// first frames, pixel formats, HEIF, and files that must be refused.

#include <gtest/gtest.h>

#include <cstdio>
#include <jpeglib.h>
#include <zlib.h>

#include <QTemporaryDir>
#include <cstdio>
#include <vector>

#include "document/ImageLoader.h"
#include "platform/imaging/CodecFactory.h"
#include "support/ImageFixtures.h"
#include "support/SharedCodecs.h"

using namespace Fixtures;

namespace {
class ImageLoadingTest : public ::testing::Test {
protected:
    static ImagingServices Services(int useWic) { return {useWic, SharedCodecs(), true}; }

    HolderPtr Load(const QString& name, const QByteArray& bytes, int useWic) {
        return LoadImageFromFile(WriteFile(m_folder.path(), name, bytes), Services(useWic));
    }

    QTemporaryDir m_folder;
};

const QColor kRed(255, 0, 0), kGreen(0, 255, 0), kBlue(0, 0, 255), kWhite(255, 255, 255);

struct OrientationCase {
    int orientation;
    bool turned;  // width and height exchanged
    QColor topLeft, topRight, bottomLeft, bottomRight;
};

// The stored image is red, green / blue, white; each row is what the viewer
// must see after the tag is applied.
const OrientationCase kOrientations[] = {
    {1, false, kRed, kGreen, kBlue, kWhite},
    {2, false, kGreen, kRed, kWhite, kBlue},
    {3, false, kWhite, kBlue, kGreen, kRed},
    {4, false, kBlue, kWhite, kRed, kGreen},
    {5, true, kRed, kBlue, kGreen, kWhite},
    {6, true, kBlue, kRed, kWhite, kGreen},
    {7, true, kWhite, kGreen, kBlue, kRed},
    {8, true, kGreen, kWhite, kRed, kBlue},
    {9, false, kRed, kGreen, kBlue, kWhite},  // unknown values change nothing
};

class OrientationTest : public ImageLoadingTest,
                        public ::testing::WithParamInterface<std::tuple<OrientationCase, int>> {};

TEST_P(OrientationTest, JpegOpensUpright) {
    const auto& [c, useWic] = GetParam();
    const QByteArray jpeg = JpegWithOrientation(Quadrants(64, 32), c.orientation,
                                                /*bigEndian=*/c.orientation % 2 == 0);
    const HolderPtr image = Load("photo.jpg", jpeg, useWic);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Width(), c.turned ? 32 : 64);
    EXPECT_EQ(image->Height(), c.turned ? 64 : 32);
    const QuadrantColors seen = SampleQuadrants(image->Image());
    EXPECT_TRUE(ColorNear(seen.topLeft, c.topLeft)) << seen.topLeft.name().toStdString();
    EXPECT_TRUE(ColorNear(seen.topRight, c.topRight)) << seen.topRight.name().toStdString();
    EXPECT_TRUE(ColorNear(seen.bottomLeft, c.bottomLeft)) << seen.bottomLeft.name().toStdString();
    EXPECT_TRUE(ColorNear(seen.bottomRight, c.bottomRight))
        << seen.bottomRight.name().toStdString();
}

INSTANTIATE_TEST_SUITE_P(BothComponents, OrientationTest,
                         ::testing::Combine(::testing::ValuesIn(kOrientations),
                                            ::testing::Values(1, 2)),
                         [](const auto& info) {
                             return "Tag" + std::to_string(std::get<0>(info.param).orientation) +
                                    "UseWic" + std::to_string(std::get<1>(info.param));
                         });

TEST_F(ImageLoadingTest, HeicOpensOnlyThroughTheSecondComponent) {
    const QByteArray heic = EncodeHeic(Quadrants(64, 32));
    ASSERT_FALSE(heic.isEmpty());
    for (int useWic : {1, 2}) {
        const HolderPtr image = Load("photo.heic", heic, useWic);
        ASSERT_TRUE(image) << "UseWIC " << useWic;
        EXPECT_EQ(image->Width(), 64);
        EXPECT_EQ(image->Height(), 32);
        EXPECT_TRUE(ColorNear(SampleQuadrants(image->Image()).topRight, kGreen, 40));
    }
    EXPECT_FALSE(Load("photo.heic", heic, 0));
}

TEST_F(ImageLoadingTest, HeicRotationIsAppliedOnceNotTwice) {
    // The file says "turn 90 clockwise" both in its own rotation and in EXIF.
    const QByteArray heic = EncodeHeic(Quadrants(64, 32), 6);
    const HolderPtr image = Load("turned.heic", heic, 2);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Width(), 32);
    EXPECT_EQ(image->Height(), 64);
    const QuadrantColors seen = SampleQuadrants(image->Image());
    EXPECT_TRUE(ColorNear(seen.topLeft, kBlue, 40));
    EXPECT_TRUE(ColorNear(seen.topRight, kRed, 40));
}

TEST_F(ImageLoadingTest, AnimatedGifGivesItsFirstFrame) {
    const QByteArray gif = ReadFile(FixturePath("animated-red-then-blue.gif"));
    ASSERT_FALSE(gif.isEmpty());
    for (int useWic : {0, 1}) {
        const HolderPtr image = Load("anim.gif", gif, useWic);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->Width(), 8);
        EXPECT_EQ(image->Image().pixelColor(4, 3), kRed);
    }
}

TEST_F(ImageLoadingTest, PalettedAndOpaqueImagesBecomeWorkingFormatWithFullAlpha) {
    QImage paletted(10, 7, QImage::Format_Indexed8);
    paletted.setColorTable({qRgb(10, 20, 30), qRgb(200, 100, 50)});
    paletted.fill(1);
    paletted.setPixel(3, 2, 0);
    QImage rgb(11, 5, QImage::Format_RGB888);
    rgb.fill(QColor(1, 2, 3));

    struct Case {
        const char* name;
        QByteArray bytes;
        int useWic;
    };
    const Case cases[] = {{"pal.png", EncodeWithQt(paletted, "png"), 1},
                          {"pal.png", EncodeWithQt(paletted, "png"), 2},
                          {"rgb.bmp", EncodeWithQt(rgb, "bmp"), 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " UseWIC " + std::to_string(c.useWic));
        const HolderPtr image = Load(c.name, c.bytes, c.useWic);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->Image().format(), QImage::Format_ARGB32);
        EXPECT_EQ(image->Stride(), image->Width() * 4);
        for (int y = 0; y < image->Height(); ++y)
            for (int x = 0; x < image->Width(); ++x)
                ASSERT_EQ(qAlpha(image->Image().pixel(x, y)), 255);
    }
    const HolderPtr pal = Load("pal.png", EncodeWithQt(paletted, "png"), 2);
    EXPECT_EQ(pal->Image().pixel(3, 2), qRgb(10, 20, 30));
    EXPECT_EQ(pal->Image().pixel(4, 2), qRgb(200, 100, 50));
}

TEST_F(ImageLoadingTest, PngWithTransparencyKeepsItsAlpha) {
    QImage image(9, 4, QImage::Format_ARGB32);
    image.fill(qRgba(10, 20, 30, 255));
    image.setPixel(2, 1, qRgba(200, 150, 100, 77));
    image.setPixel(5, 3, qRgba(0, 0, 0, 0));
    const QByteArray png = EncodeWithQt(image, "png");
    for (int useWic : {0, 2}) {
        const HolderPtr loaded = Load("alpha.png", png, useWic);
        ASSERT_TRUE(loaded);
        // Not premultiplied: the colour of a half-transparent pixel stays as stored.
        EXPECT_EQ(loaded->Image().pixel(2, 1), qRgba(200, 150, 100, 77)) << useWic;
        EXPECT_EQ(qAlpha(loaded->Image().pixel(5, 3)), 0);
        EXPECT_EQ(loaded->Image().pixel(0, 0), qRgba(10, 20, 30, 255));
    }
}

TEST_F(ImageLoadingTest, ResolutionComesFromTheFileOnlyThroughTheFirstComponent) {
    QImage image = Quadrants(20, 10);
    image.setDotsPerMeterX(qRound(300 / 0.0254));
    image.setDotsPerMeterY(qRound(200 / 0.0254));
    const QByteArray png = EncodeWithQt(image, "png");
    const HolderPtr first = Load("dpi.png", png, 1);
    ASSERT_TRUE(first);
    EXPECT_FLOAT_EQ(first->DpiX(), 300.0f);
    EXPECT_FLOAT_EQ(first->DpiY(), 200.0f);
    const HolderPtr second = Load("dpi.png", png, 2);
    ASSERT_TRUE(second);
    EXPECT_FLOAT_EQ(second->DpiX(), 96.0f);
    EXPECT_FLOAT_EQ(second->DpiY(), 96.0f);
}

// A PNG whose header claims a size its data does not hold.
QByteArray PngClaimingSize(quint32 width, quint32 height) {
    QByteArray png = EncodeWithQt(Quadrants(16, 16), "png");
    // IHDR data starts at 16; the CRC that follows is left stale on purpose
    // only when the size is patched, so fix it up to let the decoder go on.
    auto put32 = [&](int at, quint32 v) {
        png[at] = char(v >> 24), png[at + 1] = char(v >> 16), png[at + 2] = char(v >> 8),
        png[at + 3] = char(v);
    };
    put32(16, width);
    put32(20, height);
    const quint32 crc = quint32(crc32(0, reinterpret_cast<const Bytef*>(png.constData() + 12), 17));
    put32(29, crc);
    return png;
}

QByteArray JpegClaimingSize(int width, int height) {
    QByteArray jpeg = EncodeWithQt(Quadrants(16, 16), "jpeg", 90);
    // Find the baseline frame header (FF C0) and patch its height and width.
    const qsizetype sof = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
    jpeg[sof + 5] = char(height >> 8), jpeg[sof + 6] = char(height);
    jpeg[sof + 7] = char(width >> 8), jpeg[sof + 8] = char(width);
    return jpeg;
}

TEST_F(ImageLoadingTest, DamagedAndMislabelledFilesAreRefusedByEveryComponent) {
    const QByteArray jpeg = EncodeWithQt(Quadrants(64, 64), "jpeg", 90);
    const QByteArray png = EncodeWithQt(Quadrants(64, 64), "png");
    const QByteArray bmp = EncodeWithQt(Quadrants(64, 64), "bmp");
    const QByteArray heic = EncodeHeic(Quadrants(64, 64));
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"text-named.jpg", "This is not an image at all.\n"},
        {"empty.png", QByteArray()},
        {"jpeg-cut-in-half.jpg", jpeg.left(jpeg.size() / 2)},
        {"jpeg-cut-after-header.jpg", jpeg.left(jpeg.indexOf(QByteArray("\xFF\xDA", 2)) + 20)},
        {"png-cut-in-half.png", png.left(png.size() / 2)},
        {"bmp-cut-in-half.bmp", bmp.left(bmp.size() / 2)},
        {"heic-cut-in-half.heic", heic.left(heic.size() / 2)},
        {"png-header-lies.png", PngClaimingSize(8000, 8000)},
        {"jpeg-header-lies.jpg", JpegClaimingSize(9000, 9000)},
        {"png-beyond-limit.png", PngClaimingSize(100000, 100000)},
        {"jpeg-beyond-limit.jpg", JpegClaimingSize(65000, 65000)},
    };
    for (const Case& c : cases)
        for (int useWic : {0, 1, 2})
            EXPECT_FALSE(Load(c.name, c.bytes, useWic)) << c.name << " UseWIC " << useWic;
    EXPECT_FALSE(LoadImageFromFile(m_folder.path() + "/missing.png", Services(1)));
}

// Writes a grey JPEG of the given size one row at a time, so the test itself
// needs no full-size buffer.
QByteArray LargeGreyJpeg(int width, int height) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 1;
    info.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 50, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(width));
    while (info.next_scanline < info.image_height) {
        for (int x = 0; x < width; ++x) row[std::size_t(x)] = JSAMPLE((x + info.next_scanline) & 0xFF);
        JSAMPROW pointer = row.data();
        jpeg_write_scanlines(&info, &pointer, 1);
    }
    jpeg_finish_compress(&info);
    QByteArray bytes(reinterpret_cast<const char*>(buffer), qsizetype(size));
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return bytes;
}

TEST_F(ImageLoadingTest, TwentyThousandSquareScanLoadsThroughBothComponents) {
    const QString path = WriteFile(m_folder.path(), "huge.jpg", LargeGreyJpeg(20000, 20000));
    for (int useWic : {1, 2}) {
        const HolderPtr image = LoadImageFromFile(path, Services(useWic));
        ASSERT_TRUE(image) << "UseWIC " << useWic;
        EXPECT_EQ(image->Width(), 20000);
        EXPECT_EQ(image->Height(), 20000);
        EXPECT_EQ(qAlpha(image->Image().pixel(19999, 19999)), 255);
    }
}
}  // namespace
