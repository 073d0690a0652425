// tavlo-cli with images that carry a colour profile and EXIF: info names the
// profile, autosave and batch results carry both.

#include <gtest/gtest.h>

#include <QColorSpace>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "support/CliTest.h"
#include "support/ImageFixtures.h"
#include "support/MetadataFiles.h"

using namespace MetadataFiles;

namespace {
class CliMetadataTest : public CliTest {};

TEST_F(CliMetadataTest, InfoNamesTheProfileOrSaysNull) {
    const QImage photo = Fixtures::Quadrants(40, 30);
    struct Case {
        const char* name;
        QByteArray file;
        QJsonValue icc;
    };
    const Case cases[] = {
        {"p3.jpg", JpegWithMetadata(photo, QColorSpace(QColorSpace::DisplayP3).iccProfile(), {}),
         QColorSpace(QColorSpace::DisplayP3).description()},
        {"adobe.jpg", JpegWithMetadata(photo, QColorSpace(QColorSpace::AdobeRgb).iccProfile(), {}),
         QColorSpace(QColorSpace::AdobeRgb).description()},
        {"plain.jpg", JpegWithMetadata(photo, {}, CameraExif(1, 40, 30)), QJsonValue::Null},
        {"plain.png", Fixtures::EncodeWithQt(photo, "png"), QJsonValue::Null},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Qt's profiles name themselves, so a missing description would show.
        if (c.icc.isString()) ASSERT_FALSE(c.icc.toString().isEmpty());
        const QString path = Fixtures::WriteFile(m_folder.path(), c.name, c.file);
        for (const char* useWic : {"0", "2"}) {
            const ProcessResult result = Cli({"info", path, "--use-wic", useWic});
            ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
            const QJsonObject json = QJsonDocument::fromJson(result.out).object();
            ASSERT_TRUE(json.contains("icc"));
            EXPECT_EQ(json["icc"], c.icc) << result.out.toStdString();
        }
    }
}

// Automatic saves and batch runs write through the same path as a save: both
// carry the profile and the camera's details, the result upright.
TEST_F(CliMetadataTest, AutosaveAndBatchResultsCarryProfileAndExif) {
    const QByteArray icc = QColorSpace(QColorSpace::DisplayP3).iccProfile();
    const QImage photo = Fixtures::Quadrants(120, 80);
    const QByteArray bytes =
        JpegWithMetadata(photo.transformed(QTransform().rotate(-90)), icc, CameraExif(6, 80, 120));
    for (const char* useWic : {"0", "2"}) {
        SCOPED_TRACE(useWic);
        QTemporaryDir alone, batch;
        const QString single = Fixtures::WriteFile(alone.path(), "photo.jpg", bytes);
        const QString inBatch = Fixtures::WriteFile(batch.path(), "photo.jpg", bytes);
        const QString reference = Fixtures::WriteFile(batch.path(), "reference.jpg", bytes);
        const QStringList edit{"--angle", "3", "--use-wic", useWic};
        const ProcessResult autosave = Cli(QStringList{"autosave", single} + edit);
        ASSERT_EQ(autosave.exitCode, 0) << autosave.err.toStdString();
        const ProcessResult run =
            Cli(QStringList{"batch", "--like", reference} + edit + QStringList{inBatch});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        for (const QString& path : {QDir(alone.path()).filePath("photo-Oblimo.jpg"),
                                    QDir(batch.path()).filePath("photo-Oblimo.jpg")}) {
            SCOPED_TRACE(path.toStdString());
            const QByteArray file = Fixtures::ReadFile(path);
            ASSERT_FALSE(file.isEmpty());
            const FileMetadata out = ReadFileMetadata(file);
            EXPECT_EQ(out.icc, icc);
            const auto facts = ReadExifFacts(out.exif);
            ASSERT_TRUE(facts);
            EXPECT_EQ(facts->model, kModel);
            EXPECT_EQ(facts->date, kDate);
            EXPECT_EQ(facts->orientation, 1);
            EXPECT_FALSE(facts->thumbnail);
            const QImage result = QImage::fromData(file);
            EXPECT_EQ(facts->pixelX, result.width());
            EXPECT_EQ(facts->pixelY, result.height());
            EXPECT_GT(result.width(), result.height());  // upright
        }
    }
}
}  // namespace
