// Pasting what another program put on a real X11 clipboard: xclip owns the
// clipboard, and Qt adds "application/x-qt-image" to the image type it
// offers. A cut-off file is refused as it is when opened; a whole one pastes.
// Runs only on the xcb platform (the import_x11_test under xvfb-run).

#include <gtest/gtest.h>

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include "app/ImageExtensions.h"
#include "document/ImageImport.h"
#include "document/ImageLoader.h"
#include "support/ImageFixtures.h"
#include "support/SharedCodecs.h"

namespace {
// Offers the file on the clipboard as the given type while it lives.
class ClipboardOwner {
public:
    ClipboardOwner(const QString& path, const QString& type) {
        m_xclip.start(QStringLiteral("xclip"),
                      {"-quiet", "-selection", "clipboard", "-t", type, "-i", path});
        m_started = m_xclip.waitForStarted(5000);
    }
    ~ClipboardOwner() {
        m_xclip.terminate();
        if (!m_xclip.waitForFinished(5000)) {
            m_xclip.kill();
            m_xclip.waitForFinished(5000);
        }
    }
    bool Started() const { return m_started; }

private:
    QProcess m_xclip;
    bool m_started = false;
};

// Waits until the clipboard offers the type (another program's offer reaches
// Qt through the X server).
bool Offers(const QString& type) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 10000) {
        QCoreApplication::processEvents();
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        if (data && data->formats().contains(type)) return true;
        QThread::msleep(100);
    }
    return false;
}

TEST(X11ClipboardImportTest, AnotherProgramsImageIsCheckedAsAFileIs) {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs an X server (run under xvfb-run with QT_QPA_PLATFORM=xcb)";
    if (QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty())
        GTEST_SKIP() << "needs xclip";
    const ImportContext context{{1, SharedCodecs(), true}, DefaultImageExtensions()};
    QTemporaryDir folder;
    const QImage picture = Fixtures::Quadrants(40, 30);
    struct Case {
        const char* name;
        const char* type;
        QByteArray bytes;
        bool complete;
    };
    const QByteArray bmp = Fixtures::EncodeWithQt(picture, "bmp");
    const QByteArray jpeg = Fixtures::EncodeWithQt(picture, "jpeg", 95);
    const Case cases[] = {
        {"whole.bmp", "image/bmp", bmp, true},
        {"cut.bmp", "image/bmp", bmp.left(bmp.size() * 2 / 3), false},
        {"whole.jpg", "image/jpeg", jpeg, true},
        {"cut.jpg", "image/jpeg", jpeg.left(jpeg.size() * 2 / 3), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = Fixtures::WriteFile(folder.path(), c.name, c.bytes);
        ASSERT_EQ(LoadImageFromFile(path, context.imaging) != nullptr, c.complete);
        ClipboardOwner owner(path, c.type);
        ASSERT_TRUE(owner.Started());
        ASSERT_TRUE(Offers(c.type));
        EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->hasImage());  // Qt's addition
        EXPECT_TRUE(ReadImageFromClipboard(nullptr, context));
        HolderPtr image;
        ASSERT_EQ(ReadImageFromClipboard(&image, context), c.complete);
        if (c.complete) EXPECT_EQ(image->Width(), 40);
    }
}
}  // namespace
