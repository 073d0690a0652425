// Sources decoded on a thread of their own while they are already in use:
// the rows that arrive must be exactly those of the component's usual
// decoding (the first component's Qt reader, the second's libjpeg reader),
// with the same resolution and metadata; files that decoding cannot match are
// left to the usual path; damaged data fails the waiting instead of
// blocking it or handing out grey rows.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <string>

#include "document/ImageLoader.h"
#include "platform/imaging/CodecFactory.h"
#include "platform/imaging/ProgressiveJpegDecoder.h"
#include "platform/imaging/QtImageComponent.h"
#include "support/JpegWriter.h"
#include "support/NoThreadToSpare.h"
#include "support/SharedCodecs.h"

using namespace JpegWriter;
using Component = ProgressiveJpegDecoder::Component;

namespace {
std::string Difference(const QImage& seen, const QImage& expected) {
    if (seen.size() != expected.size() || seen.format() != expected.format())
        return "size or format differs";
    for (int y = 0; y < seen.height(); ++y)
        for (int x = 0; x < seen.width(); ++x)
            if (seen.pixel(x, y) != expected.pixel(x, y)) {
                char text[96];
                std::snprintf(text, sizeof text, "(%d,%d) is %08x instead of %08x", x, y,
                              seen.pixel(x, y), expected.pixel(x, y));
                return text;
            }
    return "";
}

// The pixels, resolution, orientation and EXIF block of the usual decoding.
void ExpectSameDecoding(const QImage& pixels, const DecodedImage& seen, const DecodedImage& usual) {
    EXPECT_EQ(Difference(pixels, usual.bitmap.image), "");
    EXPECT_EQ(seen.bitmap.dpiX, usual.bitmap.dpiX);
    EXPECT_EQ(seen.bitmap.dpiY, usual.bitmap.dpiY);
    EXPECT_EQ(seen.orientation, usual.orientation);
    EXPECT_EQ(seen.metadata.exif, usual.metadata.exif);
}

JpegSpec Spec(int width, int height) {
    JpegSpec spec;
    spec.image = Noisy(width, height);
    return spec;
}

struct Case {
    const char* name;
    JpegSpec spec;
    bool firstComponentMatches;  // else the first component's usual path must be taken
};

std::vector<Case> Cases() {
    using Colour = JpegSpec::Colour;
    std::vector<Case> cases;
    const auto add = [&](const char* name, JpegSpec spec, bool first) {
        cases.push_back({name, std::move(spec), first});
    };
    JpegSpec s = Spec(203, 131);
    add("baseline 4:2:0", s, true);
    s.hSampling = 1, s.vSampling = 1;
    add("baseline 4:4:4", s, true);
    s.hSampling = 2, s.vSampling = 1;
    add("baseline 4:2:2", s, true);
    s = Spec(203, 131), s.hSampling = 1, s.vSampling = 2;
    add("4:4:0", s, true);
    s = Spec(203, 131), s.progressive = true;
    add("progressive", s, true);
    s = Spec(203, 131), s.restartRows = 1;
    add("restart markers", s, true);
    s = Spec(203, 131), s.colour = Colour::Grey, s.hSampling = s.vSampling = 1;
    add("grey", s, true);
    s = Spec(203, 131), s.colour = Colour::Rgb, s.hSampling = s.vSampling = 1;
    add("RGB", s, true);
    add("1 x 1", Spec(1, 1), true);
    add("17 x 9", Spec(17, 9), true);
    add("4001 x 3", Spec(4001, 3), true);
    s = Spec(40, 8000);
    add("40 x 8000", s, true);
    s = Spec(203, 131), s.densityUnit = 1, s.densityX = 300, s.densityY = 150;
    add("300 x 150 per inch", s, true);
    s = Spec(203, 131), s.densityUnit = 2, s.densityX = 118, s.densityY = 59;
    add("118 x 59 per cm", s, true);
    s = Spec(203, 131), s.densityUnit = 0, s.densityX = 2, s.densityY = 1;
    add("aspect ratio only", s, true);
    s = Spec(203, 131), s.jfif = false;
    add("no JFIF header", s, true);
    s = Spec(203, 131), s.orientation = 1;
    add("EXIF upright", s, true);
    s = Spec(203, 131), s.orientation = 6;
    add("EXIF turned", s, false);
    s = Spec(203, 131), s.orientation = 2;
    add("EXIF mirrored", s, false);
    s = Spec(64, 40), s.colour = Colour::Cmyk, s.hSampling = s.vSampling = 1;
    add("CMYK", s, false);
    s = Spec(64, 40), s.colour = Colour::Ycck;
    add("YCCK", s, false);
    return cases;
}

// The decoded image once every row is there, or a null image.
QImage Arrived(const ProgressiveJpegDecoder& decode) {
    const QImage& image = decode.Decoded().bitmap.image;
    return decode.WaitForRows(image.height()) ? image : QImage();
}
}  // namespace

TEST(ProgressiveDecodeTest, FirstComponentRowsAreThoseOfQtsReaderOrTheFileGoesToIt) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        const QByteArray bytes = Jpeg(c.spec);
        const auto usual = DecodeWithQt(bytes);
        ASSERT_TRUE(usual);
        const auto decode = ProgressiveJpegDecoder::Start(bytes, Component::First);
        if (!c.firstComponentMatches) {
            EXPECT_FALSE(decode);
            continue;
        }
        ASSERT_TRUE(decode);
        ExpectSameDecoding(Arrived(*decode), decode->Decoded(), *usual);
    }
}

// The editor's loads of a whole image take the same decoding on the calling
// thread; turned and mirrored images too, their orientation reported.
TEST(ProgressiveDecodeTest, WholeImagesOfTheFirstComponentAreThoseOfQtsReader) {
    using Colour = JpegSpec::Colour;
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        const QByteArray bytes = Jpeg(c.spec);
        const auto usual = DecodeWithQt(bytes);
        ASSERT_TRUE(usual);
        const auto whole = ProgressiveJpegDecoder::DecodeWhole(bytes, Component::First);
        const bool converted = c.spec.colour == Colour::Cmyk || c.spec.colour == Colour::Ycck;
        EXPECT_EQ(whole.taken, !converted);
        if (!whole.taken) continue;
        ASSERT_TRUE(whole.decoded);
        ExpectSameDecoding(whole.decoded->bitmap.image, *whole.decoded, *usual);
    }
}

TEST(ProgressiveDecodeTest, SecondComponentRowsAreThoseOfItsReaderOrTheFileGoesToIt) {
    ASSERT_TRUE(SharedCodecs());
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        const QByteArray bytes = Jpeg(c.spec);
        const auto usual = SharedCodecs()->Decode(bytes);
        ASSERT_TRUE(usual);
        const auto decode = ProgressiveJpegDecoder::Start(bytes, Component::Second);
        // The second component converts CMYK itself; only turned images wait.
        if (c.spec.orientation >= 2) {
            EXPECT_FALSE(decode);
            continue;
        }
        ASSERT_TRUE(decode);
        ExpectSameDecoding(Arrived(*decode), decode->Decoded(), *usual);
    }
}

TEST(ProgressiveDecodeTest, DamagedDataFailsTheWaitingWhereTheUsualDecodingFails) {
    JpegSpec spec = Spec(640, 480);
    const QByteArray whole = Jpeg(spec);
    spec.progressive = true;
    const QByteArray progressive = Jpeg(spec);
    QByteArray corrupt = whole;
    // Bytes that are no valid entropy-coded data, two thirds down.
    for (qsizetype i = corrupt.size() * 2 / 3; i < corrupt.size() * 2 / 3 + 600; i += 5)
        corrupt[i] = char(0xff), corrupt[i + 1] = char(0xc8 + i % 4);
    // Data without its end marker never reaches the first component's Qt
    // reader, so decoding it as that reader would is refused at once.
    const struct {
        const char* name;
        QByteArray bytes;
        bool firstStarts;
    } cases[] = {
        {"cut off, end marker added", whole.left(whole.size() / 2) + "\xff\xd9", true},
        {"cut off", whole.left(whole.size() * 3 / 4), false},
        {"progressive cut off between scans", progressive.left(progressive.size() * 3 / 4), false},
        {"corrupt", corrupt, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const Component component : {Component::First, Component::Second}) {
            const bool first = component == Component::First;
            const bool usualFails = first
                                        ? !DecodeWithQt(c.bytes) && !SharedCodecs()->Decode(c.bytes)
                                        : !SharedCodecs()->Decode(c.bytes);
            ASSERT_TRUE(usualFails) << "the case must be one that fails today";
            const auto decode = ProgressiveJpegDecoder::Start(c.bytes, component);
            ASSERT_EQ(bool(decode), !first || c.firstStarts) << first;
            if (!decode) continue;
            EXPECT_FALSE(decode->WaitForRows(decode->Decoded().bitmap.Height())) << first;
            // Once failed, every later wait fails at once, however few rows it asks for.
            EXPECT_FALSE(decode->WaitForRows(1));
        }
    }
}

TEST(ProgressiveDecodeTest, WithoutAThreadToSpareNoneIsStartedAndTheFileLoadsTheUsualWay) {
    JpegSpec spec;
    spec.image = Noisy(40, 24);
    const QByteArray bytes = Jpeg(spec);
    for (const Component component : {Component::First, Component::Second}) {
        const NoThreadToSpare limit;
        ASSERT_TRUE(limit.Active());
        EXPECT_FALSE(ProgressiveJpegDecoder::Start(bytes, component));
    }
    QTemporaryDir folder;
    const QString path = folder.filePath("page.jpg");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    for (const int useWic : {1, 2}) {
        // Once without the limit, so that the readers' plug-ins are loaded.
        ASSERT_TRUE(LoadImageFromFile(path, {useWic, SharedCodecs(), true}));
        HolderPtr loaded;
        {
            const NoThreadToSpare limit;
            ASSERT_TRUE(limit.Active());
            loaded =
                LoadImageFromFile(path, {useWic, SharedCodecs(), true}, SourceDecoding::WhileUsed);
        }
        ASSERT_TRUE(loaded) << "UseWIC " << useWic;
        EXPECT_EQ(loaded->Image().size(), QSize(40, 24));
    }
}
