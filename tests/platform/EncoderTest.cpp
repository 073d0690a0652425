// Encoding through both imaging components: round trips through the decoders
// of both, the layouts and headers the files must have, the resolution each
// component stores, and failures of sinks and sources.

#include <gtest/gtest.h>

#include <QtEndian>
#include <memory>
#include <optional>

#include "platform/ByteSink.h"
#include "platform/imaging/CodecEncoders.h"
#include "platform/imaging/CodecFactory.h"
#include "platform/imaging/QtImageComponent.h"
#include "platform/imaging/QtImageEncoder.h"
#include "platform/imaging/RowSource.h"
#include "support/EncodedFiles.h"
#include "support/SharedCodecs.h"

using namespace EncodedFiles;

namespace {
enum class Component { Qt, Codecs };

const char* Name(Component c) { return c == Component::Qt ? "Qt" : "Codecs"; }

class EncoderTest : public ::testing::Test {
protected:
};

// Checks the contract every encoder relies on: bands in increasing order,
// none skipped, none repeated, none beyond the image.
class CheckedRowSource : public RowSource {
public:
    explicit CheckedRowSource(const QImage& image) : m_inner(image) {}
    int Width() const override { return m_inner.Width(); }
    int Height() const override { return m_inner.Height(); }
    RowLayout Layout() const override { return m_inner.Layout(); }
    bool ReadRows(int first, int count, uchar* target, qsizetype stride) override {
        EXPECT_EQ(first, m_next);
        EXPECT_GT(count, 0);
        m_next = first + count;
        ++m_calls;
        return m_inner.ReadRows(first, count, target, stride);
    }
    bool AllRowsRead() const { return m_next == Height(); }
    int Calls() const { return m_calls; }

private:
    ImageRowSource m_inner;
    int m_next = 0;
    int m_calls = 0;
};

// Fails from the given row on, as a renderer that runs out of memory would.
class FailingRowSource : public ImageRowSource {
public:
    FailingRowSource(const QImage& image, int failFrom)
        : ImageRowSource(image), m_failFrom(failFrom) {}
    bool ReadRows(int first, int count, uchar* target, qsizetype stride) override {
        if (first + count > m_failFrom) return false;
        return ImageRowSource::ReadRows(first, count, target, stride);
    }

private:
    int m_failFrom;
};

// Takes a fixed number of bytes, then refuses: a full disk.
class FullSink : public ByteSink {
public:
    explicit FullSink(std::int64_t capacity) : m_capacity(capacity) {}
    bool Write(const void*, std::size_t size) override {
        m_position += std::int64_t(size);
        return m_position <= m_capacity;
    }
    bool WriteAt(std::int64_t offset, const void*, std::size_t size) override {
        return offset + std::int64_t(size) <= m_capacity;
    }

private:
    std::int64_t m_capacity;
    std::int64_t m_position = 0;
};

// An image announcing a size no file may hold; reading it is a fault.
class HugeRowSource : public RowSource {
public:
    int Width() const override { return 1 << 20; }
    int Height() const override { return 1 << 20; }
    RowLayout Layout() const override { return RowLayout::Bgr24; }
    bool ReadRows(int, int, uchar*, qsizetype) override {
        ADD_FAILURE() << "rows read although the file cannot be written";
        return false;
    }
};

QImage InLayout(const QImage& image, RowLayout layout) {
    return image.convertToFormat(layout == RowLayout::Bgr24 ? QImage::Format_BGR888
                                                            : QImage::Format_ARGB32);
}

std::optional<QByteArray> Encode(Component component, const char* format, const QImage& image,
                                 const CodecFactory& codecs, float dpiX = 0, float dpiY = 0) {
    BufferSink sink;
    if (component == Component::Qt) {
        QByteArray qtFormat;
        if (FindEncoderClsid(QByteArray("image/") + format, &qtFormat) < 0) return std::nullopt;
        if (!EncodeWithQt(Bitmap{image, dpiX, dpiY}, qtFormat, sink)) return std::nullopt;
    } else {
        CheckedRowSource rows(image);
        if (!codecs.Encode(QString::fromLatin1(format), rows, sink)) return std::nullopt;
        EXPECT_TRUE(rows.AllRowsRead());
    }
    return sink.Bytes();
}

std::optional<QImage> Decode(Component component, const QByteArray& bytes,
                             const CodecFactory& codecs) {
    const auto decoded = component == Component::Qt ? DecodeWithQt(bytes) : codecs.Decode(bytes);
    if (!decoded) return std::nullopt;
    return decoded->bitmap.image;
}

struct RoundTripCase {
    Component encoder;
    const char* format;
    RowLayout layout;
    Component decoder;
    // Lossless formats must give every channel of every pixel back; lossy ones
    // stay within a mean channel difference (against alpha 255 where the file
    // has no alpha channel).
    double meanTolerance;
};

std::string CaseName(const ::testing::TestParamInfo<RoundTripCase>& info) {
    const RoundTripCase& c = info.param;
    return std::string(Name(c.encoder)) + "_" + c.format + "_" +
           (c.layout == RowLayout::Bgra32 ? "Bgra32" : "Bgr24") + "_readBy" + Name(c.decoder);
}

constexpr auto Qt = Component::Qt;
constexpr auto Codecs = Component::Codecs;
constexpr auto Bgra = RowLayout::Bgra32;
constexpr auto Bgr = RowLayout::Bgr24;

// JPEG at quality 75 and HEVC at libheif's default quality lose most at the
// dark block's sharp edges, where single channels may be off by more than 100
// after chroma subsampling; the mean catches swapped channels, turned rows
// and wrong colour spaces. Measured over all four channels: JPEG 2.7, HEVC 3.4.
const RoundTripCase kRoundTrips[] = {
    {Qt, "png", Bgra, Qt, 0},
    {Qt, "png", Bgra, Codecs, 0},
    {Qt, "png", Bgr, Qt, 0},
    {Qt, "png", Bgr, Codecs, 0},
    {Qt, "jpeg", Bgr, Qt, 3.5},
    {Qt, "jpeg", Bgr, Codecs, 3.5},
    {Qt, "jpeg", Bgra, Codecs, 3.5},
    {Qt, "bmp", Bgr, Qt, 0},
    {Qt, "bmp", Bgra, Qt, 0},
    {Codecs, "png", Bgra, Qt, 0},
    {Codecs, "png", Bgra, Codecs, 0},
    {Codecs, "png", Bgr, Qt, 0},
    {Codecs, "png", Bgr, Codecs, 0},
    {Codecs, "jpeg", Bgr, Qt, 3.5},
    {Codecs, "jpeg", Bgr, Codecs, 3.5},
    {Codecs, "jpeg", Bgra, Qt, 3.5},
    {Codecs, "bmp", Bgr, Qt, 0},
    {Codecs, "bmp", Bgra, Qt, 0},
    {Codecs, "heic", Bgr, Codecs, 4.5},
    {Codecs, "heic", Bgra, Codecs, 4.5},
};

class RoundTripTest : public EncoderTest, public ::testing::WithParamInterface<RoundTripCase> {};

TEST_P(RoundTripTest, DecodesToWhatWasWritten) {
    const RoundTripCase& c = GetParam();
    if (QByteArray(c.format) == "heic" && !SharedCodecs()->HasHeifEncoder())
        GTEST_SKIP() << "libheif has no HEVC encoder here";
    // Odd sizes: BMP row padding, JPEG and HEVC partial blocks, chroma rounding.
    const QImage original = Pattern(37, 23, /*withAlpha=*/true);
    const auto bytes = Encode(c.encoder, c.format, InLayout(original, c.layout), *SharedCodecs());
    ASSERT_TRUE(bytes);
    const auto decoded = Decode(c.decoder, *bytes, *SharedCodecs());
    ASSERT_TRUE(decoded);
    const bool keepsAlpha = QByteArray(c.format) == "png" && c.layout == Bgra;
    const QImage expected = keepsAlpha ? original : Opaque(original);
    if (c.meanTolerance == 0) {
        EXPECT_EQ(MaxDifference(*decoded, expected), 0);
    } else {
        EXPECT_LE(MeanDifference(*decoded, expected), c.meanTolerance);
    }
    if (QByteArray(c.format) == "png") {
        EXPECT_EQ(PngColorType(*bytes), keepsAlpha ? 6 : 2);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, RoundTripTest, ::testing::ValuesIn(kRoundTrips), CaseName);

struct ResolutionCase {
    Component component;
    const char* format;
    float dpiX, dpiY;
    std::optional<Resolution> stored;
};

// The first component stores the bitmap's resolution, or that of a new bitmap
// when either direction is 0; the second stores none.
const ResolutionCase kResolutions[] = {
    {Qt, "png", 300, 150, Resolution{300, 150}}, {Qt, "jpeg", 300, 150, Resolution{300, 150}},
    {Qt, "bmp", 300, 150, Resolution{300, 150}}, {Qt, "png", 0, 150, Resolution{96, 96}},
    {Qt, "jpeg", 72, 0, Resolution{96, 96}},     {Codecs, "png", 300, 150, std::nullopt},
    {Codecs, "jpeg", 300, 150, std::nullopt},    {Codecs, "bmp", 300, 150, std::nullopt},
};

class ResolutionTest : public EncoderTest, public ::testing::WithParamInterface<ResolutionCase> {};

TEST_P(ResolutionTest, StoredOnlyByTheFirstComponent) {
    const ResolutionCase& c = GetParam();
    const auto bytes =
        Encode(c.component, c.format, Pattern(8, 8, false), *SharedCodecs(), c.dpiX, c.dpiY);
    ASSERT_TRUE(bytes);
    const auto stored = StoredResolution(*bytes);
    ASSERT_EQ(stored.has_value(), c.stored.has_value());
    if (stored) {
        // Whole dots per metre (or per inch for JPEG) are all a file can hold.
        EXPECT_NEAR(stored->x, c.stored->x, 0.05);
        EXPECT_NEAR(stored->y, c.stored->y, 0.05);
    }
}

INSTANTIATE_TEST_SUITE_P(Components, ResolutionTest, ::testing::ValuesIn(kResolutions));

// ---- The BMP writer, byte by byte ----

struct BmpCase {
    int width, height;
    RowLayout layout;
};

class BmpWriterTest : public EncoderTest, public ::testing::WithParamInterface<BmpCase> {};

TEST_P(BmpWriterTest, HeaderRowsAndPaddingAreExact) {
    const BmpCase& c = GetParam();
    const QImage original = Pattern(c.width, c.height, true);
    CheckedRowSource rows(InLayout(original, c.layout));
    BufferSink sink;
    ASSERT_TRUE(EncodeBmp24(rows, sink));
    ASSERT_TRUE(rows.AllRowsRead());
    const QByteArray file = sink.Bytes();
    const auto* p = reinterpret_cast<const uchar*>(file.constData());

    const qsizetype stride = (qsizetype(c.width) * 3 + 3) / 4 * 4;
    ASSERT_EQ(file.size(), 54 + stride * c.height);
    EXPECT_TRUE(file.startsWith("BM"));
    EXPECT_EQ(qFromLittleEndian<quint32>(p + 2), quint32(file.size()));
    EXPECT_EQ(qFromLittleEndian<quint32>(p + 10), 54u);
    EXPECT_EQ(qFromLittleEndian<quint32>(p + 14), 40u);
    EXPECT_EQ(qFromLittleEndian<qint32>(p + 18), c.width);
    EXPECT_EQ(qFromLittleEndian<qint32>(p + 22), c.height);  // positive: bottom-up
    EXPECT_EQ(qFromLittleEndian<quint16>(p + 26), 1);
    EXPECT_EQ(qFromLittleEndian<quint16>(p + 28), 24);
    EXPECT_EQ(qFromLittleEndian<quint32>(p + 30), 0u);
    EXPECT_EQ(qFromLittleEndian<quint32>(p + 34), quint32(stride * c.height));

    int wrong = 0;
    for (int y = 0; y < c.height; ++y) {
        const uchar* fileRow = p + 54 + qsizetype(c.height - 1 - y) * stride;
        const uchar* imageRow = original.constScanLine(y);
        for (int x = 0; x < c.width; ++x)
            for (int k = 0; k < 3; ++k) wrong += fileRow[3 * x + k] != imageRow[4 * x + k];
        for (qsizetype pad = qsizetype(c.width) * 3; pad < stride; ++pad)
            wrong += fileRow[pad] != 0;
    }
    EXPECT_EQ(wrong, 0);

    // And another reader agrees.
    const auto decoded = DecodeWithQt(file);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(MaxDifference(decoded->bitmap.image, Opaque(original)), 0);
}

// Every row padding (widths 1, 2, 3 and 5, 6, 7 need 1, 2, 3 padding bytes),
// bands with a partial last one (1 x 10000 is read in several), and a row
// longer than a band.
const BmpCase kBmpCases[] = {
    {1, 1, Bgr},      {2, 3, Bgr},     {3, 2, Bgra},    {5, 7, Bgr},
    {6, 5, Bgra},     {7, 9, Bgr},     {33, 17, Bgra},  {1, 10000, Bgr},
    {1, 10000, Bgra}, {10000, 1, Bgr}, {90001, 3, Bgr},
};

INSTANTIATE_TEST_SUITE_P(Sizes, BmpWriterTest, ::testing::ValuesIn(kBmpCases));

TEST_F(EncoderTest, BmpLargerThanItsHeaderCanDescribeIsRefusedBeforeAnyRowIsRead) {
    HugeRowSource rows;
    BufferSink sink;
    EXPECT_FALSE(EncodeBmp24(rows, sink));
    EXPECT_TRUE(sink.Bytes().isEmpty());
}

// ---- Failures ----

struct FailureCase {
    Component component;
    const char* format;
};

class EncoderFailureTest : public EncoderTest, public ::testing::WithParamInterface<FailureCase> {
protected:
    void SetUp() override {
        if (QByteArray(GetParam().format) == "heic" && !SharedCodecs()->HasHeifEncoder())
            GTEST_SKIP() << "libheif has no HEVC encoder here";
    }
};

TEST_P(EncoderFailureTest, FullSinkFailsTheEncoding) {
    const FailureCase& c = GetParam();
    const QImage image = InLayout(Pattern(300, 200, false), Bgr);
    const auto complete = Encode(c.component, c.format, image, *SharedCodecs());
    ASSERT_TRUE(complete);
    const std::int64_t size = complete->size();
    for (const std::int64_t capacity : {std::int64_t(0), std::int64_t(20), size / 2, size - 1}) {
        FullSink sink(capacity);
        bool ok;
        if (c.component == Qt) {
            QByteArray qtFormat;
            ASSERT_GE(FindEncoderClsid(QByteArray("image/") + c.format, &qtFormat), 0);
            ok = EncodeWithQt(Bitmap{image, 0, 0}, qtFormat, sink);
        } else {
            ImageRowSource rows(image);
            ok = SharedCodecs()->Encode(QString::fromLatin1(c.format), rows, sink);
        }
        EXPECT_FALSE(ok) << "capacity " << capacity << " of " << complete->size();
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, EncoderFailureTest,
                         ::testing::Values(FailureCase{Qt, "png"}, FailureCase{Qt, "jpeg"},
                                           FailureCase{Qt, "bmp"}, FailureCase{Codecs, "png"},
                                           FailureCase{Codecs, "jpeg"}, FailureCase{Codecs, "bmp"},
                                           FailureCase{Codecs, "heic"}),
                         [](const auto& info) {
                             return std::string(Name(info.param.component)) + "_" +
                                    info.param.format;
                         });

TEST_F(EncoderTest, FailingSourceFailsEverySecondComponentEncoder) {
    // Tall enough for several bands, failing in the last one.
    const QImage image = InLayout(Pattern(40, 3000, false), Bgr);
    for (const char* format : {"png", "jpeg", "bmp", "heic"}) {
        if (QByteArray(format) == "heic" && !SharedCodecs()->HasHeifEncoder()) continue;
        FailingRowSource rows(image, 2990);
        BufferSink sink;
        EXPECT_FALSE(SharedCodecs()->Encode(QString::fromLatin1(format), rows, sink)) << format;
    }
}

TEST_F(EncoderTest, JpegBeyondItsSizeLimitFailsInBothComponents) {
    // JPEG sides end at 65500 pixels.
    const QImage wide = InLayout(Pattern(70000, 1, false), Bgr);
    EXPECT_FALSE(Encode(Qt, "jpeg", wide, *SharedCodecs()));
    EXPECT_FALSE(Encode(Codecs, "jpeg", wide, *SharedCodecs()));
}

// ---- Looking encoders up ----

TEST(EncoderLookupTest, FirstComponentFindsItsEncodersByExactMimeType) {
    struct {
        const char* mime;
        QList<QByteArray> formats;  // any of these names the writer; none: no encoder
    } const cases[] = {
        {"image/png", {"png"}},
        {"image/jpeg", {"jpeg", "jpg"}},
        {"image/bmp", {"bmp", "dib"}},
        {"image/PNG", {}},
        {"image/jpg", {}},
        {"image/x-oblimo", {}},
        {"png", {}},
    };
    for (const auto& c : cases) {
        QByteArray format = "untouched";
        const int index = FindEncoderClsid(c.mime, &format);
        if (!c.formats.isEmpty()) {
            EXPECT_GE(index, 0) << c.mime;
            EXPECT_TRUE(c.formats.contains(format)) << c.mime << ": " << format.constData();
        } else {
            EXPECT_EQ(index, -1) << c.mime;
            EXPECT_EQ(format, QByteArray("untouched")) << c.mime;
        }
    }
}

TEST_F(EncoderTest, SecondComponentKnowsItsFourContainersIgnoringCase) {
    const QImage image = InLayout(Pattern(4, 4, false), Bgr);
    struct {
        const char* name;
        bool known;
    } const cases[] = {{"png", true},
                       {"PNG", true},
                       {"Jpeg", true},
                       {"bmp", true},
                       {"heic", SharedCodecs()->HasHeifEncoder()},
                       {"HEIC", SharedCodecs()->HasHeifEncoder()},
                       {"jpg", false},
                       {"gif", false},
                       {"tiff", false},
                       {"", false}};
    for (const auto& c : cases) {
        ImageRowSource rows(image);
        BufferSink sink;
        EXPECT_EQ(SharedCodecs()->Encode(QString::fromLatin1(c.name), rows, sink), c.known) << c.name;
        EXPECT_EQ(sink.Bytes().isEmpty(), !c.known) << c.name;
    }
}

}  // namespace
