// tavlo-cli info, run as a real program.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "platform/SettingsStore.h"
#include "support/FormatWriters.h"
#include "support/ImageFixtures.h"
#include "support/ProcessRunner.h"
#include "support/TestEnvironment.h"

using namespace Fixtures;

namespace {
class CliInfoTest : public ::testing::Test {
protected:
    void SetUp() override { TestEnvironment::ClearSettings(); }
    void TearDown() override { TestEnvironment::ClearSettings(); }

    ProcessResult Info(const QStringList& arguments) {
        return RunProgram(TAVLO_CLI, QStringList{"info"} + arguments);
    }
    QTemporaryDir m_folder;
};

QJsonObject ParseLine(const QByteArray& out) {
    EXPECT_TRUE(out.endsWith('\n'));
    EXPECT_EQ(out.count('\n'), 1);
    return QJsonDocument::fromJson(out).object();
}

TEST_F(CliInfoTest, PrintsSizeAfterOrientationResolutionAndTransparency) {
    QImage image = Quadrants(40, 20);
    image.setDotsPerMeterX(qRound(300 / 0.0254));
    image.setDotsPerMeterY(qRound(150 / 0.0254));
    const QString jpeg = WriteFile(m_folder.path(), "turned.jpg", JpegWithOrientation(image, 6));
    ProcessResult result = Info({jpeg});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    // Turned a quarter, the picture's axes and so its resolutions are exchanged.
    EXPECT_EQ(result.out,
              "{\"width\":20,\"height\":40,\"dpi_x\":150,\"dpi_y\":300,\"has_transparency\":false,"
              "\"icc\":null}\n");

    // The second component does not carry the file's resolution over.
    result = Info({jpeg, "--use-wic", "2"});
    ASSERT_EQ(result.exitCode, 0);
    const QJsonObject second = ParseLine(result.out);
    EXPECT_EQ(second["width"].toInt(), 20);
    EXPECT_EQ(second["dpi_x"].toDouble(), 96.0);

    image.setPixel(3, 3, qRgba(1, 2, 3, 254));
    const QString png = WriteFile(m_folder.path(), "alpha.png", EncodeWithQt(image, "png"));
    result = Info({"--use-wic=1", png});
    ASSERT_EQ(result.exitCode, 0);
    EXPECT_TRUE(ParseLine(result.out)["has_transparency"].toBool());
}

TEST_F(CliInfoTest, UseWicComesFromTheStoreUnlessGiven) {
    const QString heic = WriteFile(m_folder.path(), "photo.heic", EncodeHeic(Quadrants(32, 16)));
    {
        SettingsStore store;
        store.WriteInt("Settings", "UseWIC", 0);
        store.Flush();
    }
    ProcessResult result = Info({heic});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.out.isEmpty());
    EXPECT_EQ(QString::fromUtf8(result.err).trimmed(), "ファイルをロードできません。");
    result = Info({heic, "--use-wic", "1"});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(ParseLine(result.out)["width"].toInt(), 32);
}

TEST_F(CliInfoTest, BadUsageExitsWithTwo) {
    const QString png = WriteFile(m_folder.path(), "a.png", EncodeWithQt(Quadrants(4, 4), "png"));
    for (const QStringList& arguments :
         {QStringList{}, QStringList{png, "--use-wic", "3"}, QStringList{png, "--frobnicate"},
          QStringList{png, png}, QStringList{png, "--use-wic"}}) {
        const ProcessResult result = Info(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(result.err.contains("usage:"));
    }
}

TEST_F(CliInfoTest, AnImageThatStoresNoResolutionHasNinetySixDpiAsInTheEditor) {
    FormatWriters::PngSpec png;
    png.width = 2, png.samples = {1, 2, 3, 4, 5, 6};
    FormatWriters::PngSpec hundred = png;
    hundred.dotsPerMetre = {{3937, 3937}};
    FormatWriters::BmpSpec bmp;
    bmp.pixelData = {1, 2, 3};
    const struct {
        const char* name;
        QByteArray bytes;
        double dpi;
    } cases[] = {{"plain.png", FormatWriters::Png(png), 96},
                 {"plain.bmp", FormatWriters::Bmp(bmp), 96},
                 {"plain.gif", ReadFile(FixturePath("animated-red-then-blue.gif")), 96},
                 // Exactly what Qt gives a file without resolution here, but stored.
                 {"hundred.png", FormatWriters::Png(hundred), 100}};
    for (const auto& c : cases) {
        const QString path = WriteFile(m_folder.path(), c.name, c.bytes);
        for (const char* useWic : {"0", "1"}) {
            const ProcessResult result = Info({path, "--use-wic", useWic});
            ASSERT_EQ(result.exitCode, 0) << c.name << result.err.toStdString();
            const QJsonObject json = ParseLine(result.out);
            EXPECT_EQ(json["dpi_x"].toDouble(), c.dpi) << c.name << ", UseWIC " << useWic;
            EXPECT_EQ(json["dpi_y"].toDouble(), c.dpi) << c.name << ", UseWIC " << useWic;
        }
    }
}

TEST_F(CliInfoTest, FifosDevicesAndFoldersFailAtOnceWithTheMessage) {
    const QString fifo = m_folder.path() + "/fifo.png";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& path : {fifo, QStringLiteral("/dev/zero"), m_folder.path()}) {
        const ProcessResult result =
            RunProgram(TAVLO_CLI, {"info", path}, QString(), QProcessEnvironment(), 20000);
        ASSERT_TRUE(result.finished) << qPrintable(path) << " blocked or ran away";
        EXPECT_EQ(result.exitCode, 1) << qPrintable(path);
        EXPECT_EQ(QString::fromUtf8(result.err), "ファイルをロードできません。\n")
            << qPrintable(path);
    }
}

TEST_F(CliInfoTest, StandardErrorCarriesOnlyTheProgramsOwnMessages) {
    // Files that make libpng and libtiff complain: an ancillary chunk with a
    // bad checksum, a private TIFF tag, a PNG cut short.
    FormatWriters::PngSpec png;
    png.width = 2, png.samples = {1, 2, 3, 4, 5, 6}, png.brokenTextChunk = true;
    FormatWriters::TiffSpec tiff;
    tiff.rows = {1, 2, 3}, tiff.unknownTag = true;
    const QByteArray whole = EncodeWithQt(Quadrants(64, 64), "png");
    const QString warned = WriteFile(m_folder.path(), "text.png", FormatWriters::Png(png));
    const QString tagged = WriteFile(m_folder.path(), "tagged.tif", FormatWriters::Tiff(tiff));
    const QString cut = WriteFile(m_folder.path(), "cut.png", whole.left(whole.size() / 2));
    for (const char* useWic : {"0", "1", "2"}) {
        for (const QString& path : {warned, tagged}) {
            const ProcessResult result = Info({path, "--use-wic", useWic});
            EXPECT_EQ(result.exitCode, 0) << qPrintable(path) << ", UseWIC " << useWic;
            EXPECT_EQ(result.err.toStdString(), "") << qPrintable(path) << ", UseWIC " << useWic;
        }
        const ProcessResult result = Info({cut, "--use-wic", useWic});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(QString::fromUtf8(result.err), "ファイルをロードできません。\n")
            << "UseWIC " << useWic;
    }
    // Damaged files found by fuzzing, on which Qt's readers log through its
    // general channel: a TIFF whose offsets point past its end, a broken MNG
    // stream under a PNG name.
    for (const char* name : {"fuzzed-tiff-offsets-past-the-end.tif", "fuzzed-damaged-mng.png"}) {
        for (const char* useWic : {"0", "1", "2"}) {
            const ProcessResult result = Info({FixturePath(name), "--use-wic", useWic});
            EXPECT_EQ(result.err.toStdString(),
                      result.exitCode == 0 ? "" : "ファイルをロードできません。\n")
                << name << ", UseWIC " << useWic;
        }
    }
}

TEST_F(CliInfoTest, AFileThatIsNoImageFailsWithTheMessage) {
    const QString text = WriteFile(m_folder.path(), "notes.jpg", "hello\n");
    const ProcessResult result = Info({text});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(QString::fromUtf8(result.err).trimmed(), "ファイルをロードできません。");
}
}  // namespace

namespace {
TEST(CliFrameTest, PrintsTheDefaultFrameAndTrimmedSize) {
    struct Case {
        QStringList arguments;
        int trimWidth, trimHeight;
        double right;
    };
    const Case cases[] = {
        {{"--size", "1000x600", "--angle", "0"}, 1000, 600, 499.5},
        {{"--size", "1000x600", "--angle", "90"}, 600, 1000, 299.5},
        {{"--size=1000x600", "--angle=10"}, 784, 470, 391.94},
        {{"--size", "1000x600", "--angle", "-10"}, 784, 470, 391.94},
        {{"--angle", "-350", "--size", "1000x600"}, 784, 470, 391.94},  // normalised to 10
        {{"--size", "1000x600", "--angle", "45"}, 530, 318, 264.79},
        // A frame narrower than a pixel still trims one pixel.
        {{"--size", "2x2", "--angle", "45"}, 1, 1, 0.35},
    };
    for (const Case& c : cases) {
        const ProcessResult result = RunProgram(TAVLO_CLI, QStringList{"frame"} + c.arguments);
        ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
        const QJsonObject json = QJsonDocument::fromJson(result.out).object();
        EXPECT_EQ(json.keys(),
                  (QStringList{"bottom", "left", "right", "top", "trim_height", "trim_width"}));
        EXPECT_EQ(json["trim_width"].toInt(), c.trimWidth) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(json["trim_height"].toInt(), c.trimHeight);
        EXPECT_NEAR(json["right"].toDouble(), c.right, 0.01);
        EXPECT_DOUBLE_EQ(json["left"].toDouble(), -json["right"].toDouble());
    }
    for (const QStringList& bad : {QStringList{"--size", "1000"}, QStringList{"--size", "0x5"},
                                   QStringList{"--size", "10x10", "--angle", "ten"}}) {
        EXPECT_EQ(RunProgram(TAVLO_CLI, QStringList{"frame"} + bad).exitCode, 2);
    }
}
}  // namespace
