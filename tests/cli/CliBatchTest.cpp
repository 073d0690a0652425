// tavlo-cli batch, --help and --version, run as real programs.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <csignal>

#include "support/CliTest.h"
#include "support/FileFixtures.h"
#include "support/ImageFixtures.h"

using namespace Fixtures;

namespace {

QImage Page(int width, int height, int seed) {
    QImage image = Quadrants(width, height);
    for (int y = seed % 3; y < height; y += 3)
        for (int x = 0; x < width; x += 4)
            image.setPixel(x, y, qRgb((x + seed * 40) % 256, y % 256, 90));
    return image;
}

QImage Read(const QString& path) {
    QImageReader reader(path);
    reader.setAutoTransform(false);
    return reader.read();
}

class CliBatchTest : public CliTest {
protected:
    QString WritePage(const QString& name, int seed, int width = 200, int height = 120,
                      const char* format = "png") {
        return WriteFile(m_folder.path(), name,
                         EncodeWithQt(Page(width, height, seed), format, 92));
    }
};

TEST_F(CliBatchTest, PrintsALinePerFileThenTheCountersAndExitsByTheOutcome) {
    const QString reference = WritePage("reference.png", 0);
    const QString good1 = WritePage("one.png", 1),
                  good2 = WritePage("two.jpg", 2, 200, 120, "jpeg");
    const QString wide = WritePage("wide.png", 3, 201, 120);
    const QString text = WriteFile(m_folder.path(), "notes.jpg", "not a picture");
    struct Case {
        QStringList files;
        int exitCode;
        QStringList lines;
    };
    const Case cases[] = {
        {{good1, good2},
         0,
         {"○\t" + good1 + "\t" + Path("one-Oblimo.png"),
          "○\t" + good2 + "\t" + Path("two-Oblimo.jpg"), "成功 2  失敗 0  残り 0"}},
        {{wide, good1, text},
         1,
         {"×サイズ\t" + wide + "\t", "○\t" + good1 + "\t" + Path("one-Oblimo2.png"),
          "×\t" + text + "\t", "成功 1  失敗 2  残り 0"}},
    };
    for (const Case& c : cases) {
        const ProcessResult result =
            Cli(QStringList{"batch", "--like", reference, "--angle", "6"} + c.files);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err.toStdString();
        EXPECT_EQ(QString::fromUtf8(result.out).split('\n', Qt::SkipEmptyParts), c.lines);
        // No progress display when standard error is not a terminal.
        EXPECT_EQ(result.err, QByteArray());
    }
    // The reference itself is written only when it is one of the files.
    EXPECT_FALSE(QFile::exists(Path("reference-Oblimo.png")));
}

TEST_F(CliBatchTest, BadUsageAndAReferenceThatCannotBeLoaded) {
    const QString page = WritePage("page.png", 1);
    struct Case {
        QStringList arguments;
        int exitCode;
        const char* message;  // the first line of standard error
    };
    const Case cases[] = {
        {{"batch", page}, 2, "tavlo-cli: batch needs --like REF, the image that was edited"},
        {{"batch", "--like", page}, 2, "tavlo-cli: batch needs the files to process"},
        {{"batch", "--like", page, "-o", "x.png", page},
         2,
         "tavlo-cli: batch chooses its own names; -o is for render"},
        {{"batch", "--like", page, "--angle", "steep", page},
         2,
         "tavlo-cli: --angle needs a number or auto"},
        {{"batch", "--like", page, "--frobnicate", page},
         2,
         "tavlo-cli: unknown option --frobnicate"},
        {{"batch", "--like", Path("missing.png"), page},
         1,
         "ドキュメントを開くことに失敗しました。"},
        {{"batch", "--like", WriteFile(m_folder.path(), "notes.png", "text"), page},
         1,
         "ファイルをロードできません。"},
        {{"batch", "--like", page, "--result", "10x10", page},
         1,
         "トリム後サイズより小さくすることはできません。"},
    };
    for (const Case& c : cases) {
        const ProcessResult result = Cli(c.arguments);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(QString::fromUtf8(result.err).section('\n', 0, 0), QString::fromUtf8(c.message));
        EXPECT_EQ(result.out, QByteArray());
    }
    EXPECT_FALSE(QFile::exists(Path("page-Oblimo.png")));
}

TEST_F(CliBatchTest, EachOutputIsPixelForPixelWhatAutosaveWritesForThatFile) {
    struct Case {
        const char* name;
        const char* format;
        QStringList edit;
        const char* outputName;
    };
    const Case cases[] = {
        {"scan.jpg", "jpeg", {"--angle", "10"}, "scan-Oblimo.jpg"},
        {"scan.jpg", "jpeg", {"--angle", "-3.25", "--flip-x", "--use-wic", "2"}, "scan-Oblimo.jpg"},
        {"scan.png",
         "png",
         {"--angle", "90", "--scale", "1.5", "--use-wic", "2"},
         "scan-Oblimo.png"},
        {"scan.bmp", "bmp", {"--angle", "1"}, "scan-Oblimo.bmp"},
        // The frame reaches beyond the image: a transparent margin, so PNG.
        {"scan.jpg",
         "jpeg",
         {"--frame", "-110,-70,109,69", "--margin", "0,0,255,90"},
         "scan-Oblimo.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString(c.name + (" " + c.edit.join(' '))).toStdString());
        QTemporaryDir alone, batch;
        const QByteArray bytes = EncodeWithQt(Page(200, 120, 7), c.format, 90);
        const QString single = WriteFile(alone.path(), c.name, bytes);
        const QString inBatch = WriteFile(batch.path(), c.name, bytes);
        const QString reference = WriteFile(batch.path(), QStringLiteral("reference.png"),
                                            EncodeWithQt(Page(200, 120, 1), "png"));

        const ProcessResult autosave = Cli(QStringList{"autosave", single} + c.edit);
        ASSERT_EQ(autosave.exitCode, 0) << autosave.err.toStdString();
        const ProcessResult result =
            Cli(QStringList{"batch", "--like", reference} + c.edit + QStringList{inBatch});
        ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();

        const QString expected = QDir(alone.path()).filePath(c.outputName);
        const QString written = QDir(batch.path()).filePath(c.outputName);
        ASSERT_EQ(autosave.out.trimmed(), expected.toUtf8());
        ASSERT_TRUE(result.out.startsWith(("○\t" + inBatch + "\t" + written + "\n").toUtf8()));
        const QImage a = Read(expected), b = Read(written);
        ASSERT_FALSE(a.isNull());
        EXPECT_EQ(a.format(), b.format());
        EXPECT_EQ(a, b);
    }
}

TEST_F(CliBatchTest, AStopSignalEndsTheRunAfterTheFileInHandWithNothingHalfWritten) {
    // Enough work that the run is still going when the signal comes.
    QStringList files;
    const QByteArray bytes = EncodeWithQt(Page(1200, 800, 5), "jpeg", 95);
    for (int i = 0; i < 60; ++i)
        files << WriteFile(m_folder.path(),
                           QStringLiteral("p%1.jpg").arg(i, 2, 10, QLatin1Char('0')), bytes);

    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        for (const QString& name : QDir(m_folder.path()).entryList({"*-Oblimo*"}, QDir::Files))
            QFile::remove(Path(name));
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", TestEnvironment::ConfigFolder());
        process.setProcessEnvironment(environment);
        process.start(TAVLO_CLI,
                      QStringList{"batch", "--like", files.front(), "--angle", "10"} + files);
        ASSERT_TRUE(process.waitForStarted());
        // The first finished file.
        QByteArray out;
        while (!out.contains('\n')) {
            ASSERT_TRUE(process.waitForReadyRead(60000));
            out += process.readAllStandardOutput();
        }
        ::kill(pid_t(process.processId()), signal);
        ASSERT_TRUE(process.waitForFinished(60000));
        out += process.readAllStandardOutput();
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 1);

        QStringList lines = QString::fromUtf8(out).split('\n', Qt::SkipEmptyParts);
        ASSERT_GE(lines.size(), 2);
        const QString counters = lines.takeLast();
        const int done = int(lines.size());
        EXPECT_EQ(counters, QStringLiteral("成功 %1  失敗 0  残り %2").arg(done).arg(60 - done));
        EXPECT_LT(done, 60);
        // Exactly the files reported are there, each complete; no temporary file.
        const QStringList written = QDir(m_folder.path()).entryList({"*-Oblimo*"}, QDir::Files);
        EXPECT_EQ(written.size(), done);
        for (const QString& name : written)
            EXPECT_EQ(Read(Path(name)).size(), QSize(962, 642)) << qPrintable(name);
        EXPECT_TRUE(QDir(m_folder.path()).entryList({".*"}, QDir::Files | QDir::Hidden).isEmpty());
    }
}

TEST_F(CliBatchTest, OnATerminalTheProgressShowsOnStandardError) {
    const QString script = QStandardPaths::findExecutable("script");
    if (script.isEmpty()) GTEST_SKIP() << "no script(1) to give the program a terminal";
    // A container or chroot without /dev/pts has no terminal to give.
    const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
    if (terminal < 0) GTEST_SKIP() << "no pseudo-terminal can be opened here";
    close(terminal);
    const QString reference = WritePage("reference.png", 0);
    // script(1) gives the program a terminal for all three streams; standard
    // output goes to a file, so what script shows is standard error alone.
    const QString command = QStringLiteral("'%1' batch --like '%2' '%2' '%3' >'%4'")
                                .arg(TAVLO_CLI, reference, WritePage("b.png", 2), Path("out.txt"));
    const ProcessResult result =
        RunProgram(script, {"-qec", command, "/dev/null"}, m_folder.path());
    ASSERT_EQ(result.exitCode, 0) << result.out.toStdString();
    EXPECT_TRUE(result.out.contains("files/s")) << result.out.toStdString();
    // Erased at the end: the terminal's last line is empty again.
    EXPECT_TRUE(result.out.endsWith("\r\033[K")) << result.out.toStdString();
    EXPECT_EQ(QString::fromUtf8(Fixtures::ReadFile(Path("out.txt")))
                  .split('\n', Qt::SkipEmptyParts)
                  .size(),
              3);
}

TEST_F(CliBatchTest, HelpAndVersionGoToStandardOutput) {
    struct Case {
        QStringList arguments;
        int exitCode;
        const char* starts;  // standard output, or standard error for failures
    };
    const Case cases[] = {
        {{"--help"}, 0, "usage: tavlo-cli info IMAGE"},
        {{"-h"}, 0, "usage: tavlo-cli info IMAGE"},
        {{"batch", "--help"}, 0, "usage: tavlo-cli batch --like REF [edit options] FILE..."},
        {{"render", "x.png", "--help"}, 0, "usage: tavlo-cli render IMAGE -o OUT [edit options]"},
        {{"info", "--help"}, 0, "usage: tavlo-cli info IMAGE [--use-wic 0|1|2]"},
        {{"--version"}, 0, "tavlo-cli 1."},
        {{"nonsense", "--help"}, 2, "tavlo-cli: unknown command nonsense"},
        {{}, 2, "tavlo-cli: no command given"},
    };
    for (const Case& c : cases) {
        const ProcessResult result = Cli(c.arguments);
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        EXPECT_EQ(result.exitCode, c.exitCode);
        const QByteArray& shown = c.exitCode == 0 ? result.out : result.err;
        const QByteArray& quiet = c.exitCode == 0 ? result.err : result.out;
        EXPECT_TRUE(shown.startsWith(c.starts)) << shown.left(200).toStdString();
        EXPECT_EQ(quiet, QByteArray());
    }
    // The batch usage names the edit options render and autosave share.
    const ProcessResult batch = Cli({"batch", "--help"});
    for (const char* option :
         {"--angle", "--flip-x", "--frame", "--scale", "--margin", "--save-folder"})
        EXPECT_TRUE(batch.out.contains(option)) << option;
}

}  // namespace
