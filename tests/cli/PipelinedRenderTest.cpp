// tavlo-cli render and autosave decode a JPEG source while its result is
// already being rendered and written. The file must be byte for byte the one
// made from the source decoded first, for every component and format, also
// where the rendering starts from the bottom of the source (mirrored, turned
// far); and a source found damaged part way through must leave no file.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <optional>

#include "app/CTavloApp.h"
#include "cli/CliArguments.h"
#include "cli/RenderJob.h"
#include "document/CTavloDoc.h"
#include "output/WriteImageFile.h"
#include "platform/SettingsStore.h"
#include "support/ImageFixtures.h"
#include "support/JpegWriter.h"
#include "support/TestEnvironment.h"

using namespace JpegWriter;

namespace {
class PipelinedRenderTest : public ::testing::Test {
protected:
    PipelinedRenderTest() : m_app(m_store) {}

    void SetUp() override {
        TestEnvironment::ClearSettings();
        ASSERT_TRUE(m_app.InitInstance());
        ASSERT_TRUE(m_app.WicFactory);
        JpegSpec spec;
        spec.image = Noisy(611, 397, 5);
        spec.densityX = 300, spec.densityY = 300;
        m_baseline = Fixtures::WriteFile(m_folder.path(), "baseline.jpg", Jpeg(spec));
        spec.progressive = true;
        m_progressive = Fixtures::WriteFile(m_folder.path(), "progressive.jpg", Jpeg(spec));
    }
    void TearDown() override { TestEnvironment::ClearSettings(); }

    // Prepares the job as tavlo-cli render does and writes it; the bytes
    // written, or none. arrived: the source was used while it was decoded.
    // source: the job's source, kept for a look after writing.
    std::optional<QByteArray> Render(QStringList arguments, const QString& out,
                                     SourceDecoding decoding, bool* arrived,
                                     HolderPtr* source = nullptr) {
        QString error;
        const auto parsed = CliArguments::Parse(arguments, EditOptionsSpec({"-o"}), &error);
        if (!parsed || ApplySettingOptions(m_app, *parsed) != 0) return std::nullopt;
        RenderJob job;
        const bool png = out.endsWith(".png");
        if (PrepareRenderJob(m_app, *parsed, &job, png, decoding) != 0) return std::nullopt;
        *arrived = job.source->FilledWhileArriving();
        if (source) *source = job.source;
        const QString path = m_folder.path() + "/" + out;
        // As tavlo-cli render writes: the source's rows given back as they are done with.
        const SourceAfterWriting after = decoding == SourceDecoding::WhileUsed
                                             ? SourceAfterWriting::Dropped
                                             : SourceAfterWriting::Kept;
        if (!WriteImageFile(*job.document, job.result, job.transparent, job.source, path,
                            FilePublish::Replace, after))
            return std::nullopt;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
        const QByteArray bytes = file.readAll();
        file.remove();
        return bytes;
    }

    QTemporaryDir m_folder;
    SettingsStore m_store;
    CTavloApp m_app;
    QString m_baseline, m_progressive;
};

TEST_F(PipelinedRenderTest, FilesAreThoseOfTheSourceDecodedFirst) {
    const QStringList edits[] = {
        {"--angle", "10"},
        {"--angle", "170", "--flip-y"},
        {"--angle", "-50", "--flip-x", "--scale", "1.3"},
        {"--angle", "3", "--frame", "20,10,300,120"},
        // A margin with some transparency: PNG keeps it, the others compose it.
        {"--angle", "25", "--margin", "200,40,90,100"},
    };
    for (const QString& source : {m_baseline, m_progressive})
        for (const char* useWic : {"1", "2"})
            for (const QStringList& edit : edits)
                for (const char* out : {"out.jpg", "out.png", "out.bmp"}) {
                    const QStringList arguments = QStringList{source, "--use-wic", useWic} + edit;
                    SCOPED_TRACE((arguments.join(' ') + " -> " + out).toStdString());
                    bool arrivedWhole = true, arrivedWhileUsed = false;
                    const auto whole = Render(arguments, out, SourceDecoding::Whole, &arrivedWhole);
                    const auto whileUsed =
                        Render(arguments, out, SourceDecoding::WhileUsed, &arrivedWhileUsed);
                    ASSERT_TRUE(whole && whileUsed);
                    EXPECT_FALSE(arrivedWhole);
                    EXPECT_TRUE(arrivedWhileUsed);
                    EXPECT_GT(whole->size(), 100);
                    EXPECT_TRUE(*whole == *whileUsed);
                }
}

// A source large enough for its memory to be given back while the file is
// written: the rows given back must be ones no later row samples.
TEST_F(PipelinedRenderTest, GivingBackSourceRowsChangesNoFile) {
    JpegSpec spec;
    spec.image = Noisy(2400, 1800, 3);
    const QString large = Fixtures::WriteFile(m_folder.path(), "large.jpg", Jpeg(spec));
    const QStringList edits[] = {
        {"--angle", "10"},
        {"--angle", "-35", "--scale", "1.4"},
        {"--angle", "60", "--flip-x"},
        {"--angle", "1", "--frame", "100,900,2000,1700"},
    };
    for (const char* useWic : {"1", "2"})
        for (const QStringList& edit : edits)
            for (const char* out : {"out.jpg", "out.bmp"}) {
                const QStringList arguments = QStringList{large, "--use-wic", useWic} + edit;
                SCOPED_TRACE((arguments.join(' ') + " -> " + out).toStdString());
                bool arrived = false;
                HolderPtr source;
                const auto whole = Render(arguments, out, SourceDecoding::Whole, &arrived);
                const auto whileUsed =
                    Render(arguments, out, SourceDecoding::WhileUsed, &arrived, &source);
                ASSERT_TRUE(whole && whileUsed && source);
                EXPECT_TRUE(*whole == *whileUsed);
                // The top rows, sampled by the first output rows only, were
                // given back: they read as zeros now.
                const uchar* top = source->RawPixels();
                EXPECT_TRUE(
                    std::all_of(top, top + source->Stride() * 16, [](uchar b) { return b == 0; }));
            }
}

TEST_F(PipelinedRenderTest, DamageBelowTheFramedRowsLeavesNoFile) {
    // The frame shows only the top rows; the damage is far below them, where
    // the rendering never looks. The result must still not appear.
    JpegSpec spec;
    spec.image = Noisy(600, 1200, 9);
    const QByteArray whole = Jpeg(spec);
    const QString damaged = Fixtures::WriteFile(m_folder.path(), "damaged.jpg",
                                                whole.left(whole.size() * 3 / 4) + "\xff\xd9");
    for (const char* useWic : {"1", "2"}) {
        SCOPED_TRACE(useWic);
        const QStringList arguments{damaged, "--use-wic", useWic,       "--angle",
                                    "2",     "--frame",   "0,0,500,100"};
        QString error;
        const auto parsed = CliArguments::Parse(arguments, EditOptionsSpec({"-o"}), &error);
        ASSERT_TRUE(parsed);
        ASSERT_EQ(ApplySettingOptions(m_app, *parsed), 0);
        RenderJob job;
        ASSERT_EQ(PrepareRenderJob(m_app, *parsed, &job, false, SourceDecoding::WhileUsed), 0);
        ASSERT_TRUE(job.source->FilledWhileArriving());
        const QString out = m_folder.path() + "/out.jpg";
        EXPECT_FALSE(WriteImageFile(*job.document, job.result, job.transparent, job.source, out));
        EXPECT_FALSE(job.source->WaitUntilComplete());
        EXPECT_EQ(QDir(m_folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 3)
            << QDir(m_folder.path()).entryList(QDir::Files | QDir::Hidden).join(' ').toStdString();
    }
}
}  // namespace
