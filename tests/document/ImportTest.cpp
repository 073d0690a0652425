// Import from QMimeData and the clipboard: the order of formats, the name
// check, and the checked DIB reader with well-formed and malformed blocks.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <QtEndian>
#include <functional>

#include "app/ImageExtensions.h"
#include "document/ImageImport.h"
#include "document/ImageLoader.h"
#include "platform/imaging/CodecFactory.h"
#include "platform/imaging/DibReader.h"
#include "support/ImageFixtures.h"
#include "support/SharedCodecs.h"

using namespace Fixtures;

namespace {

// ---- DIB blocks made by hand -------------------------------------------------
struct DibSpec {
    int width = 4, height = 3;  // negative height: top-down rows
    int bitCount = 24;
    quint32 compression = 0;
    quint32 usedColours = 0;
    quint32 headerSize = 40;
    std::vector<quint32> masks;  // after a header below 52 bytes, or inside a larger one
    std::vector<QRgb> palette;
    bool fileHeader = false;
    int gap = 0;  // bytes between the table and the rows, which only the file header tells
};

// The colour of pixel (x, y) (top-down) in a test image, for each bit depth.
QRgb TestColour(int x, int y) { return qRgb(x * 60 % 256, y * 80 % 256, (x + y) * 30 % 256); }

QByteArray MakeDib(const DibSpec& s, const std::function<void(uchar* row, int y)>& fillRow) {
    QByteArray block(int(s.headerSize), '\0');
    auto put32 = [&](int at, quint32 v) { qToLittleEndian(v, block.data() + at); };
    auto put16 = [&](int at, quint16 v) { qToLittleEndian(v, block.data() + at); };
    put32(0, s.headerSize);
    put32(4, quint32(s.width));
    put32(8, quint32(s.height));
    put16(12, 1);
    put16(14, quint16(s.bitCount));
    put32(16, s.compression);
    put32(32, s.usedColours);
    if (s.headerSize >= 52)
        for (std::size_t i = 0; i < s.masks.size() && i < 3; ++i)
            put32(40 + int(i) * 4, s.masks[i]);
    else
        for (quint32 mask : s.masks) block.append(reinterpret_cast<const char*>(&mask), 4);
    for (QRgb c : s.palette) {
        const char entry[4] = {char(qBlue(c)), char(qGreen(c)), char(qRed(c)), 0};
        block.append(entry, 4);
    }
    const qsizetype bitsAt = block.size() + s.gap;
    block.append(QByteArray(s.gap, '\x5A'));
    const int rows = std::abs(s.height);
    const int stride = ((s.width * s.bitCount + 31) / 32) * 4;
    for (int i = 0; i < rows; ++i) {
        QByteArray row(stride, '\0');
        // Stored bottom-up unless the height is negative.
        const int y = s.height > 0 ? rows - 1 - i : i;
        fillRow(reinterpret_cast<uchar*>(row.data()), y);
        block.append(row);
    }
    if (s.fileHeader) {
        QByteArray header(14, '\0');
        header[0] = 'B', header[1] = 'M';
        qToLittleEndian(quint32(14 + block.size()), header.data() + 2);
        qToLittleEndian(quint32(14 + bitsAt), header.data() + 10);
        block.prepend(header);
    }
    return block;
}

QByteArray Dib24(const DibSpec& s) {
    return MakeDib(s, [&](uchar* row, int y) {
        for (int x = 0; x < s.width; ++x) {
            const QRgb c = TestColour(x, y);
            row[x * 3] = uchar(qBlue(c)), row[x * 3 + 1] = uchar(qGreen(c)),
                    row[x * 3 + 2] = uchar(qRed(c));
        }
    });
}

void ExpectTestColours(const QImage& image, int width, int height, int tolerance = 0) {
    ASSERT_FALSE(image.isNull());
    ASSERT_EQ(image.width(), width);
    ASSERT_EQ(image.height(), height);
    EXPECT_EQ(image.format(), QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            ASSERT_TRUE(ColorNear(image.pixelColor(x, y), QColor(TestColour(x, y)), tolerance))
                << x << "," << y << " " << image.pixelColor(x, y).name().toStdString();
}

TEST(DibReaderTest, TwentyFourBitsBottomUpTopDownAndWithFileHeader) {
    for (const DibSpec& s :
         {DibSpec{5, 3}, DibSpec{5, -3}, DibSpec{1, 1}, DibSpec{6, 2, 24, 0, 0, 40, {}, {}, true}})
        ExpectTestColours(ReadDib(Dib24(s)), s.width, std::abs(s.height));
}

TEST(DibReaderTest, AFileHeadersPixelOffsetSaysWhereTheRowsStart) {
    // A gap after the colour table that only the offset tells about.
    DibSpec gapped{6, 2, 24, 0, 0, 40, {}, {}, true, 8};
    ExpectTestColours(ReadDib(Dib24(gapped)), 6, 2);
    // Bit-field masks after a short header, then a gap.
    DibSpec fields{3, 2, 32, 3, 0, 40, {0xFF, 0xFF00, 0xFF0000}, {}, true, 4};
    ExpectTestColours(ReadDib(MakeDib(fields,
                                      [&](uchar* row, int y) {
                                          for (int x = 0; x < 3; ++x) {
                                              const QRgb c = TestColour(x, y);
                                              row[x * 4] = uchar(qRed(c));
                                              row[x * 4 + 1] = uchar(qGreen(c));
                                              row[x * 4 + 2] = uchar(qBlue(c));
                                          }
                                      })),
                      3, 2);
    // An 8-bit file with two colours and no used-colour count: its table is as
    // long as the offset says, not 256 entries.
    DibSpec shortTable{5, 2, 8, 0, 0, 40, {}, {qRgb(200, 10, 20), qRgb(5, 250, 60)}, true};
    const QImage image = ReadDib(MakeDib(shortTable, [](uchar* row, int y) {
        for (int x = 0; x < 5; ++x) row[x] = uchar((x + y) % 3);  // index 2 is beyond the table
    }));
    ASSERT_FALSE(image.isNull());
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 5; ++x) {
            const QRgb expected[] = {qRgb(200, 10, 20), qRgb(5, 250, 60), qRgb(0, 0, 0)};
            EXPECT_EQ(image.pixel(x, y), expected[(x + y) % 3]) << x << "," << y;
        }
}

TEST(DibReaderTest, PalettedDepthsUseTheColourTableRule) {
    const std::vector<QRgb> colours = {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0),
                                       qRgb(0, 0, 255), qRgb(9, 8, 7)};
    struct Case {
        int bitCount;
        quint32 used;
        int tableEntries;  // what the writer puts in (must match the rule)
    };
    for (const Case c :
         {Case{1, 0, 2}, Case{4, 5, 5}, Case{4, 0, 16}, Case{8, 5, 5}, Case{8, 0, 256}}) {
        DibSpec s{7, 3, c.bitCount, 0, c.used};
        s.palette.resize(std::size_t(c.tableEntries), qRgb(1, 1, 1));
        for (std::size_t i = 0; i < colours.size() && i < s.palette.size(); ++i)
            s.palette[i] = colours[i];
        const int maxIndex = std::min<int>(int(colours.size()), c.tableEntries);
        const auto index = [&](int x, int y) { return (x + y) % maxIndex; };
        const QByteArray dib = MakeDib(s, [&](uchar* row, int y) {
            for (int x = 0; x < s.width; ++x) {
                const int bit = x * c.bitCount;
                row[bit / 8] |= uchar(index(x, y) << (8 - c.bitCount - bit % 8));
            }
        });
        const QImage image = ReadDib(dib);
        ASSERT_FALSE(image.isNull()) << c.bitCount << " " << c.used;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < s.width; ++x)
                ASSERT_EQ(image.pixel(x, y), colours[std::size_t(index(x, y))])
                    << c.bitCount << " at " << x << "," << y;
    }
}

TEST(DibReaderTest, SixteenAndThirtyTwoBitsWithAndWithoutBitFields) {
    struct Case {
        const char* name;
        int bitCount;
        quint32 compression;
        std::vector<quint32> masks;
        quint32 headerSize;
        int tolerance;
    };
    const Case cases[] = {
        {"555", 16, 0, {}, 40, 8},
        {"565 fields", 16, 3, {0xF800, 0x07E0, 0x001F}, 40, 8},
        {"BGRX", 32, 0, {}, 40, 0},
        {"fields in a V5 header", 32, 3, {0x00FF0000, 0x0000FF00, 0x000000FF}, 124, 0},
        // The smallest header with room for them keeps them inside too.
        {"fields in a 52-byte header", 32, 3, {0x000000FF, 0x0000FF00, 0x00FF0000}, 52, 0},
        // Shorter headers than that are followed by the masks.
        {"fields after a 44-byte header", 32, 3, {0x000000FF, 0x0000FF00, 0x00FF0000}, 44, 0},
        {"565 fields after a 51-byte header", 16, 3, {0xF800, 0x07E0, 0x001F}, 51, 8},
        {"RGBX fields", 32, 3, {0x000000FF, 0x0000FF00, 0x00FF0000}, 40, 0},
    };
    for (const Case& c : cases) {
        DibSpec s{6, 4, c.bitCount, c.compression, 0, c.headerSize, c.masks};
        const auto channel = [&](int which, quint32 value) -> quint32 {
            // Place an 8-bit value into the mask of channel which (0 R, 1 G, 2 B).
            const quint32 mask =
                c.masks.empty()
                    ? (c.bitCount == 16 ? std::array<quint32, 3>{0x7C00, 0x03E0, 0x1F}[which]
                                        : std::array<quint32, 3>{0xFF0000, 0xFF00, 0xFF}[which])
                    : c.masks[std::size_t(which)];
            const int shift = std::countr_zero(mask), bits = std::popcount(mask);
            return ((value * ((1u << bits) - 1) + 127) / 255) << shift;
        };
        const QByteArray dib = MakeDib(s, [&](uchar* row, int y) {
            for (int x = 0; x < s.width; ++x) {
                const QRgb colour = TestColour(x, y);
                const quint32 p = channel(0, qRed(colour)) | channel(1, qGreen(colour)) |
                                  channel(2, qBlue(colour));
                if (c.bitCount == 16)
                    qToLittleEndian(quint16(p), row + x * 2);
                else
                    qToLittleEndian(p | 0xAB000000u, row + x * 4);  // the top byte is ignored
            }
        });
        SCOPED_TRACE(c.name);
        ExpectTestColours(ReadDib(dib), 6, 4, c.tolerance);
    }
}

TEST(DibReaderTest, MalformedBlocksAreRefusedWithoutReadingBeyondThem) {
    const QByteArray good = Dib24(DibSpec{5, 3});
    ASSERT_FALSE(ReadDib(good).isNull());
    const auto patched = [&](int at, quint32 value) {
        QByteArray b = good;
        qToLittleEndian(value, b.data() + at);
        return b;
    };
    const auto withFileHeader = [](quint32 offset) {
        DibSpec s{5, 3};
        s.fileHeader = true;
        QByteArray b = Dib24(s);
        qToLittleEndian(offset, b.data() + 10);
        return b;
    };
    DibSpec paletted{4, 4, 8, 0, 200};
    paletted.palette.resize(200);
    const QByteArray manyColours = MakeDib(paletted, [](uchar*, int) {});
    struct Case {
        const char* name;
        QByteArray block;
    };
    const Case cases[] = {
        {"empty", QByteArray()},
        {"shorter than a header", good.left(39)},
        {"header size beyond the block", patched(0, 5000)},
        {"header size below 40", patched(0, 12)},
        {"one row short", good.left(good.size() - 1)},
        {"height times stride beyond the block", patched(8, 4)},
        {"negative height beyond the block", patched(8, quint32(-4))},
        {"zero width", patched(4, 0)},
        {"negative width", patched(4, quint32(-5))},
        {"zero height", patched(8, 0)},
        {"huge width", patched(4, 0x7FFFFFFF)},
        {"planes not 1", patched(12, 2 | (24 << 16))},
        {"bit count 7", patched(12, 1 | (7 << 16))},
        {"run-length compression", patched(16, 1)},
        {"bit fields on 24 bits", patched(16, 3)},
        {"colour count beyond the block", manyColours.left(manyColours.size() - 20)},
        {"colour count beyond 256",
         [&] {
             QByteArray b = manyColours;
             qToLittleEndian(quint32(300), b.data() + 32);
             return b;
         }()},
        {"masks cut off",
         [] {
             DibSpec s{2, 1, 32, 3, 0, 40, {0xFF0000}};
             return MakeDib(s, [](uchar*, int) {}).left(44);
         }()},
        {"scattered mask bits",
         [] {
             DibSpec s{2, 1, 32, 3, 0, 40, {0xF0F000, 0xFF00, 0xFF}};
             return MakeDib(s, [](uchar*, int) {});
         }()},
        {"file header only", QByteArray("BM\0\0\0\0\0\0\0\0\0\0\0\0", 14)},
        // One 32-bit pixel after a 44-byte header, the masks missing: they
        // would have to be read from beyond the block.
        {"masks after a 44-byte header cut off",
         [] {
             DibSpec s{1, 1, 32, 3, 0, 44};
             return MakeDib(s, [](uchar*, int) {});
         }()},
        {"pixel offset beyond the block", withFileHeader(0xFFFF)},
        {"pixel offset inside the header", withFileHeader(14 + 20)},
        {"pixel offset inside the masks",
         [] {
             DibSpec s{2, 1, 32, 3, 0, 44, {0xFF0000, 0xFF00, 0xFF}};
             s.fileHeader = true;
             QByteArray b = MakeDib(s, [](uchar*, int) {});
             qToLittleEndian(quint32(14 + 44 + 4), b.data() + 10);
             return b;
         }()},
    };
    for (const Case& c : cases) {
        // A private copy of exactly the block's size, so that a read beyond it is
        // a read beyond an allocation (AddressSanitizer reports it).
        QByteArray exact(c.block.constData(), c.block.size());
        EXPECT_TRUE(ReadDib(exact).isNull()) << c.name;
    }
}

// ---- The reader over data objects -------------------------------------------
class ImportTest : public ::testing::Test {
protected:
    ImportContext Context() const { return {{1, SharedCodecs(), true}, DefaultImageExtensions()}; }

    QString Write(const QString& name, const QImage& image, const char* format = "png") {
        return WriteFile(m_folder.path(), name, EncodeWithQt(image, format));
    }

    QTemporaryDir m_folder;
};

TEST_F(ImportTest, NamesAreCheckedAgainstTheExtensions) {
    const QStringList extensions = DefaultImageExtensions();
    struct Case {
        const char* name;
        bool supported;
    };
    for (const Case c :
         {Case{"a.png", true}, Case{"A.PNG", true}, Case{"scan.TiFf", true}, Case{".png", true},
          Case{"png", false}, Case{"a.webp", false}, Case{"a.jpeg.txt", false}, Case{"apng", false},
          Case{"/x/y.exif", true}, Case{"a.heic", false}}) {
        EXPECT_EQ(IsSupportedImageName(c.name, extensions), c.supported) << c.name;
    }
    EXPECT_TRUE(IsSupportedImageName("a.heic", extensions + QStringList{"heif", "heic"}));
}

TEST_F(ImportTest, OneImageFileIsLoadedFromTheFileList) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(Write("one.png", Quadrants(20, 10)))});
    EXPECT_TRUE(ReadImageFromDataObject(&data, nullptr, Context()));
    HolderPtr image;
    ASSERT_TRUE(ReadImageFromDataObject(&data, &image, Context()));
    EXPECT_EQ(image->Width(), 20);
}

TEST_F(ImportTest, TwoFilesOrForeignExtensionsAreRefusedUnlessImageDataComesToo) {
    const QUrl a = QUrl::fromLocalFile(Write("a.png", Quadrants(20, 10)));
    const QUrl b = QUrl::fromLocalFile(Write("b.png", Quadrants(20, 10)));
    const QUrl webp = QUrl::fromLocalFile(Write("c.webp", Quadrants(20, 10), "webp"));
    for (const QList<QUrl>& urls : {QList<QUrl>{a, b}, QList<QUrl>{webp}}) {
        QMimeData data;
        data.setUrls(urls);
        EXPECT_FALSE(ReadImageFromDataObject(&data, nullptr, Context()));
        HolderPtr image;
        EXPECT_FALSE(ReadImageFromDataObject(&data, &image, Context()));
        data.setImageData(Quadrants(6, 4));
        ASSERT_TRUE(ReadImageFromDataObject(&data, &image, Context()));
        EXPECT_EQ(image->Width(), 6);
    }
}

TEST_F(ImportTest, PixelsAreTakenWhenNoImageBytesComeAndAreOpaque) {
    QImage translucent = Quadrants(6, 4);
    translucent.setPixel(0, 0, qRgba(1, 2, 3, 4));
    QMimeData pixels;
    pixels.setImageData(translucent);
    HolderPtr image;
    ASSERT_TRUE(ReadImageFromDataObject(&pixels, &image, Context()));
    EXPECT_EQ(image->Width(), 6);
    EXPECT_EQ(qAlpha(image->Image().pixel(0, 0)), 255);

    // Pixels beside image bytes may be Qt's own reading of those bytes: the
    // bytes are read instead, by the checked reader.
    QMimeData both;
    both.setData("image/bmp", Dib24(DibSpec{9, 2}));
    both.setImageData(translucent);
    ASSERT_TRUE(ReadImageFromDataObject(&both, &image, Context()));
    EXPECT_EQ(image->Width(), 9);

    QMimeData bmpOnly;
    bmpOnly.setData("image/bmp", Dib24(DibSpec{9, 2}));
    ASSERT_TRUE(ReadImageFromDataObject(&bmpOnly, &image, Context()));
    EXPECT_EQ(image->Width(), 9);
    // A malformed block is no image, and nothing else is offered.
    QMimeData broken;
    broken.setData("image/bmp", Dib24(DibSpec{9, 2}).left(60));
    EXPECT_TRUE(ReadImageFromDataObject(&broken, nullptr, Context()));  // formats only
    EXPECT_FALSE(ReadImageFromDataObject(&broken, &image, Context()));
}

// Another program's data as Qt presents it on X11 and Wayland: the image types
// the owner offers, with "application/x-qt-image" added after them and
// answered by decoding the first of them with Qt's own readers.
class ForeignImageData : public QMimeData {
public:
    QStringList formats() const override {
        QStringList formats = QMimeData::formats();
        for (const QString& format : QMimeData::formats())
            if (format.startsWith("image/")) return formats << "application/x-qt-image";
        return formats;
    }
    bool hasFormat(const QString& type) const override { return formats().contains(type); }

protected:
    QVariant retrieveData(const QString& type, QMetaType metaType) const override {
        if (type != "application/x-qt-image") return QMimeData::retrieveData(type, metaType);
        for (const QString& format : QMimeData::formats()) {
            if (!format.startsWith("image/")) continue;
            const QImage image = QImage::fromData(QMimeData::data(format));
            if (!image.isNull()) return image;
        }
        return {};
    }
};

TEST_F(ImportTest, ImageBytesFromAnotherProgramAreCheckedAsAFileIs) {
    const QImage picture = Quadrants(40, 30);
    const QByteArray bmp = EncodeWithQt(picture, "bmp"), jpeg = EncodeWithQt(picture, "jpeg", 95),
                     png = EncodeWithQt(picture, "png");
    const auto cut = [](const QByteArray& bytes) { return bytes.left(bytes.size() * 2 / 3); };
    struct Case {
        const char* name;
        const char* type;
        QByteArray bytes;
        bool complete;
        bool qtTakesIt;  // Qt's own readers give a picture all the same
    };
    const Case cases[] = {
        {"a.bmp", "image/bmp", bmp, true, true},
        {"cut.bmp", "image/bmp", cut(bmp), false, true},
        {"a.jpg", "image/jpeg", jpeg, true, true},
        {"cut.jpg", "image/jpeg", cut(jpeg), false, true},
        {"a.png", "image/png", png, true, true},
        {"cut.png", "image/png", cut(png), false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ForeignImageData data;
        data.setData(c.type, c.bytes);
        ASSERT_TRUE(data.hasImage());
        if (c.qtTakesIt) {
            ASSERT_FALSE(qvariant_cast<QImage>(data.imageData()).isNull());
        }
        // The same bytes opened as a file.
        const bool opens = LoadImageFromFile(WriteFile(m_folder.path(), c.name, c.bytes),
                                             Context().imaging) != nullptr;
        EXPECT_EQ(opens, c.complete);
        HolderPtr image;
        EXPECT_TRUE(ReadImageFromDataObject(&data, nullptr, Context()));
        ASSERT_EQ(ReadImageFromDataObject(&data, &image, Context()), c.complete);
        if (!c.complete) continue;
        EXPECT_EQ(image->Width(), 40);
        EXPECT_EQ(image->Height(), 30);
        EXPECT_TRUE(ColorNear(image->Image().pixelColor(35, 25), picture.pixelColor(35, 25)));
    }

    // Each type offered is tried in turn; image/bmp comes last, as the DIB.
    ForeignImageData pngThenBmp;
    pngThenBmp.setData("image/bmp", cut(bmp));
    pngThenBmp.setData("image/png", png);
    HolderPtr image;
    ASSERT_TRUE(ReadImageFromDataObject(&pngThenBmp, &image, Context()));
    EXPECT_EQ(image->Width(), 40);
    ForeignImageData cutJpegThenBmp;
    cutJpegThenBmp.setData("image/jpeg", cut(jpeg));
    cutJpegThenBmp.setData("image/bmp", EncodeWithQt(Quadrants(12, 8), "bmp"));
    ASSERT_TRUE(ReadImageFromDataObject(&cutJpegThenBmp, &image, Context()));
    EXPECT_EQ(image->Width(), 12);
}

TEST_F(ImportTest, AFileThatFailsToDecodeFallsThroughToTheNextFormat) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(WriteFile(m_folder.path(), "fake.png", "not a png"))});
    data.setData("image/bmp", Dib24(DibSpec{3, 3}));
    HolderPtr image;
    ASSERT_TRUE(ReadImageFromDataObject(&data, &image, Context()));
    EXPECT_EQ(image->Width(), 3);
}

TEST_F(ImportTest, AVirtualFileIsReadFromItsContents) {
    QByteArray descriptor(4 + 592, '\0');
    qToLittleEndian(quint32(1), descriptor.data());
    const QString name = "photo from browser.JPG";
    std::memcpy(descriptor.data() + 4 + 72, name.utf16(), std::size_t(name.size()) * 2);
    QMimeData data;
    data.setData("application/x-qt-windows-mime;value=\"FileGroupDescriptorW\"", descriptor);
    data.setData("application/x-qt-windows-mime;value=\"FileContents\"",
                 EncodeWithQt(Quadrants(12, 8), "jpeg", 95));
    HolderPtr image;
    ASSERT_TRUE(ReadImageFromDataObject(&data, &image, Context()));
    EXPECT_EQ(image->Width(), 12);

    qToLittleEndian(quint32(2), descriptor.data());  // two files: not this format
    data.setData("application/x-qt-windows-mime;value=\"FileGroupDescriptorW\"", descriptor);
    EXPECT_FALSE(ReadImageFromDataObject(&data, nullptr, Context()));
}

TEST_F(ImportTest, ClipboardQueryLooksAtFormatsOnly) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText("just words");
    EXPECT_FALSE(ReadImageFromClipboard(nullptr, Context()));

    auto* two = new QMimeData;
    two->setUrls({QUrl::fromLocalFile(Write("p.png", Quadrants(4, 4))),
                  QUrl::fromLocalFile(Write("q.png", Quadrants(4, 4)))});
    clipboard->setMimeData(two);
    EXPECT_TRUE(ReadImageFromClipboard(nullptr, Context()));  // announced
    HolderPtr image;
    EXPECT_FALSE(ReadImageFromClipboard(&image, Context()));  // but two files

    clipboard->setImage(Quadrants(10, 6));
    ASSERT_TRUE(ReadImageFromClipboard(&image, Context()));
    EXPECT_EQ(image->Width(), 10);
    clipboard->clear();
}
}  // namespace
