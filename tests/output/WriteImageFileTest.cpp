// Writing a document's result: which pixels go into the file (the result's
// own for a transparent PNG, a fresh opaque rendering otherwise), the margin
// at full opacity, the resolution stamp, and automatic names end to end.

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "app/CTavloApp.h"
#include "document/CTavloDoc.h"
#include "output/SaveWithAutoName.h"
#include "output/Transparency.h"
#include "output/WriteImageFile.h"
#include "platform/SettingsStore.h"
#include "platform/imaging/ImageFormatSniffer.h"
#include "platform/imaging/QtImageComponent.h"
#include "support/EncodedFiles.h"
#include "support/ImageFixtures.h"
#include "support/NoThreadToSpare.h"
#include "support/QtPrinters.h"

using namespace EncodedFiles;

namespace {
const QRgb kSource = qRgb(50, 100, 150);
const QRgb kMargin = qRgb(10, 200, 30);
// The half-transparent source row composed onto the opaque margin.
const QRgb kHalfOnMargin =
    qRgb((50 * 128 + 10 * 127 + 127) / 255, (100 * 128 + 200 * 127 + 127) / 255,
         (150 * 128 + 30 * 127 + 127) / 255);

// A document frozen at step 4: a 40 x 20 source of one colour, its top row
// half transparent, trimmed 16 pixels beyond its left and right edges, so the
// result has a margin band on each side; the margin colour is fully
// transparent. A quarter turn trims the turned image exactly.
constexpr int kW = 40, kH = 20, kM = 16;
class OutputDocument : public CTavloDoc {
public:
    using CTavloDoc::CTavloDoc;

    void Freeze(float sourceDpiX, float sourceDpiY, float angle = 0.0f) {
        QImage pixels(kW, kH, QImage::Format_ARGB32);
        pixels.fill(kSource);
        for (int x = 0; x < kW; ++x) pixels.setPixel(x, 0, (kSource & 0xFFFFFFu) | 0x80000000u);
        m_source = MakeHolder({pixels, sourceDpiX, sourceDpiY});
        auto state = std::make_shared<CUndoItem>();
        state->m_image = m_source;
        state->m_angle = angle;
        const bool quarter = angle == 90.0f;
        state->m_trimLeft = quarter ? -kH / 2.0f : -kW / 2.0f - kM;
        state->m_trimTop = quarter ? -kW / 2.0f : -kH / 2.0f;
        state->m_trimWidth = state->m_resultWidth = quarter ? kH : kW + 2 * kM;
        state->m_trimHeight = state->m_resultHeight = quarter ? kW : kH;
        state->m_scaleX = state->m_scaleY = 1.0;
        m_current = state;
        m_sourceDpiX = sourceDpiX;
        m_sourceDpiY = sourceDpiY;
        FreezeOutputParams();
        m_result = RenderOutputToHolder(m_source);
    }
    void Unfreeze() { m_outputParams.reset(); }

    HolderPtr m_source, m_result;
};

class WriteImageFileTest : public ::testing::Test {
protected:
    WriteImageFileTest() : m_app(m_store), m_doc(m_app) {}

    void SetUp() override {
        ASSERT_TRUE(m_app.InitInstance());
        m_app.settings.CardBoard_R = qRed(kMargin);
        m_app.settings.CardBoard_G = qGreen(kMargin);
        m_app.settings.CardBoard_B = qBlue(kMargin);
        m_app.settings.CardBoard_A = 0;
        m_doc.Freeze(300, 150);
        ASSERT_TRUE(m_doc.m_result);
        ASSERT_TRUE(HasTransparency(m_doc.m_result->Image()));
        // What the opaque files must hold: the margin colour at full opacity
        // beside the source.
        m_opaque = QImage(kW + 2 * kM, kH, QImage::Format_ARGB32);
        m_opaque.fill(kMargin);
        for (int y = 0; y < kH; ++y)
            for (int x = kM; x < kM + kW; ++x)
                m_opaque.setPixel(x, y, y == 0 ? kHalfOnMargin : kSource);
    }

    bool Write(const QString& name, bool transparent) {
        return WriteImageFile(m_doc, m_doc.m_result, transparent, m_doc.m_source,
                              m_folder.filePath(name));
    }
    QByteArray Read(const QString& name) const {
        return Fixtures::ReadFile(m_folder.filePath(name));
    }
    QStringList Entries() const {
        return QDir(m_folder.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                       QDir::Name);
    }

    SettingsStore m_store;
    CTavloApp m_app;
    OutputDocument m_doc;
    QTemporaryDir m_folder;
    QImage m_opaque;
};

// The opaque rendering goes to the encoder through helper threads; when the
// system has none to give, the rows are rendered on the writing thread and the
// file is the same.
TEST_F(WriteImageFileTest, WithoutAThreadToSpareTheOpaqueFileIsStillWritten) {
    bool written = false;
    {
        const NoThreadToSpare limit;
        ASSERT_TRUE(limit.Active());
        written = Write("opaque.bmp", false);
    }
    ASSERT_TRUE(written);
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("opaque.bmp")});
    const auto decoded = DecodeWithQt(Read("opaque.bmp"));
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->bitmap.image.size(), m_opaque.size());
    EXPECT_LE(MaxDifference(decoded->bitmap.image, m_opaque), 1);
}

TEST_F(WriteImageFileTest, TransparentPngKeepsTheResultsOwnPixels) {
    ASSERT_TRUE(Write("result.png", true));
    const QByteArray file = Read("result.png");
    EXPECT_EQ(PngColorType(file), 6);
    const auto decoded = DecodeWithQt(file);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(MaxDifference(decoded->bitmap.image, m_doc.m_result->Image()), 0);
    EXPECT_EQ(qAlpha(decoded->bitmap.image.pixel(0, 0)), 0);
}

// Everything but a transparent PNG is rendered again in 24 bits: the margin
// takes its colour at full opacity and no file carries alpha.
TEST_F(WriteImageFileTest, OtherCasesAreRenderedOpaque) {
    struct {
        const char* name;
        bool transparent;
        ContainerFormat container;
        bool exact;
    } const cases[] = {
        {"opaque.png", false, ContainerFormat::Png, true},
        {"flat.bmp", true, ContainerFormat::Bmp, true},
        {"flat.BMP", false, ContainerFormat::Bmp, true},
        {"flat.JPEG", true, ContainerFormat::Jpeg, false},
        {"flat.gif", false, ContainerFormat::Png, true},
        {"flat.heic", false, ContainerFormat::Png, true},  // written as PNG without HEIF
    };
    m_app.HeifAvailable = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Write(c.name, c.transparent));
        const QByteArray file = Read(c.name);
        EXPECT_EQ(SniffContainerFormat(file), c.container);
        if (c.container == ContainerFormat::Png) {
            EXPECT_EQ(PngColorType(file), 2);
        }
        const auto decoded = DecodeWithQt(file);
        ASSERT_TRUE(decoded);
        const QImage& image = decoded->bitmap.image;
        ASSERT_EQ(image.size(), m_opaque.size());
        if (!c.exact) {
            // JPEG blurs the sharp margin edges; a black margin would give 22.
            EXPECT_LE(MeanDifference(image, m_opaque), 4.0);
            continue;
        }
        // One step of rounding in the composition.
        EXPECT_LE(MaxDifference(image, m_opaque), 1);
        for (const QPoint at : {QPoint(0, 0), QPoint(kM - 1, kH - 1), QPoint(kW + kM, 5)})
            EXPECT_EQ(image.pixel(at), kMargin | 0xFF000000u) << at.x() << "," << at.y();
        for (const QPoint at : {QPoint(kM, 1), QPoint(kM + 12, 5), QPoint(kM + kW - 1, kH - 1)})
            EXPECT_EQ(image.pixel(at), kSource | 0xFF000000u) << at.x() << "," << at.y();
    }
}

TEST_F(WriteImageFileTest, ResolutionIsStampedByTheFirstComponentOnly) {
    struct {
        const char* label;
        int useWic;
        float sourceDpiX, sourceDpiY, angle;
        bool transparent;
        std::optional<Resolution> stored;
    } const cases[] = {
        {"stamped", 1, 300, 150, 0, false, Resolution{300, 150}},
        {"stampedTransparent", 1, 300, 150, 0, true, Resolution{300, 150}},
        {"quarterTurnExchanges", 1, 300, 150, 90, false, Resolution{150, 300}},
        {"zeroGivesNewBitmapDefault", 1, 300, 0, 0, false, Resolution{96, 96}},
        {"secondComponentStampsNone", 2, 300, 150, 0, false, std::nullopt},
        {"secondComponentTransparent", 2, 300, 150, 0, true, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        m_app.UseWIC = c.useWic;
        m_doc.Freeze(c.sourceDpiX, c.sourceDpiY, c.angle);
        for (const char* name : {"r.png", "r.jpg", "r.bmp"}) {
            SCOPED_TRACE(name);
            ASSERT_TRUE(Write(name, c.transparent));
            const auto stored = StoredResolution(Read(name));
            ASSERT_EQ(stored.has_value(), c.stored.has_value());
            if (stored) {
                EXPECT_NEAR(stored->x, c.stored->x, 0.05);
                EXPECT_NEAR(stored->y, c.stored->y, 0.05);
            }
        }
    }
}

TEST_F(WriteImageFileTest, HeifIsWrittenOnlyWithAnEncoder) {
    if (!m_app.WicFactory || !m_app.WicFactory->HasHeifEncoder())
        GTEST_SKIP() << "libheif has no HEVC encoder here";
    m_app.HeifAvailable = 1;
    ASSERT_TRUE(Write("phone.HEIC", false));
    const QByteArray file = Read("phone.HEIC");
    ASSERT_EQ(SniffContainerFormat(file), ContainerFormat::Heif);
    const auto decoded = m_app.WicFactory->Decode(file);
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(
        Fixtures::ColorNear(decoded->bitmap.image.pixelColor(kM + 12, 5), QColor(kSource), 12));
}

TEST_F(WriteImageFileTest, FailedRenderingLeavesTheOldFile) {
    Fixtures::WriteFile(m_folder.path(), "keep.jpg", "old");
    m_doc.Unfreeze();
    EXPECT_FALSE(Write("keep.jpg", false));
    EXPECT_EQ(Read("keep.jpg"), "old");
    EXPECT_EQ(Entries(), QStringList{"keep.jpg"});
}

TEST_F(WriteImageFileTest, SaveAsReplacesAnExistingFile) {
    Fixtures::WriteFile(m_folder.path(), "again.png", "old");
    ASSERT_TRUE(Write("again.png", true));
    EXPECT_EQ(SniffContainerFormat(Read("again.png")), ContainerFormat::Png);
    EXPECT_EQ(Entries(), QStringList{"again.png"});
}

TEST_F(WriteImageFileTest, AutomaticNamesFromTheDocument) {
    const QString input = m_folder.filePath("photo.jpg");
    QStringList written;
    for (const bool transparent : {true, false, false}) {
        QString output;
        ASSERT_TRUE(
            SaveWithAutoName(m_doc, m_doc.m_result, transparent, m_doc.m_source, input, &output));
        written << QDir(m_folder.path()).relativeFilePath(output);
    }
    EXPECT_EQ(written, (QStringList{"photo-Oblimo.png", "photo-Oblimo.jpg", "photo-Oblimo2.jpg"}));
    EXPECT_EQ(PngColorType(Read("photo-Oblimo.png")), 6);
    EXPECT_EQ(SniffContainerFormat(Read("photo-Oblimo2.jpg")), ContainerFormat::Jpeg);
}

TEST_F(WriteImageFileTest, AutomaticNameIntoAMissingFolderFails) {
    m_app.settings.SaveFolder = 2;
    m_app.settings.SaveFolderSpecified = m_folder.filePath("gone");
    QString output;
    EXPECT_FALSE(SaveWithAutoName(m_doc, m_doc.m_result, false, m_doc.m_source,
                                  m_folder.filePath("photo.jpg"), &output));
    EXPECT_EQ(output, m_folder.filePath("gone/photo-Oblimo.jpg"));
    EXPECT_TRUE(Entries().isEmpty());
}

}  // namespace
