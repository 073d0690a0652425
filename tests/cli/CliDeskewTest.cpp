// tavlo-cli deskew, and --angle auto for render, autosave and batch, run as
// real programs on made-up scans of known skew.

#include <gtest/gtest.h>

#include <QDir>
#include <QImageReader>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cmath>

#include "support/CliTest.h"
#include "support/FileFixtures.h"
#include "support/ImageFixtures.h"
#include "support/SkewedPages.h"

namespace {

QJsonObject Json(const QByteArray& line) {
    return QJsonDocument::fromJson(line.trimmed()).object();
}

class CliDeskewTest : public CliTest {
protected:
    // A 100 dpi A4 page of the layout on the glass at the skew.
    QString WriteScan(const QString& name, SkewedPages::Layout layout, double skew,
                      unsigned seed = 3) {
        SkewedPages::PageSpec spec;
        spec.layout = layout;
        spec.skew = skew;
        spec.dpi = 100;
        spec.seed = seed;
        const QString path = Path(name);
        EXPECT_TRUE(
            SkewedPages::MakeScan(spec).save(path, name.endsWith(".jpg") ? "JPG" : "PNG", 90));
        return path;
    }
    QString WriteBlank(const QString& name) {
        const QString path = Path(name);
        EXPECT_TRUE(SkewedPages::MakeBlank(SkewedPages::Blank::WhitePage, 827, 1169, 1).save(path));
        return path;
    }
    // The angle tavlo-cli deskew reports for a file, after checking its line.
    double Measured(const QString& path) {
        const ProcessResult result = Cli({"deskew", path});
        EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
        const QJsonObject line = Json(result.out);
        EXPECT_GE(line.value("confidence").toDouble(-1), 0.5) << result.out.toStdString();
        return line.value("angle").toDouble(1000.0);
    }
    // The trimmed size tavlo-cli frame gives an image of that size at the angle.
    QSize DefaultFrameSize(QSize image, double angle) {
        const ProcessResult result =
            Cli({"frame", "--size", QStringLiteral("%1x%2").arg(image.width()).arg(image.height()),
                 "--angle", QString::number(angle, 'g', 9)});
        const QJsonObject line = Json(result.out);
        return QSize(line.value("trim_width").toInt(), line.value("trim_height").toInt());
    }
};

TEST_F(CliDeskewTest, PrintsTheAngleThatTurnsThePageUprightAndTheConfidence) {
    struct Case {
        SkewedPages::Layout layout;
        double skew;
        const char* name;
    };
    const Case cases[] = {{SkewedPages::Layout::Letter, 4.2, "letter.png"},
                          {SkewedPages::Layout::Table, -11.35, "table.jpg"},
                          {SkewedPages::Layout::Japanese, 0.6, "japanese.png"}};
    for (const Case& c : cases) {
        const QString path = WriteScan(c.name, c.layout, c.skew);
        const ProcessResult result = Cli({"deskew", path});
        ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
        // One line, the angle first.
        EXPECT_TRUE(result.out.startsWith("{\"angle\":")) << result.out.toStdString();
        EXPECT_EQ(result.out.count('\n'), 1);
        const QJsonObject line = Json(result.out);
        EXPECT_NEAR(line.value("angle").toDouble(1000), -c.skew, 0.1) << c.name;
        EXPECT_GE(line.value("confidence").toDouble(), 0.5) << c.name;
        EXPECT_LE(line.value("confidence").toDouble(), 1.0) << c.name;
    }
}

TEST_F(CliDeskewTest, ABlankPageHasALowConfidence) {
    const ProcessResult result = Cli({"deskew", WriteBlank("blank.png"), "--use-wic", "2"});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_LT(Json(result.out).value("confidence").toDouble(1), 0.5) << result.out.toStdString();
}

TEST_F(CliDeskewTest, FailuresAndBadUsage) {
    const QString notAnImage = Fixtures::WriteFile(m_folder.path(), "notes.jpg", "not a picture");
    struct Case {
        QStringList arguments;
        int exitCode;
        const char* inError;
    };
    const Case cases[] = {
        {{"deskew", notAnImage}, 1, "ファイルをロードできません。"},
        {{"deskew", Path("missing.png")}, 1, "ファイルをロードできません。"},
        {{"deskew"}, 2, "deskew takes one image path"},
        {{"deskew", notAnImage, notAnImage}, 2, "deskew takes one image path"},
        {{"deskew", notAnImage, "--use-wic", "3"}, 2, "bad --use-wic value"},
        {{"deskew", notAnImage, "--angle", "3"}, 2, "unknown option --angle"},
        {{"render", notAnImage, "-o", Path("out.png"), "--angle", "sideways"},
         2,
         "--angle needs a number or auto"},
    };
    for (const Case& c : cases) {
        const ProcessResult result = Cli(c.arguments);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(QString::fromUtf8(result.err).contains(QString::fromUtf8(c.inError)))
            << result.err.toStdString();
        EXPECT_TRUE(result.out.isEmpty());
    }
    EXPECT_TRUE(Cli({"deskew", "--help"}).out.startsWith("usage: tavlo-cli deskew IMAGE"));
}

TEST_F(CliDeskewTest, RenderAndAutosaveWithAutoAngleStraightenEachPage) {
    const QString scan = WriteScan("form.png", SkewedPages::Layout::Form, -6.45);
    const double angle = Measured(scan);
    ASSERT_NEAR(angle, 6.45, 0.1);
    const QSize expected = DefaultFrameSize(QSize(827, 1169), angle);

    const ProcessResult rendered = Cli({"render", scan, "-o", Path("out.png"), "--angle", "auto"});
    ASSERT_EQ(rendered.exitCode, 0) << rendered.err.toStdString();
    const QJsonObject size = Json(rendered.out);
    EXPECT_EQ(QSize(size.value("width").toInt(), size.value("height").toInt()), expected);
    EXPECT_EQ(QImageReader(Path("out.png")).size(), expected);
    // The result stands upright.
    EXPECT_NEAR(Measured(Path("out.png")), 0.0, 0.1);

    // Mirrored first, the page leans the other way and is measured so.
    const ProcessResult saved = Cli({"autosave", scan, "--angle=auto", "--flip-x"});
    ASSERT_EQ(saved.exitCode, 0) << saved.err.toStdString();
    EXPECT_EQ(saved.out.trimmed(), Path("form-Oblimo.png").toUtf8());
    EXPECT_NEAR(Measured(Path("form-Oblimo.png")), 0.0, 0.1);

    // Nothing to measure: nothing is written.
    const ProcessResult blank =
        Cli({"render", WriteBlank("blank.png"), "-o", Path("blank-out.png"), "--angle", "auto"});
    EXPECT_EQ(blank.exitCode, 1);
    EXPECT_TRUE(
        QString::fromUtf8(blank.err).contains(QStringLiteral("傾きを検出できませんでした。")));
    EXPECT_FALSE(QFile::exists(Path("blank-out.png")));
}

TEST_F(CliDeskewTest, BatchWithAutoAngleMeasuresEveryFileOnItsOwn) {
    const QString reference = WriteScan("ref.png", SkewedPages::Layout::Letter, 2.5, 1);
    const QString first = WriteScan("first.png", SkewedPages::Layout::TwoColumns, -8.2, 2);
    const QString second = WriteScan("second.png", SkewedPages::Layout::Table, 13.7, 4);
    const QString blank = WriteBlank("blank.png");
    const QString other = Path("other.png");
    ASSERT_TRUE(SkewedPages::MakeScan({SkewedPages::Layout::Letter, 3.0, 150}).save(other));

    const ProcessResult result =
        Cli({"batch", "--like", reference, "--angle", "auto", first, second, blank, other});
    EXPECT_EQ(result.exitCode, 1) << result.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(result.out).split('\n', Qt::SkipEmptyParts),
              (QStringList{"○\t" + first + "\t" + Path("first-Oblimo.png"),
                           "○\t" + second + "\t" + Path("second-Oblimo.png"), "×\t" + blank + "\t",
                           "×サイズ\t" + other + "\t", "成功 2  失敗 2  残り 0"}));
    // Each page upright, in the default frame of its own angle.
    for (const auto& [input, skew] : {std::pair{first, -8.2}, std::pair{second, 13.7}}) {
        const QString output = QString(input).replace(".png", "-Oblimo.png");
        EXPECT_NEAR(Measured(output), 0.0, 0.1) << output.toStdString();
        EXPECT_EQ(QImageReader(output).size(), DefaultFrameSize(QSize(827, 1169), Measured(input)))
            << output.toStdString();
    }
}
}  // namespace
