// tavlo-cli info, run as a real program.

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "platform/SettingsStore.h"
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
    const QString jpeg =
        WriteFile(m_folder.path(), "turned.jpg", JpegWithOrientation(image, 6));
    ProcessResult result = Info({jpeg});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out,
              "{\"width\":20,\"height\":40,\"dpi_x\":300,\"dpi_y\":150,\"has_transparency\":false}\n");

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
        EXPECT_EQ(json.keys(), (QStringList{"bottom", "left", "right", "top", "trim_height",
                                            "trim_width"}));
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
