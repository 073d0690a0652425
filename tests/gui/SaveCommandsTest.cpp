// Saving the step-4 result through the window: the whole guide from loading to
// an automatic save, saving under a chosen name with the dialog's proposals,
// the questions and messages, and what a save does to the modified state.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "document/CTavloDoc.h"
#include "frame/CMainFrame.h"
#include "frame/CommandRouter.h"
#include "frame/DialogBar.h"
#include "output/SaveCommands.h"
#include "platform/ui/WidgetFileDialogs.h"
#include "resources/CommandIds.h"
#include "resources/Strings.h"
#include "support/EditorHarness.h"
#include "support/TestEnvironment.h"
#include "view/CTavloView.h"

namespace {

class SaveCommandsTest : public ::testing::Test {
protected:
    // Load, turn by 10 degrees, trim with the default frame, render.
    void GuideToStep4(const QString& name = QStringLiteral("scan.png"), const char* angle = "10") {
        QImage image(1000, 600, QImage::Format_ARGB32);
        image.fill(QColor(30, 120, 200));
        m.OpenByButton(m.WriteImage(image, name));
        ASSERT_TRUE(m.Click(ID_TO_STEP2));
        m.TypeInto(m.Item(IDD_TOP_BAR, IDC_ANGLE_BOX), QString::fromLatin1(angle));
        ASSERT_TRUE(m.Click(ID_TO_STEP3));
        ASSERT_TRUE(m.Click(ID_TO_STEP4));
        ASSERT_EQ(m.Doc().Current()->m_step, 4);
    }
    QString InFolder(const QString& name) { return QDir(m.Folder()).filePath(name); }

    EditorHarness m;
};

TEST_F(SaveCommandsTest, TheWholeGuideEndsInAnAutomaticSave) {
    GuideToStep4();
    EXPECT_EQ(m.Frame().windowTitle(), QStringLiteral("scan.png * - Oblimo"));
    {
        ScriptedMessageBoxes boxes;
        ASSERT_TRUE(m.Click(ID_FILE_SAVE));
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Texts().front(),
                  QStringLiteral("以下の名前で保存しました。\r\n") + InFolder("scan-Oblimo.png"));
        EXPECT_EQ(boxes.Shown().front().icon, MessageIcon::Information);
    }
    const QImage written(InFolder("scan-Oblimo.png"));
    EXPECT_EQ(written.size(), QSize(784, 470));
    EXPECT_EQ(written.pixelColor(392, 235), QColor(30, 120, 200));
    EXPECT_EQ(m.Frame().windowTitle(), QStringLiteral("scan.png - Oblimo"));
    EXPECT_FALSE(m.Doc().IsModified());

    // Saving again without an edit asks first; OK takes the next number.
    {
        ScriptedMessageBoxes boxes({IDCANCEL});
        m.Click(ID_FILE_SAVE);
        EXPECT_EQ(boxes.Texts(),
                  QStringList{QStringLiteral("名前を変えてもうひとつ同じ画像を保存しますか？")});
        EXPECT_FALSE(QFile::exists(InFolder("scan-Oblimo2.png")));
    }
    {
        ScriptedMessageBoxes boxes({IDOK, IDOK});
        m.Click(ID_FILE_SAVE);
        EXPECT_TRUE(QFile::exists(InFolder("scan-Oblimo2.png")));
    }
    // After the save, one undo makes the document modified again.
    m.Frame().Action(ID_EDIT_UNDO)->trigger();
    m.Idle();
    EXPECT_EQ(m.Frame().windowTitle(), QStringLiteral("scan.png * - Oblimo"));
}

TEST_F(SaveCommandsTest, AnEditAfterUndoingTheSavedStateIsNeverTakenForIt) {
    GuideToStep4();
    {
        ScriptedMessageBoxes boxes;
        ASSERT_TRUE(m.Click(ID_FILE_SAVE));
    }
    m.Frame().Action(ID_EDIT_UNDO)->trigger();
    m.Idle();
    // A new edit in step 3 drops the saved step-4 entry and takes its place in
    // the history; the document is still modified and closing asks.
    ASSERT_TRUE(m.Click(ID_RESET_SCALE));
    m.Frame().Action(ID_EDIT_UNDO)->trigger();
    m.Idle();
    ASSERT_TRUE(m.Frame().Action(ID_EDIT_REDO)->isEnabled());
    m.Frame().Action(ID_EDIT_REDO)->trigger();
    m.Idle();
    ASSERT_EQ(m.Doc().Current()->m_kind, 9);
    EXPECT_TRUE(m.Doc().IsModified());
    EXPECT_EQ(m.Frame().windowTitle(), QStringLiteral("scan.png * - Oblimo"));
    ScriptedMessageBoxes boxes({IDCANCEL});
    EXPECT_FALSE(m.Frame().close());
    EXPECT_EQ(boxes.Texts(), QStringList{QStringLiteral("編集中のデータを捨てます。")});
}

TEST_F(SaveCommandsTest, AFailedAutomaticSaveNamesThePathAndChangesNothing) {
    m.App().settings.SaveFolder = 2;
    m.App().settings.SaveFolderSpecified = InFolder("missing/deeper");
    GuideToStep4();
    ScriptedMessageBoxes boxes;
    m.Click(ID_FILE_SAVE);
    EXPECT_EQ(boxes.Texts(), QStringList{QStringLiteral("ファイルに書き込めません。\r\n") +
                                         InFolder("missing/deeper/scan-Oblimo.png")});
    EXPECT_TRUE(m.Doc().IsModified());
}

TEST_F(SaveCommandsTest, SaveAsProposesANameAndWritesTheChosenFormat) {
    GuideToStep4(QStringLiteral("scan.tif.png"));
    m.Dialogs().saveAnswers.push_back(SaveDialogAnswer{InFolder("x.jpg"), 1});
    ASSERT_TRUE(m.Click(ID_FILE_SAVE_AS));
    ASSERT_EQ(m.Dialogs().saveRequests.size(), 1u);
    const SaveDialogRequest& asked = m.Dialogs().saveRequests[0];
    EXPECT_EQ(asked.proposedName, InFolder("scan.tif.png"));
    EXPECT_EQ(asked.filterIndex, 1);
    EXPECT_EQ(asked.defaultExtension, QStringLiteral("png"));
    EXPECT_EQ(asked.filter,
              m.App().HeifAvailable ? Strings::SaveAsFilterWithHeif() : Strings::SaveAsFilter());
    // The format follows the chosen name, not the filter.
    EXPECT_EQ(QImageReader(InFolder("x.jpg")).format(), QByteArray("jpeg"));
    EXPECT_EQ(m.Frame().windowTitle(), QStringLiteral("x.jpg - Oblimo"));
    EXPECT_EQ(m.Doc().GetPathName(), InFolder("x.jpg"));

    // The automatic save now derives its names from the chosen file.
    ScriptedMessageBoxes boxes({IDOK, IDOK});
    m.Click(ID_FILE_SAVE);
    EXPECT_EQ(boxes.Texts().front(),
              QStringLiteral("名前を変えてもうひとつ同じ画像を保存しますか？"));
    EXPECT_TRUE(QFile::exists(InFolder("x-Oblimo.jpg")));
}

TEST_F(SaveCommandsTest, SaveAsCancelledOrFailingChangesNothing) {
    GuideToStep4();
    ASSERT_TRUE(m.Click(ID_FILE_SAVE_AS));  // the dialog is cancelled
    EXPECT_TRUE(m.Doc().IsModified());
    m.Dialogs().saveAnswers.push_back(SaveDialogAnswer{InFolder("no/such/folder/x.png"), 1});
    ScriptedMessageBoxes boxes;
    m.Click(ID_FILE_SAVE_AS);
    EXPECT_EQ(boxes.Texts(), QStringList{QStringLiteral("セーブできません。")});
    EXPECT_TRUE(m.Doc().IsModified());
    EXPECT_EQ(m.Doc().GetPathName(), InFolder("scan.png"));
}

// Saving over a symbolic link puts the result into the file it names; a file
// with a second name, or one the user may not write, is not saved over.
TEST_F(SaveCommandsTest, SaveAsFollowsALinkAndRefusesFilesItMayNotReplace) {
    GuideToStep4();
    const QByteArray old = "old contents";
    QDir(m.Folder()).mkdir("real");
    for (const char* name : {"real/target.png", "shared.png", "locked.png"}) {
        QFile file(InFolder(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(old);
    }
    ASSERT_EQ(::symlink("real/target.png", QFile::encodeName(InFolder("link.png")).constData()), 0);
    ASSERT_EQ(::link(QFile::encodeName(InFolder("shared.png")).constData(),
                     QFile::encodeName(InFolder("second-name.png")).constData()),
              0);
    ASSERT_EQ(::chmod(QFile::encodeName(InFolder("locked.png")).constData(), 0444), 0);

    m.Dialogs().saveAnswers.push_back(SaveDialogAnswer{InFolder("link.png"), 1});
    ASSERT_TRUE(m.Click(ID_FILE_SAVE_AS));
    EXPECT_TRUE(QFileInfo(InFolder("link.png")).isSymLink());
    EXPECT_EQ(QImageReader(InFolder("real/target.png")).format(), QByteArray("png"));
    EXPECT_FALSE(m.Doc().IsModified());

    QStringList refused = {"shared.png", "second-name.png"};
    if (::geteuid() != 0) refused << "locked.png";  // root may write it
    for (const QString& name : refused) {
        SCOPED_TRACE(name.toStdString());
        m.Dialogs().saveAnswers.push_back(SaveDialogAnswer{InFolder(name), 1});
        ScriptedMessageBoxes boxes;
        m.Click(ID_FILE_SAVE_AS);
        EXPECT_EQ(boxes.Texts(), QStringList{QStringLiteral("セーブできません。")});
        QFile file(InFolder(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), old);
    }
    EXPECT_EQ(m.Doc().GetPathName(), InFolder("link.png"));
}

TEST_F(SaveCommandsTest, SaveAsBeforeStep4AsksToTrimFirst) {
    m.LoadInStep2();
    ScriptedMessageBoxes boxes;
    // Its button is on the step-4 panel only; the command itself is enabled.
    ASSERT_TRUE(m.Template().Router().Route(ID_FILE_SAVE_AS));
    EXPECT_EQ(boxes.Texts(), QStringList{QStringLiteral("セーブする前にトリムしてください。")});
    EXPECT_TRUE(m.Dialogs().saveRequests.empty());
    EXPECT_FALSE(m.Item(IDD_STEP4_BAR, ID_FILE_SAVE)->isVisible());
    EXPECT_FALSE(m.Template().Router().QueryState(ID_FILE_SAVE).enabled);
}

TEST_F(SaveCommandsTest, AnotherImageAtStep4OffersToSaveFirst) {
    GuideToStep4();
    m.Dialogs().saveAnswers.push_back(SaveDialogAnswer{InFolder("kept.png"), 1});
    ScriptedMessageBoxes boxes({IDYES});
    ASSERT_TRUE(m.Click(ID_FILE_NEW));
    EXPECT_EQ(boxes.Texts(),
              QStringList{QStringLiteral("scan.pngへの変更をファイルに保存しますか？")});
    EXPECT_TRUE(QFile::exists(InFolder("kept.png")));
    EXPECT_EQ(m.Doc().Current(), nullptr);
    EXPECT_EQ(m.Frame().windowTitle(), QStringLiteral("無題 - Oblimo"));
    EXPECT_TRUE(m.Frame().StepBar(1)->isVisible());
}

TEST(SaveAsProposalTest, NamesExtensionsAndFilters) {
    struct Case {
        const char* path;
        bool transparent, heif;
        const char* name;
        const char* extension;
        int filter;
    };
    const Case cases[] = {
        {"/pics/scan.tif", false, false, "/pics/scan.tif.png", "png", 1},
        {"/pics/photo.JPG", true, false, "/pics/photo.png", "png", 1},
        {"/pics/photo.JPG", false, false, "/pics/photo.JPG", "jpg", 2},
        {"/pics/photo.jpeg", true, false, "/pics/photo.png", "png", 1},
        {"/pics/photo.jpeg", false, false, "/pics/photo.jpeg", "jpeg", 2},
        {"/pics/a.bmp", false, false, "/pics/a.bmp", "bmp", 3},
        {"/pics/a.png", false, false, "/pics/a.png", "png", 1},
        {"/pics/photo.heic", false, false, "/pics/photo.heic.png", "png", 1},
        {"/pics/photo.heic", false, true, "/pics/photo.heic", "heic", 4},
        {"/pics/photo.HEIF", true, true, "/pics/photo.png", "png", 1},
        {"/pics/photo.heif", true, false, "/pics/photo.heif.png", "png", 1},
        {"", false, false, ".png", "png", 1},
    };
    for (const Case& c : cases) {
        const auto proposal =
            SaveCommands::ProposeName(QString::fromLatin1(c.path), c.transparent, c.heif);
        EXPECT_EQ(proposal.name, QString::fromLatin1(c.name)) << c.path;
        EXPECT_EQ(proposal.defaultExtension, QString::fromLatin1(c.extension)) << c.path;
        EXPECT_EQ(proposal.filterIndex, c.filter) << c.path;
    }
}

// The real save dialog: a name typed without an extension gets the one of
// the filter chosen, not the one proposed; "すべてのファイル" keeps the
// proposed one, and a typed extension stays.
TEST(SaveDialogTest, ABareNameTakesTheExtensionOfTheChosenFilter) {
    QTemporaryDir folder;
    struct Case {
        int filter;  // index in the dialog's list: png, jpeg, bmp, all files
        const char* typed;
        const char* saved;
    };
    const Case cases[] = {
        {1, "scan", "scan.jpg"}, {2, "scan", "scan.bmp"},       {0, "scan", "scan.png"},
        {3, "scan", "scan.png"}, {1, "scan.jpeg", "scan.jpeg"}, {0, "x.bmp", "x.bmp"},
    };
    for (const Case& c : cases) {
        bool driven = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_TRUE(types && name);
            ASSERT_EQ(types->count(), 4);
            // As the user picks a filter with the arrow keys, then types a name.
            types->setFocus();
            for (int i = types->currentIndex(); i < c.filter; ++i)
                QTest::keyClick(types, Qt::Key_Down);
            EXPECT_EQ(types->currentIndex(), c.filter);
            name->setFocus();
            name->clear();
            QTest::keyClicks(name, QString::fromLatin1(c.typed));
            driven = true;
            QTest::keyClick(name, Qt::Key_Return);
        });
        // A dialog that the driver could not work is closed, never left open.
        QTimer safety;
        safety.setSingleShot(true);
        QObject::connect(&safety, &QTimer::timeout, [] {
            if (QWidget* open = QApplication::activeModalWidget()) open->close();
        });
        safety.start(10000);
        WidgetFileDialogs dialogs;
        const auto answer = dialogs.GetSaveFileName(
            {QStringLiteral("png"), folder.filePath(QStringLiteral("scan.tif.png")),
             Strings::SaveAsFilter(), 1});
        ASSERT_TRUE(driven);
        ASSERT_TRUE(answer.has_value()) << c.typed;
        EXPECT_EQ(answer->path.toStdString(),
                  folder.filePath(QString::fromLatin1(c.saved)).toStdString())
            << c.filter << " " << c.typed;
        EXPECT_EQ(answer->filterIndex, c.filter + 1);
    }
}

}  // namespace
