// Paste, drop and copy in the real window: the step-1 rule for importing, the
// clipboard's contents after "クリップボードにコピー", and the temporary file's
// removal when a window is created or destroyed.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QDragEnterEvent>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>
#include <QUrl>

#include "document/CTavloDoc.h"
#include "output/ClipboardCopy.h"
#include "resources/CommandIds.h"
#include "support/EditorHarness.h"
#include "support/ImageFixtures.h"
#include "view/CTavloView.h"

using namespace Fixtures;

namespace {
class ClipboardGuideTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_oldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", m_tmp.path().toLocal8Bit());
        QGuiApplication::clipboard()->clear();
    }
    void TearDown() override {
        QGuiApplication::clipboard()->clear();
        qputenv("TMPDIR", m_oldTmp);
    }

    // Sends a drag over the canvas and, when it was accepted, the drop.
    static bool DragAndDrop(EditorHarness& m, QMimeData* data, bool* dropped) {
        QWidget* target = m.Viewport();
        const QPoint at(200, 200);
        QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QDragMoveEvent move(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &move);
        QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &drop);
        *dropped = drop.isAccepted();
        return enter.isAccepted() && move.isAccepted();
    }

    QByteArray m_oldTmp;
    QTemporaryDir m_tmp;
};

TEST_F(ClipboardGuideTest, PasteTakesOneImageFileOnlyBeforeStepTwo) {
    EditorHarness m;
    auto* one = new QMimeData;
    one->setUrls({QUrl::fromLocalFile(m.WriteImage(Quadrants(64, 48), "copied.png"))});
    QGuiApplication::clipboard()->setMimeData(one);
    ASSERT_TRUE(m.Click(ID_EDIT_PASTE_IMAGE));
    ASSERT_NE(m.Doc().Current(), nullptr);
    EXPECT_EQ(m.Doc().Current()->m_image->Width(), 64);
    EXPECT_EQ(m.Doc().GetTitle(), "無題");
    EXPECT_TRUE(m.Doc().GetPathName().isEmpty());
    EXPECT_FALSE(m.Doc().IsModified());

    // Two files: the button is offered (formats only), pressing it does nothing.
    auto* two = new QMimeData;
    two->setUrls({QUrl::fromLocalFile(m.WriteImage(Quadrants(10, 10), "a.png")),
                  QUrl::fromLocalFile(m.WriteImage(Quadrants(12, 12), "b.png"))});
    QGuiApplication::clipboard()->setMimeData(two);
    ASSERT_TRUE(m.Click(ID_EDIT_PASTE_IMAGE));
    EXPECT_EQ(m.Doc().Current()->m_image->Width(), 64);

    // From step 2 on pasting is off.
    QGuiApplication::clipboard()->setImage(Quadrants(20, 20));
    m.LoadInStep2();
    m.Idle();
    EXPECT_FALSE(m.Click(ID_EDIT_PASTE_IMAGE));
    m.Doc().OnPasteImage();  // even when reached another way
    EXPECT_EQ(m.Doc().Current()->m_step, 2);
    EXPECT_EQ(m.Doc().Current()->m_image->Width(), 1000);
}

TEST_F(ClipboardGuideTest, ADropIsTakenInStepOneAndRefusedFromStepTwo) {
    EditorHarness m;
    QMimeData file;
    file.setUrls({QUrl::fromLocalFile(m.WriteImage(Quadrants(30, 20), "dropped.png"))});
    bool dropped = false;
    EXPECT_TRUE(DragAndDrop(m, &file, &dropped));
    EXPECT_TRUE(dropped);
    ASSERT_NE(m.Doc().Current(), nullptr);
    EXPECT_EQ(m.Doc().Current()->m_image->Width(), 30);
    EXPECT_EQ(m.Doc().GetTitle(), "無題");

    QMimeData foreign;  // an extension outside the image extensions
    foreign.setUrls({QUrl::fromLocalFile(m.WriteImage(Quadrants(8, 8), "picture.webp"))});
    EXPECT_FALSE(DragAndDrop(m, &foreign, &dropped));
    EXPECT_FALSE(dropped);

    m.LoadInStep2();
    EXPECT_FALSE(DragAndDrop(m, &file, &dropped));
    EXPECT_FALSE(dropped);
    EXPECT_EQ(m.Doc().Current()->m_step, 2);
    EXPECT_EQ(m.Doc().Current()->m_image->Width(), 1000);
}

TEST_F(ClipboardGuideTest, CopyAtStepFourOffersTheImageAndThePngFile) {
    QString path;
    {
        EditorHarness m;
        m.LoadInStep2();
        ASSERT_TRUE(m.Click(ID_TO_STEP3));
        ASSERT_TRUE(m.Click(ID_TO_STEP4));
        ASSERT_TRUE(m.Click(ID_COPY_RESULT));
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        ASSERT_TRUE(data);
        EXPECT_TRUE(data->hasImage());
        ASSERT_EQ(data->urls().size(), 1);
        path = data->urls().front().toLocalFile();
        EXPECT_EQ(path, GetClipboardTempPath());
        EXPECT_EQ(QImageReader(path).size(), QSize(1000, 600));

        // Copying again replaces the same file.
        QFile::remove(path);
        ASSERT_TRUE(m.Click(ID_COPY_RESULT));
        EXPECT_TRUE(QFile::exists(path));
        EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->urls().front().toLocalFile(), path);
    }
    // The window is gone, the clipboard still names the file: it stays, also
    // when the next window opens.
    EXPECT_TRUE(QFile::exists(path));
    {
        EditorHarness next;
        EXPECT_TRUE(QFile::exists(path));
    }
    // Another program replaces the clipboard; the next window to open removes it.
    QGuiApplication::clipboard()->setText("something else");
    EXPECT_TRUE(QFile::exists(path));
    EditorHarness again;
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(ClipboardGuideTest, CopyDoesNothingBeforeStepFour) {
    EditorHarness m;
    m.LoadInStep2();
    QGuiApplication::clipboard()->setText("kept");
    m.View().OnCommand(ID_COPY_RESULT);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "kept");
}
}  // namespace
