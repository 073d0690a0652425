// Copying the step-4 result: the clipboard's image and file list, the private
// temporary PNG, its removal, and links planted where it is written.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

#include <sys/stat.h>
#include <unistd.h>

#include "app/CTavloApp.h"
#include "document/CTavloDoc.h"
#include "document/FrameGeometry.h"
#include "output/ClipboardCopy.h"
#include "platform/SettingsStore.h"
#include "support/ImageFixtures.h"
#include "support/TestEnvironment.h"

using namespace Fixtures;

namespace {
class ClipboardCopyTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestEnvironment::ClearSettings();
        m_oldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", m_tmp.path().toLocal8Bit());
        // Without a runtime folder the PNG goes below TMPDIR; the tests that
        // want one set it.
        m_oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        qunsetenv("XDG_RUNTIME_DIR");
        ASSERT_TRUE(m_app.InitInstance());
        m_doc.OnNewDocument();
    }
    void TearDown() override {
        QGuiApplication::clipboard()->clear();
        qputenv("TMPDIR", m_oldTmp);
        qputenv("XDG_RUNTIME_DIR", m_oldRuntime);
    }

    // A 40 x 30 image at 300 x 200 dpi taken to step 4 turned by 90 degrees,
    // with the frame reaching one pixel beyond the image on every side when
    // asked (so that the transparent margin shows).
    void ToStepFour(bool frameBeyond) {
        QImage image = Quadrants(40, 30);
        image.setDotsPerMeterX(qRound(300 / 0.0254));
        image.setDotsPerMeterY(qRound(200 / 0.0254));
        const QString path = WriteFile(m_files.path(), "photo.png", EncodeWithQt(image, "png"));
        ASSERT_TRUE(m_doc.OnOpenDocument(path));
        m_doc.OnToStep2();
        CUndoItem* s = m_doc.Current();
        s->m_angle = 90;
        FrameRect frame = DefaultTrimFrame(40, 30, 90);
        if (frameBeyond) frame = {frame.left - 1, frame.top - 1, frame.right + 1, frame.bottom + 1};
        const TrimSize trim = ComputeTrimSize(frame, *s);
        s->m_step = 3;
        s->m_trimLeft = frame.left, s->m_trimTop = frame.top;
        s->m_trimRight = frame.right, s->m_trimBottom = frame.bottom;
        s->m_trimWidth = s->m_resultWidth = trim.width;
        s->m_trimHeight = s->m_resultHeight = trim.height;
        s->m_scaleX = s->m_scaleY = 1;
        m_doc.FreezeOutputParams();
        ASSERT_TRUE(m_doc.RenderStep4());
    }

    QString FallbackFolder() const {
        return m_tmp.path() + QStringLiteral("/oblimo-%1").arg(getuid());
    }

    QByteArray m_oldTmp, m_oldRuntime;
    QTemporaryDir m_tmp, m_files;
    SettingsStore m_store;
    CTavloApp m_app{m_store};
    CTavloDoc m_doc{m_app};
};

QImage ReadPng(const QString& path) {
    QImageReader reader(path);
    return reader.read();
}

TEST_F(ClipboardCopyTest, TransparentResultGivesAnOpaqueImageAndATransparentPng) {
    ToStepFour(true);
    const auto data = MakeCopyData(m_doc);
    ASSERT_TRUE(data);
    const QImage picture = qvariant_cast<QImage>(data->imageData());
    ASSERT_EQ(picture.size(), QSize(32, 42));
    EXPECT_EQ(picture.pixel(0, 0), qRgb(255, 255, 255));  // the margin, opaque
    ASSERT_EQ(data->urls().size(), 1);
    const QString path = data->urls().front().toLocalFile();
    EXPECT_EQ(path, GetClipboardTempPath());
    EXPECT_TRUE(path.startsWith(m_tmp.path() + "/oblimo-"));
    EXPECT_TRUE(path.endsWith("/{B0C793E0-B130-46E0-BB7C-F17B29C5FADC}.tmp.png"));
    EXPECT_EQ(data->data("x-special/gnome-copied-files"),
              "copy\n" + QUrl::fromLocalFile(path).toEncoded());

    const QImage file = ReadPng(path);
    ASSERT_EQ(file.size(), QSize(32, 42));
    EXPECT_TRUE(file.hasAlphaChannel());
    EXPECT_EQ(qAlpha(file.pixel(0, 0)), 0);
    // The quarter turn exchanges the resolutions.
    EXPECT_NEAR(file.dotsPerMeterX() * 0.0254, 200, 0.1);
    EXPECT_NEAR(file.dotsPerMeterY() * 0.0254, 300, 0.1);
}

TEST_F(ClipboardCopyTest, OpaqueResultWritesTheOpaqueRenderingAndCopyingAgainReplacesIt) {
    ToStepFour(false);
    auto data = MakeCopyData(m_doc);
    ASSERT_TRUE(data);
    const QString path = data->urls().front().toLocalFile();
    QImage file = ReadPng(path);
    EXPECT_FALSE(file.hasAlphaChannel());
    EXPECT_EQ(file.size(), QSize(30, 40));

    // A new margin colour and a frame beyond the image; copy again.
    m_app.settings.CardBoard_A = 255, m_app.settings.CardBoard_G = 0;
    ToStepFour(true);
    data = MakeCopyData(m_doc);
    ASSERT_EQ(data->urls().front().toLocalFile(), path);
    file = ReadPng(path);
    EXPECT_EQ(file.size(), QSize(32, 42));
    EXPECT_EQ(file.pixel(0, 0), qRgb(255, 0, 255));
    EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files).size(), 1);
}

TEST_F(ClipboardCopyTest, TheFileStaysWhileTheClipboardNamesIt) {
    ToStepFour(false);
    QClipboard* clipboard = QGuiApplication::clipboard();
    auto data = MakeCopyData(m_doc);
    const QString path = data->urls().front().toLocalFile();
    clipboard->setMimeData(data.release());
    RemoveClipboardTempFile(clipboard);
    EXPECT_TRUE(QFile::exists(path));

    clipboard->setText("another program copied text");
    RemoveClipboardTempFile(clipboard);
    EXPECT_FALSE(QFile::exists(path));
    RemoveClipboardTempFile(clipboard);  // nothing left: nothing happens
}

TEST_F(ClipboardCopyTest, NothingToCopyBeforeStepFour) {
    EXPECT_FALSE(MakeCopyData(m_doc));
    const QString path = WriteFile(m_files.path(), "a.png", EncodeWithQt(Quadrants(8, 8), "png"));
    ASSERT_TRUE(m_doc.OnOpenDocument(path));
    m_doc.OnToStep2();
    EXPECT_FALSE(MakeCopyData(m_doc));
}

TEST_F(ClipboardCopyTest, APlantedLinkIsReplacedNotFollowed) {
    ToStepFour(false);
    const QString victim = WriteFile(m_files.path(), "victim.txt", "precious");
    // An earlier copy made the folder; a link takes the file's place.
    ASSERT_TRUE(MakeCopyData(m_doc));
    const QString path = GetClipboardTempPath();
    ASSERT_FALSE(path.isEmpty());
    QFile::remove(path);
    ASSERT_TRUE(QFile::link(victim, path));
    const auto data = MakeCopyData(m_doc);
    ASSERT_EQ(data->urls().size(), 1);
    EXPECT_EQ(ReadFile(victim), "precious");
    EXPECT_FALSE(QFileInfo(path).isSymLink());
    EXPECT_FALSE(ReadPng(path).isNull());
    // Removal unlinks a link itself, never its target.
    QFile::remove(path);
    ASSERT_TRUE(QFile::link(victim, path));
    RemoveClipboardTempFile(QGuiApplication::clipboard());
    EXPECT_EQ(ReadFile(victim), "precious");
}

TEST_F(ClipboardCopyTest, AFolderThatIsNotPrivateIsNotUsed) {
    const QString folder = m_tmp.path() + QStringLiteral("/oblimo-%1").arg(getuid());
    QTemporaryDir elsewhere;
    // A link under the folder's name, then a folder others may enter.
    ASSERT_TRUE(QFile::link(elsewhere.path(), folder));
    EXPECT_TRUE(GetClipboardTempPath().isEmpty());
    QFile::remove(folder);
    ASSERT_TRUE(QDir().mkdir(folder));
    chmod(QFile::encodeName(folder).constData(), 0755);
    EXPECT_TRUE(GetClipboardTempPath().isEmpty());

    ToStepFour(false);
    const auto data = MakeCopyData(m_doc);
    ASSERT_TRUE(data);
    EXPECT_TRUE(data->hasImage());
    EXPECT_FALSE(data->hasUrls());
    EXPECT_TRUE(QDir(folder).isEmpty());
}
TEST_F(ClipboardCopyTest, OnlyTheImageAndTheFileListAreOfferedNoText) {
    ToStepFour(false);
    const auto data = MakeCopyData(m_doc);
    ASSERT_TRUE(data);
    QStringList formats = data->formats();
    formats.sort();
    EXPECT_EQ(formats, (QStringList{"application/x-qt-image", "text/uri-list",
                                    "x-special/gnome-copied-files"}));
    // A text editor pasting this gets nothing, not the file's URL. (Qt counts
    // any file list as text in hasText(); what matters is the text given.)
    EXPECT_EQ(data->text(), QString());
    EXPECT_TRUE(data->data("text/plain").isEmpty());
    ASSERT_EQ(data->urls().size(), 1);
    EXPECT_EQ(data->urls().front().toLocalFile(), GetClipboardTempPath());
}

TEST_F(ClipboardCopyTest, TheRuntimeFolderIsUsedWhenItIsPrivate) {
    QTemporaryDir runtimes;
    const QString privateFolder = runtimes.filePath("private");
    const QString openFolder = runtimes.filePath("open");
    const QString link = runtimes.filePath("link");
    ASSERT_TRUE(QDir().mkdir(privateFolder) && QDir().mkdir(openFolder));
    chmod(QFile::encodeName(privateFolder).constData(), 0700);
    chmod(QFile::encodeName(openFolder).constData(), 0755);
    ASSERT_TRUE(QFile::link(privateFolder, link));
    struct Case {
        QString runtime;
        bool used;
    };
    const Case cases[] = {
        {privateFolder, true},
        {privateFolder + "/", true},
        {openFolder, false},             // others may enter it
        {link, false},                   // a link, not a folder
        {runtimes.filePath("gone"), false},
        {"relative/folder", false},
    };
    ToStepFour(false);
    for (const Case& c : cases) {
        qputenv("XDG_RUNTIME_DIR", c.runtime.toLocal8Bit());
        const auto data = MakeCopyData(m_doc);
        ASSERT_TRUE(data && data->hasUrls()) << c.runtime.toStdString();
        const QString folder = QFileInfo(data->urls().front().toLocalFile()).absolutePath();
        EXPECT_EQ(folder, c.used ? privateFolder : FallbackFolder()) << c.runtime.toStdString();
        EXPECT_EQ(GetClipboardTempPath(), data->urls().front().toLocalFile());
    }
    EXPECT_TRUE(QDir(openFolder).isEmpty());
}

TEST_F(ClipboardCopyTest, NothingIsCreatedUntilSomethingIsCopied) {
    // Start and exit remove a file from an earlier copy; with none there,
    // no folder appears.
    RemoveClipboardTempFile(QGuiApplication::clipboard());
    RemoveClipboardTempFile(QGuiApplication::clipboard());
    EXPECT_FALSE(QFileInfo::exists(FallbackFolder()));
    EXPECT_TRUE(GetClipboardTempPath().isEmpty());
    EXPECT_TRUE(QDir(m_tmp.path()).isEmpty());

    ToStepFour(false);
    const auto data = MakeCopyData(m_doc);
    ASSERT_TRUE(data && data->hasUrls());
    EXPECT_TRUE(QFileInfo(FallbackFolder()).isDir());
    EXPECT_EQ(int(QFileInfo(FallbackFolder()).permissions()) & 0x0077, 0);
    EXPECT_EQ(GetClipboardTempPath(), FallbackFolder() + "/{B0C793E0-B130-46E0-BB7C-F17B29C5FADC}.tmp.png");
}
}  // namespace
