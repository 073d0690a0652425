// Files as a careless or hostile world hands them over: shortened while they
// load, FIFOs and devices instead of files, tiny files that claim huge images,
// and JPEGs that libjpeg reads although they are not quite well-formed.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <future>
#include <thread>
#include <vector>

#include "document/ImageLoader.h"
#include "platform/imaging/ImageFormatSniffer.h"
#include "platform/imaging/ImageStream.h"
#include "support/BombFiles.h"
#include "support/FileFixtures.h"
#include "support/FormatWriters.h"
#include "support/ImageFixtures.h"
#include "support/JpegWriter.h"
#include "support/SharedCodecs.h"

using namespace Fixtures;
using namespace BombFiles;

namespace {
ImagingServices Services(int useWic) { return {useWic, SharedCodecs(), true}; }

HolderPtr DecodeBytes(const QByteArray& bytes, int useWic) {
    const auto stream = ImageStream::FromBytes(bytes);
    return LoadImageFromStream(*stream, Services(useWic));
}

// A JPEG through libjpeg, baseline or progressive, Huffman or arithmetic
// coded, at quality 90.
QByteArray EncodeJpeg(const QImage& source, bool progressive, bool arithmetic = false) {
    JpegWriter::JpegSpec spec;
    spec.image = source;
    spec.progressive = progressive, spec.arithmetic = arithmetic;
    spec.densityUnit = 0, spec.densityX = spec.densityY = 1;  // libjpeg's own: no resolution
    return JpegWriter::Jpeg(spec);
}

QImage Noise(int width, int height) {
    const QByteArray bytes = FileFixtures::Noise(qsizetype(width) * height * 4, 7);
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        std::memcpy(image.scanLine(y), bytes.constData() + qsizetype(y) * width * 4, width * 4);
    return image;
}

class HostileFilesTest : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return m_folder.path() + "/" + name; }
    QTemporaryDir m_folder;
};

// ---- Files that change, and files that are not files ---------------------

TEST_F(HostileFilesTest, AFileShortenedAfterItWasOpenedDecodesFromWhatWasRead) {
    // A mapped file would raise a bus error here as soon as a decoder touched
    // the pages that were cut off.
    const struct {
        const char* name;
        QByteArray bytes;
    } files[] = {{"large.png", EncodeWithQt(Noise(1200, 900), "png")},
                 {"large.jpg", EncodeWithQt(Noise(1200, 900), "jpeg", 95)}};
    for (const auto& file : files) {
        for (int useWic : {0, 2}) {
            const QString path = WriteFile(m_folder.path(), file.name, file.bytes);
            const auto stream = ImageStream::OpenFile(path);
            ASSERT_TRUE(stream) << file.name;
            ASSERT_EQ(::truncate(QFile::encodeName(path).constData(), 100), 0);
            const HolderPtr image = LoadImageFromStream(*stream, Services(useWic));
            ASSERT_TRUE(image) << file.name << ", UseWIC " << useWic;
            EXPECT_EQ(image->Width(), 1200);
            EXPECT_EQ(image->Height(), 900);
        }
    }
}

TEST_F(HostileFilesTest, AFileRewrittenWhileItLoadsGivesTheWholeImageOrNothing) {
    const QByteArray png = EncodeWithQt(Noise(900, 700), "png");
    const QString path = WriteFile(m_folder.path(), "changing.png", png);
    std::atomic<bool> done{false};
    // Another program keeps cutting the file short and writing it out again.
    std::thread writer([&] {
        const QByteArray name = QFile::encodeName(path);
        while (!done) {
            ::truncate(name.constData(), png.size() / 3);
            std::this_thread::sleep_for(std::chrono::milliseconds(4));
            const int fd = ::open(name.constData(), O_WRONLY);
            if (fd >= 0) {
                ::pwrite(fd, png.constData(), std::size_t(png.size()), 0);
                ::close(fd);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    int whole = 0, refused = 0;
    for (int i = 0; i < 40; ++i) {
        const HolderPtr image = LoadImageFromFile(path, Services(i % 2 ? 2 : 0));
        if (!image) {
            ++refused;
            continue;
        }
        ++whole;
        EXPECT_EQ(image->Width(), 900);
        EXPECT_EQ(image->Height(), 700);
    }
    done = true;
    writer.join();
    EXPECT_EQ(whole + refused, 40);
}

TEST_F(HostileFilesTest, AFifoIsRefusedAtOnceWithoutWaitingForAWriter) {
    const QString fifo = Path("fifo.png");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_TRUE(FileOpensForReading(fifo));
    for (int useWic : {0, 1, 2}) {
        auto load = std::async(std::launch::async, [&] {
            return LoadImageFromFile(fifo, Services(useWic)) != nullptr;
        });
        if (load.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            // Let the blocked reader go before failing.
            const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
            load.wait();
            FAIL() << "a FIFO blocked the loader, UseWIC " << useWic;
        }
        EXPECT_FALSE(load.get()) << "UseWIC " << useWic;
    }
}

TEST_F(HostileFilesTest, DevicesAndFoldersAreRefusedWithoutReadingThem) {
    // /dev/zero never ends: reading it whole would exhaust memory.
    for (const QString& path : {QStringLiteral("/dev/zero"), QStringLiteral("/dev/null"),
                                m_folder.path(), Path("missing.png")}) {
        EXPECT_FALSE(ImageStream::OpenFile(path)) << qPrintable(path);
        for (int useWic : {0, 1, 2})
            EXPECT_FALSE(LoadImageFromFile(path, Services(useWic))) << qPrintable(path);
    }
}

// ---- Tiny files that claim huge images ------------------------------------

TEST_F(HostileFilesTest, ABmpBeyondTheSizeLimitIsNoCompleteImage) {
    // Its rows are not there; the check must not leave it to a reader that
    // fills them all before it looks at the size.
    EXPECT_FALSE(BmpPixelDataComplete(BmpOfManyRows()));
}

TEST_F(HostileFilesTest, TinyFilesThatClaimHugeImagesAreRefusedByEveryComponent) {
    const struct {
        const char* name;
        QByteArray bytes;
    } bombs[] = {
        {"progressive JPEG", JpegClaiming(23170, 23170, true)},
        {"baseline JPEG", JpegClaiming(23170, 23170, false)},
        {"PNG", PngClaiming(23170, 23170)},
        {"GIF frame", GifClaiming(23170, 23170)},
        {"GIF screen around a small frame", GifClaiming(23170, 4)},
        {"GIF frame far off a small screen", GifFramePlacedAt(16, 16, 20000, 20000)},
        {"GIF frame far below a screen of no height", GifFramePlacedAt(15617, 0, 100, 14406)},
        {"LZW TIFF", TiffClaiming(23170, 23170)},
        {"run-length BMP", RunLengthBmpClaiming(23170)},
        {"top-down BMP of many rows", BmpOfManyRows()},
    };
    for (const auto& bomb : bombs) {
        EXPECT_LT(bomb.bytes.size(), 4096) << bomb.name;
        for (int useWic : {0, 1, 2})
            EXPECT_FALSE(DecodeBytes(bomb.bytes, useWic)) << bomb.name << ", UseWIC " << useWic;
    }
    // The same kinds of file at their real size open: the bound is far below
    // what real data needs.
    EXPECT_TRUE(DecodeBytes(JpegClaiming(16, 16, true), 0));
    EXPECT_TRUE(DecodeBytes(GifClaiming(4, 4), 2));
    EXPECT_TRUE(DecodeBytes(GifFramePlacedAt(600, 400, 300, 200), 0));
    EXPECT_TRUE(DecodeBytes(PngClaiming(16, 16), 1));
}

TEST_F(HostileFilesTest, UniformImagesCompressedToTheLimitStillOpen) {
    // A flat grey 4000 x 3000 page compresses better than almost any real one.
    QImage flat(4000, 3000, QImage::Format_RGB32);
    flat.fill(qRgb(128, 128, 128));
    FormatWriters::GifSpec gif{600, 600, 0, {128, 128, 128, 0, 0, 0}, {}};
    FormatWriters::GifFrame frame;
    frame.width = frame.height = 600;
    frame.indices.assign(600 * 600, 0);
    gif.frames.push_back(frame);
    const struct {
        const char* name;
        QByteArray bytes;
    } files[] = {{"JPEG", EncodeJpeg(flat, false)},
                 {"progressive JPEG", EncodeJpeg(flat, true)},
                 // A few hundred bytes, of which a handful are image data: arithmetic
                 // coding leaves no bound to hold such files against.
                 {"arithmetic JPEG", EncodeJpeg(flat, false, true)},
                 {"progressive arithmetic JPEG", EncodeJpeg(flat, true, true)},
                 {"PNG", EncodeWithQt(flat, "png")},
                 {"GIF", FormatWriters::Gif(gif)}};
    for (const auto& file : files)
        for (int useWic : {0, 2}) EXPECT_TRUE(DecodeBytes(file.bytes, useWic)) << file.name;
}

// ---- JPEG structure as libjpeg reads it -----------------------------------

// Bytes that are no marker, put in after the segment that starts at a marker.
QByteArray WithStrayBytesAfter(QByteArray jpeg, const QByteArray& marker) {
    const qsizetype at = jpeg.indexOf(marker);
    const int length = (uchar(jpeg[at + 2]) << 8) | uchar(jpeg[at + 3]);
    jpeg.insert(at + 2 + length, QByteArray("\x00\x42\x13\x00", 4));
    return jpeg;
}

TEST_F(HostileFilesTest, StrayBytesBetweenJpegSegmentsAreSkippedAsLibjpegSkipsThem) {
    const QByteArray clean = JpegWithOrientation(Quadrants(64, 32), 6);
    const QByteArray cases[] = {
        WithStrayBytesAfter(clean, QByteArray("\xFF\xE1", 2)),  // after the EXIF block
        WithStrayBytesAfter(clean, QByteArray("\xFF\xDB", 2)),  // after a table
        WithStrayBytesAfter(clean, QByteArray("\xFF\xC4", 2)),  // right before the scan
        // Right after the start of the image, before the EXIF block, and after the
        // frame header.
        WithStrayBytesAfter(clean.left(2) + QByteArray("\x17\x00", 2) + clean.mid(2),
                            QByteArray("\xFF\xC0", 2)),
    };
    for (int useWic : {0, 1, 2}) {
        const HolderPtr expected = DecodeBytes(clean, useWic);
        ASSERT_TRUE(expected);
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            const HolderPtr image = DecodeBytes(cases[i], useWic);
            ASSERT_TRUE(image) << "case " << i << ", UseWIC " << useWic;
            // Still turned by its orientation tag, and the same pixels.
            EXPECT_EQ(image->Width(), 32) << "case " << i;
            EXPECT_EQ(image->Image(), expected->Image()) << "case " << i << ", UseWIC " << useWic;
        }
    }
}

TEST_F(HostileFilesTest, JpegWithoutEndMarkerOpensOnlyWhenItHasOneScanAndAllItsRows) {
    // A baseline file is complete when every row decodes from data that is
    // there. A progressive one cut between two scans would look just like one
    // that only lacks its marker, and show a coarser picture: it is refused.
    const QImage picture = Noise(96, 64);
    const QByteArray baseline = EncodeJpeg(picture, false);
    const QByteArray progressive = EncodeJpeg(picture, true);
    ASSERT_TRUE(baseline.endsWith("\xFF\xD9"));
    const struct {
        const char* name;
        QByteArray bytes;
        bool opens;
    } cases[] = {
        {"baseline without end marker", baseline.chopped(2), true},
        {"baseline without end marker, with trailing fill", baseline.chopped(2) + "\xFF", true},
        {"baseline cut inside its scan", baseline.chopped(40), false},
        {"progressive without end marker", progressive.chopped(2), false},
        {"progressive cut between scans",
         progressive.left(progressive.lastIndexOf(QByteArray("\xFF\xC4", 2))), false},
    };
    for (int useWic : {0, 1, 2}) {
        const HolderPtr complete = DecodeBytes(baseline, useWic);
        ASSERT_TRUE(complete);
        for (const auto& c : cases) {
            const HolderPtr image = DecodeBytes(c.bytes, useWic);
            EXPECT_EQ(bool(image), c.opens) << c.name << ", UseWIC " << useWic;
            if (image && c.opens) {
                EXPECT_EQ(image->Image(), complete->Image()) << c.name << ", UseWIC " << useWic;
            }
        }
    }
}

TEST_F(HostileFilesTest, DataMissingAfterAHarmlessWarningIsStillRefused) {
    // libjpeg speaks only its first warning. Stray bytes before the scan make
    // that one harmless, and a scan cut short further on then goes unheard
    // unless the decoder listens to every warning itself.
    const QByteArray clean = EncodeJpeg(Noise(256, 192), false);
    const qsizetype scan = clean.indexOf(QByteArray("\xFF\xDA", 2));
    ASSERT_GT(scan, 0);
    QByteArray stray = clean;
    stray.insert(scan, QByteArray("\x00\x42\x13\x00", 4));
    const QByteArray cut = stray.left(scan + (stray.size() - scan) / 2) + QByteArray("\xFF\xD9", 2);
    for (int useWic : {0, 1, 2}) {
        ASSERT_TRUE(DecodeBytes(stray, useWic)) << "UseWIC " << useWic;
        EXPECT_FALSE(DecodeBytes(cut, useWic)) << "UseWIC " << useWic;
    }
}

// ---- Resolution -----------------------------------------------------------

TEST_F(HostileFilesTest, QuarterTurnsExchangeTheResolutions) {
    QImage image = Quadrants(40, 20);
    image.setDotsPerMeterX(qRound(300 / 0.0254));
    image.setDotsPerMeterY(qRound(200 / 0.0254));
    for (int orientation : {1, 3, 5, 6, 7, 8}) {
        const HolderPtr loaded = DecodeBytes(JpegWithOrientation(image, orientation), 0);
        ASSERT_TRUE(loaded);
        const bool quarter = orientation >= 5;
        EXPECT_FLOAT_EQ(loaded->DpiX(), quarter ? 200.0f : 300.0f) << orientation;
        EXPECT_FLOAT_EQ(loaded->DpiY(), quarter ? 300.0f : 200.0f) << orientation;
    }
}

TEST_F(HostileFilesTest, FilesThatStoreNoResolutionGetNinetySixOnTheFirstComponent) {
    FormatWriters::PngSpec none;
    none.width = 2, none.samples = {1, 2, 3, 4, 5, 6};
    FormatWriters::PngSpec hundred = none;
    hundred.dotsPerMetre = {{3937, 3937}};  // 100 dpi, Qt's default without a screen
    FormatWriters::TiffSpec tiff;
    tiff.rows = {1, 2, 3};
    FormatWriters::TiffSpec tiffWithUnitNone = tiff;
    tiffWithUnitNone.resolution = {{300, 300}}, tiffWithUnitNone.resolutionUnit = 1;
    FormatWriters::BmpSpec bmp;
    bmp.pixelData = {1, 2, 3};
    const struct {
        const char* name;
        QByteArray bytes;
        float dpi;
    } cases[] = {
        {"PNG without pHYs", FormatWriters::Png(none), 96},
        {"PNG at 100 dpi", FormatWriters::Png(hundred), 100},
        {"JPEG without density", EncodeJpeg(Quadrants(8, 8), false), 96},  // JFIF units 0
        {"TIFF without resolution", FormatWriters::Tiff(tiff), 96},
        {"TIFF whose unit is none", FormatWriters::Tiff(tiffWithUnitNone), 96},
        {"BMP without pixels per metre", FormatWriters::Bmp(bmp), 96},
        {"GIF", ReadFile(FixturePath("animated-red-then-blue.gif")), 96},
    };
    for (const auto& c : cases) {
        const HolderPtr image = DecodeBytes(c.bytes, 0);
        ASSERT_TRUE(image) << c.name;
        EXPECT_FLOAT_EQ(image->DpiX(), c.dpi) << c.name;
        EXPECT_FLOAT_EQ(image->DpiY(), c.dpi) << c.name;
    }
}
}  // namespace
