// Opaque files are encoded while they are rendered, band by band. The bytes
// must be exactly those of the full-image path they replace: the whole result
// rendered first, then handed to the component's writer (QImageWriter for the
// first component, the codec libraries for the second).

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>

#include "app/CTavloApp.h"
#include "document/CTavloDoc.h"
#include "document/FrameGeometry.h"
#include "output/BitmapFileWriter.h"
#include "output/OutputFormat.h"
#include "output/WriteImageFile.h"
#include "platform/SettingsStore.h"
#include "platform/imaging/ImageFormatSniffer.h"
#include "support/ImageFixtures.h"

namespace {
// A noisy source, so that the codecs' choices (tables, filters, zlib level)
// show in the bytes, turned so that the rows differ from band to band, with a
// frame reaching a little beyond the turned image so the margin shows too.
class StreamedDocument : public CTavloDoc {
public:
    using CTavloDoc::CTavloDoc;

    void Freeze(float dpiX, float dpiY, float angle) {
        constexpr int w = 341, h = 227;  // odd sizes: BMP rows need padding
        QImage pixels(w, h, QImage::Format_ARGB32);
        quint32 seed = 7;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                seed = seed * 1664525u + 1013904223u;
                const int noise = int(seed >> 27) - 16;
                pixels.setPixel(
                    x, y,
                    qRgb(std::clamp(x * 255 / w + noise, 0, 255),
                         std::clamp(y * 255 / h - noise, 0, 255), (x * y / 13 + noise) & 0xff));
            }
        m_source = MakeHolder({pixels, dpiX, dpiY});
        auto state = std::make_shared<CUndoItem>();
        state->m_image = m_source;
        state->m_angle = angle;
        FrameRect frame = DefaultTrimFrame(w, h, angle);
        frame.left -= 6.0f, frame.right += 9.0f;
        const TrimSize trim = ComputeTrimSize(frame, *state);
        state->m_trimLeft = frame.left, state->m_trimTop = frame.top;
        state->m_trimRight = frame.right, state->m_trimBottom = frame.bottom;
        state->m_trimWidth = trim.width, state->m_trimHeight = trim.height;
        state->m_scaleX = state->m_scaleY = 1.25;
        state->m_resultWidth = ResultFromFactor(trim.width, 1.25);
        state->m_resultHeight = ResultFromFactor(trim.height, 1.25);
        m_current = state;
        m_sourceDpiX = dpiX;
        m_sourceDpiY = dpiY;
        FreezeOutputParams();
    }

    HolderPtr m_source;
};

class StreamedWriteTest : public ::testing::Test {
protected:
    StreamedWriteTest() : m_app(m_store), m_doc(m_app) {}

    void SetUp() override {
        ASSERT_TRUE(m_app.InitInstance());
        ASSERT_TRUE(m_app.WicFactory);
        m_app.settings.CardBoard_R = 200, m_app.settings.CardBoard_G = 40;
        m_app.settings.CardBoard_B = 90, m_app.settings.CardBoard_A = 100;
    }

    // The path the streamed writer replaced: the whole result in 24 bits, the
    // document's output resolution stamped, one writer call.
    QByteArray Reference(const QString& name) {
        Bitmap bitmap = m_doc.RenderOutput(m_doc.m_source, OutputPixelFormat::Rgb24);
        if (bitmap.IsNull()) return {};
        const bool stamped = m_doc.m_outputDpiX != 0.0f && m_doc.m_outputDpiY != 0.0f;
        bitmap.dpiX = stamped ? m_doc.m_outputDpiX : kNewBitmapDpi;
        bitmap.dpiY = stamped ? m_doc.m_outputDpiY : kNewBitmapDpi;
        const QString path = m_folder.filePath("reference-" + name);
        const ImagingServices imaging = m_app.Imaging();
        if (!WriteBitmapFile(std::move(bitmap), OutputFormatForPath(path, imaging.HeifAvailable),
                             imaging, path, FilePublish::Replace))
            return {};
        return Fixtures::ReadFile(path);
    }

    QByteArray Streamed(const QString& name, bool transparent) {
        const QString path = m_folder.filePath(name);
        if (!WriteImageFile(m_doc, nullptr, transparent, m_doc.m_source, path)) return {};
        return Fixtures::ReadFile(path);
    }

    SettingsStore m_store;
    CTavloApp m_app;
    StreamedDocument m_doc;
    QTemporaryDir m_folder;
};

// Where two files part, for a readable failure instead of two dumps.
std::string FirstDifference(const QByteArray& a, const QByteArray& b) {
    qsizetype i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    return "sizes " + std::to_string(a.size()) + " / " + std::to_string(b.size()) +
           ", first difference at byte " + std::to_string(i);
}

TEST_F(StreamedWriteTest, BytesAreThoseOfTheFullImagePath) {
    struct {
        const char* label;
        float dpiX, dpiY, angle;
    } const documents[] = {
        // JFIF density per inch.
        {"dpi300x150", 300, 150, 10},
        // Whole dots per centimetre: Qt's writer then stores per centimetre.
        {"dpi254x127", 254, 127, -7.5f},
        // No resolution: that of a new bitmap; a quarter turn and more.
        {"noResolution", 0, 0, 100},
    };
    const char* const names[] = {"out.jpg", "out.png", "out.bmp"};
    for (const auto& d : documents) {
        m_doc.Freeze(d.dpiX, d.dpiY, d.angle);
        for (const int useWic : {0, 1, 2}) {
            m_app.UseWIC = useWic;
            for (const char* name : names) {
                // A transparent flag does not matter outside PNG: still opaque.
                for (const bool transparent : {false, true}) {
                    if (transparent && QString(name).endsWith("png")) continue;
                    SCOPED_TRACE(std::string(d.label) + " UseWIC " + std::to_string(useWic) + " " +
                                 name + (transparent ? " transparent" : ""));
                    const QByteArray reference = Reference(name);
                    const QByteArray streamed = Streamed(name, transparent);
                    ASSERT_FALSE(reference.isEmpty());
                    ASSERT_FALSE(streamed.isEmpty());
                    EXPECT_NE(SniffContainerFormat(streamed), ContainerFormat::Unknown);
                    EXPECT_TRUE(streamed == reference) << FirstDifference(streamed, reference);
                }
            }
        }
    }
}

}  // namespace
