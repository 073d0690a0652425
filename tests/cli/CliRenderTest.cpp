// tavlo-cli render and autosave, run as real programs.

#include <gtest/gtest.h>

#include <QDir>
#include <QImageReader>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "support/ImageFixtures.h"
#include "support/ProcessRunner.h"
#include "support/TestEnvironment.h"

using namespace Fixtures;

namespace {
class CliRenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestEnvironment::ClearSettings();
        QImage photo = Quadrants(1000, 600);
        for (int y = 0; y < 600; y += 7)
            for (int x = 0; x < 1000; x += 5) photo.setPixel(x, y, qRgb(x % 256, y % 256, 90));
        m_png = WriteFile(m_folder.path(), "photo.png", EncodeWithQt(photo, "png"));
        m_jpg = WriteFile(m_folder.path(), "photo.jpg", EncodeWithQt(photo, "jpeg", 92));
    }
    void TearDown() override { TestEnvironment::ClearSettings(); }

    ProcessResult Cli(const QString& command, const QStringList& arguments) {
        return RunProgram(TAVLO_CLI, QStringList{command} + arguments, m_folder.path());
    }
    QString Path(const QString& name) const { return m_folder.path() + "/" + name; }

    QTemporaryDir m_folder;
    QString m_png, m_jpg;
};

QSize PrintedSize(const ProcessResult& result) {
    const QJsonObject json = QJsonDocument::fromJson(result.out).object();
    return QSize(json["width"].toInt(-1), json["height"].toInt(-1));
}

QImage Read(const QString& path) {
    QImageReader reader(path);
    reader.setAutoTransform(false);
    return reader.read();
}

TEST_F(CliRenderTest, RendersTheDefaultFrameScaledOrTyped) {
    struct Case {
        QStringList options;
        QSize size;
    };
    const Case cases[] = {
        {{"--angle", "10"}, QSize(784, 470)},
        {{"--angle=-10"}, QSize(784, 470)},
        {{"--angle", "90"}, QSize(600, 1000)},
        {{"--angle", "10", "--scale", "2"}, QSize(1568, 940)},
        {{"--angle", "10", "--result", "1568x939"}, QSize(1568, 939)},
        {{"--frame", "-80,-80,80,80"}, QSize(160, 160)},
        {{"--frame=-80,-80,80,80", "--flip-x", "--flip-y"}, QSize(160, 160)},
    };
    for (const Case& c : cases) {
        const QString out = Path("out.png");
        QFile::remove(out);
        const ProcessResult result = Cli("render", QStringList{m_png, "-o", out} + c.options);
        ASSERT_EQ(result.exitCode, 0)
            << c.options.join(' ').toStdString() << result.err.toStdString();
        EXPECT_EQ(PrintedSize(result), c.size) << c.options.join(' ').toStdString();
        EXPECT_EQ(Read(out).size(), c.size);
    }
}

TEST_F(CliRenderTest, IdentityRenderGivesTheSourceBack) {
    const ProcessResult result = Cli("render", {m_png, "-o", Path("same.png")});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(Read(Path("same.png")).convertToFormat(QImage::Format_RGB32),
              Read(m_png).convertToFormat(QImage::Format_RGB32));
}

TEST_F(CliRenderTest, StreamedAndWholeImageWritingGiveTheSamePixels) {
    // UseWIC 2 streams the rendering into libpng band by band; UseWIC 1 renders
    // the whole image and hands it to Qt's writer. PNG is lossless: the pixels
    // must agree exactly.
    for (const QString angle : {"10", "-33.3", "0"}) {
        ASSERT_EQ(Cli("render", {m_jpg, "-o", Path("qt.png"), "--angle", angle, "--use-wic", "1"})
                      .exitCode,
                  0);
        ASSERT_EQ(
            Cli("render", {m_jpg, "-o", Path("streamed.png"), "--angle", angle, "--use-wic", "2"})
                .exitCode,
            0);
        const QImage whole = Read(Path("qt.png")), streamed = Read(Path("streamed.png"));
        ASSERT_FALSE(whole.isNull());
        EXPECT_EQ(whole.convertToFormat(QImage::Format_RGB32),
                  streamed.convertToFormat(QImage::Format_RGB32))
            << angle.toStdString();
    }
}

TEST_F(CliRenderTest, MarginAndTransparencyFollowTheFormat) {
    const QStringList beyond = {"--frame", "-520,-320,519,319"};
    // The default margin is transparent white: PNG keeps it, JPEG flattens it.
    ASSERT_EQ(Cli("render", QStringList{m_png, "-o", Path("t.png")} + beyond).exitCode, 0);
    EXPECT_EQ(qAlpha(Read(Path("t.png")).pixel(0, 0)), 0);
    ASSERT_EQ(Cli("render", QStringList{m_png, "-o", Path("t.jpg")} + beyond).exitCode, 0);
    EXPECT_TRUE(ColorNear(Read(Path("t.jpg")).pixelColor(2, 2), QColor(255, 255, 255), 4));
    // An opaque red margin, stored red 256 contributes 0.
    ASSERT_EQ(
        Cli("render", QStringList{m_png, "-o", Path("red.png"), "--margin", "255,0,0,255"} + beyond)
            .exitCode,
        0);
    EXPECT_EQ(Read(Path("red.png")).pixel(0, 0), qRgb(255, 0, 0));
    ASSERT_EQ(Cli("render",
                  QStringList{m_png, "-o", Path("dark.png"), "--margin", "256,7,8,255"} + beyond)
                  .exitCode,
              0);
    EXPECT_EQ(Read(Path("dark.png")).pixel(0, 0), qRgb(0, 7, 8));
}

TEST_F(CliRenderTest, SizesTheEditorWouldRefuseAndBadUsage) {
    struct Case {
        QStringList options;
        int exitCode;
        QString message;
    };
    const Case cases[] = {
        {{"--angle", "10", "--result", "700x470"},
         1,
         "トリム後サイズより小さくすることはできません。"},
        {{"--scale", "0"}, 1, "そのサイズにはできません。"},
        {{"--result", "0x600"}, 1, "そのサイズにはできません。"},
        {{"--angle", "ten"}, 2, QString()},
        {{"--frame", "1,2,3"}, 2, QString()},
        {{"--frobnicate"}, 2, QString()},
        {{"--scale", "2", "--result", "10x10"}, 2, QString()},
    };
    for (const Case& c : cases) {
        const ProcessResult result =
            Cli("render", QStringList{m_png, "-o", Path("x.png")} + c.options);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.options.join(' ').toStdString();
        if (!c.message.isEmpty()) EXPECT_EQ(QString::fromUtf8(result.err).trimmed(), c.message);
        EXPECT_FALSE(QFile::exists(Path("x.png")));
    }
    EXPECT_EQ(Cli("render", {m_png}).exitCode, 2);  // no -o
    const ProcessResult missing = Cli("render", {Path("missing.png"), "-o", Path("x.png")});
    EXPECT_EQ(missing.exitCode, 1);
}

TEST_F(CliRenderTest, AutosaveNumbersNamesAndNeverOverwrites) {
    ProcessResult result = Cli("autosave", {m_jpg, "--angle", "10"});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out.trimmed(), Path("photo-Oblimo.jpg").toUtf8());
    result = Cli("autosave", {m_jpg, "--angle", "10"});
    EXPECT_EQ(result.out.trimmed(), Path("photo-Oblimo2.jpg").toUtf8());
    EXPECT_EQ(Read(Path("photo-Oblimo2.jpg")).size(), QSize(784, 470));

    // A transparent result becomes PNG.
    result = Cli("autosave", {m_jpg, "--frame", "-520,-320,519,319"});
    EXPECT_EQ(result.out.trimmed(), Path("photo-Oblimo.png").toUtf8());

    result = Cli("autosave", {m_jpg, "--save-folder", "1", "--sub", "done"});
    EXPECT_EQ(result.out.trimmed(), Path("done/photo-Oblimo.jpg").toUtf8());
    QTemporaryDir elsewhere;
    result = Cli("autosave", {m_jpg, "--save-folder", "2", "--folder", elsewhere.path()});
    EXPECT_EQ(result.out.trimmed(), (elsewhere.path() + "/photo-Oblimo.jpg").toUtf8());

    result = Cli("autosave", {m_jpg, "--save-folder", "2", "--folder", Path("no/such/folder")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(QString::fromUtf8(result.err).trimmed(),
              "ファイルに書き込めません。\n" + Path("no/such/folder/photo-Oblimo.jpg"));
}
}  // namespace

// A JPEG is decoded while its result is rendered, and a fault in its data is
// found only part way through. The job must still fail as a file that cannot
// be loaded, with nothing written, also where the frame shows only rows above
// the damage, and also for data the usual decoding takes in one piece.
TEST_F(CliRenderTest, SourceDamagedPartWayFailsAsUnloadableAndWritesNothing) {
    QFile file(m_jpg);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray jpeg = file.readAll();
    const QString damaged =
        WriteFile(m_folder.path(), "damaged.jpg", jpeg.left(jpeg.size() * 3 / 4) + "\xff\xd9");
    const QString cut = WriteFile(m_folder.path(), "cut.jpg", jpeg.left(jpeg.size() * 3 / 4));
    const QStringList before = QDir(m_folder.path()).entryList(QDir::Files | QDir::Hidden);
    for (const QString& source : {damaged, cut})
        for (const char* useWic : {"0", "1", "2"})
            for (const QStringList& edit : {QStringList{"--angle", "10"},
                                            QStringList{"--angle", "1", "--frame", "0,0,900,60"},
                                            QStringList{"--angle", "175", "--flip-y"}})
                for (const bool autosave : {false, true}) {
                    const QStringList options =
                        QStringList{source, "--use-wic", useWic, "--save-folder", "0"} + edit;
                    SCOPED_TRACE((options.join(' ') + (autosave ? " autosave" : "")).toStdString());
                    const ProcessResult result =
                        autosave ? Cli("autosave", options)
                                 : Cli("render", options + QStringList{"-o", Path("x.jpg")});
                    EXPECT_EQ(result.exitCode, 1);
                    EXPECT_EQ(QString::fromUtf8(result.err), "ファイルをロードできません。\n");
                    EXPECT_EQ(QDir(m_folder.path()).entryList(QDir::Files | QDir::Hidden), before);
                }
}
