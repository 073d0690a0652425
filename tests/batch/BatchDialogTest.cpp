// The batch dialog with its real widgets on the offscreen platform: the
// controls of each run state, the list and counters as the run goes on, the
// double-click, the remembered layout, the resize rules and the refused close;
// and the editor's batch command that opens it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <map>

#include "BatchFixtures.h"
#include "app/CTavloApp.h"
#include "app/ImageExtensions.h"
#include "batch/BatchDialogLayout.h"
#include "batch/CTavloBatchDialog.h"
#include "frame/CMainFrame.h"
#include "frame/CommandRouter.h"
#include "frame/DialogBar.h"
#include "platform/SettingsStore.h"
#include "platform/UrlOpener.h"
#include "resources/CommandIds.h"
#include "support/EditorHarness.h"
#include "support/FileFixtures.h"
#include "support/ImageFixtures.h"
#include "support/TestEnvironment.h"

using namespace BatchFixtures;

namespace {

constexpr int kWidth = 40, kHeight = 30;

bool WaitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 60000); }

// Records what would have been opened with its default program.
class OpenedUrls {
public:
    OpenedUrls() {
        m_previous = SetUrlOpenHandler([this](const QUrl& url) {
            urls << url;
            return true;
        });
    }
    ~OpenedUrls() { SetUrlOpenHandler(m_previous); }
    QList<QUrl> urls;

private:
    UrlOpenHandler m_previous;
};

class BatchDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestEnvironment::ClearSettings();
        ASSERT_TRUE(m_app.InitInstance());
        const QString reference = Path("reference.png");
        ASSERT_TRUE(Page(kWidth, kHeight, 0).save(reference));
        m_document = EditedDocument(m_app, reference);
        ASSERT_NE(m_document, nullptr);
    }
    void TearDown() override {
        // Written now, so that nothing of this test reaches the next one's store.
        m_store.Flush();
        TestEnvironment::ClearSettings();
    }

    QString Path(const QString& name) const { return QDir(m_folder.path()).filePath(name); }
    QStringList Pages(int count) {
        QStringList paths;
        for (int i = 1; i <= count; ++i) {
            paths << Path(QStringLiteral("page%1.png").arg(i));
            EXPECT_TRUE(Page(kWidth, kHeight, i).save(paths.back()));
        }
        return paths;
    }
    std::unique_ptr<CTavloBatchDialog> Dialog(const QStringList& paths,
                                              QWidget* mainWindow = nullptr) {
        return std::make_unique<CTavloBatchDialog>(*m_document, MakeBatchItems(paths), mainWindow);
    }
    // Shows the dialog with the worker held when it takes the given file.
    void ShowHeldAt(CTavloBatchDialog& dialog, Gate& gate) {
        dialog.Run().SetItemStartedHook([&gate](std::size_t index) { gate.OnItemStarted(index); });
        dialog.show();
        ASSERT_TRUE(gate.WaitUntilHeld());
    }
    static QString Text(CTavloBatchDialog& dialog, int id) {
        if (auto* label = qobject_cast<QLabel*>(dialog.Control(id))) return label->text();
        if (auto* edit = qobject_cast<QLineEdit*>(dialog.Control(id))) return edit->text();
        return {};
    }
    static bool Enabled(CTavloBatchDialog& dialog, int id) {
        return dialog.Control(id)->isEnabled();
    }
    static QStringList Column(CTavloBatchDialog& dialog, int column) {
        QStringList texts;
        for (int i = 0; i < dialog.List()->topLevelItemCount(); ++i)
            texts << dialog.List()->topLevelItem(i)->text(column);
        return texts;
    }
    static void DoubleClickRow(CTavloBatchDialog& dialog, int row) {
        QTreeWidget* list = dialog.List();
        // On the input file's name, which is always in view.
        const QRect rect = list->visualItemRect(list->topLevelItem(row));
        const QPoint at(list->columnViewportPosition(1) + 4, rect.center().y());
        // Qt's test double-click is the second click alone; the first comes before.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }
    static void Click(CTavloBatchDialog& dialog, int id) {
        QTest::mouseClick(static_cast<QPushButton*>(dialog.Control(id)), Qt::LeftButton);
    }

    QTemporaryDir m_folder;
    SettingsStore m_store;
    CTavloApp m_app{m_store};
    std::unique_ptr<CTavloDoc> m_document;
};

TEST_F(BatchDialogTest, EachRunStateHasItsControls) {
    struct Expected {
        const char* state;
        bool stop, resume, close;
        const char* text;
        bool refreshing;
    };
    const auto check = [](CTavloBatchDialog& dialog, const Expected& e) {
        SCOPED_TRACE(e.state);
        EXPECT_EQ(Enabled(dialog, IDC_BATCH_STOP), e.stop);
        EXPECT_EQ(Enabled(dialog, IDC_BATCH_RESUME), e.resume);
        EXPECT_EQ(Enabled(dialog, IDC_BATCH_CLOSE), e.close);
        EXPECT_EQ(Text(dialog, IDC_BATCH_STATE), QString::fromUtf8(e.text));
        EXPECT_EQ(dialog.RefreshTimerActive(), e.refreshing);
        EXPECT_EQ(dialog.IsRunning(), e.refreshing);
    };
    const Expected running{"running", true, false, false, "処理しています", true};
    const Expected stopping{"stopping", false, false, false, "中止しています...", true};
    const Expected stopped{"stopped", false, true, true, "中止しました。", false};
    const Expected completed{"completed", false, false, true, "完了しました。", false};

    const auto dialog = Dialog(Pages(5));
    Gate gate(1);
    ShowHeldAt(*dialog, gate);
    check(*dialog, running);
    Click(*dialog, IDC_BATCH_STOP);
    check(*dialog, stopping);
    gate.Release();
    ASSERT_TRUE(WaitFor([&] { return !dialog->IsRunning(); }));
    check(*dialog, stopped);
    EXPECT_EQ(Column(*dialog, 0), QStringList({"○", "○", "", "", ""}));
    EXPECT_EQ(Text(*dialog, IDC_BATCH_COUNTERS), QStringLiteral("成功 2  失敗 0  残り 3"));
    EXPECT_EQ(static_cast<QProgressBar*>(dialog->Control(IDC_BATCH_PROGRESS))->value(), 2);

    Click(*dialog, IDC_BATCH_RESUME);
    check(*dialog, running);
    ASSERT_TRUE(WaitFor([&] { return !dialog->IsRunning(); }));
    check(*dialog, completed);
    EXPECT_EQ(Column(*dialog, 0), QStringList({"○", "○", "○", "○", "○"}));
    EXPECT_EQ(Column(*dialog, 2),
              QStringList({"page1-Oblimo.png", "page2-Oblimo.png", "page3-Oblimo.png",
                           "page4-Oblimo.png", "page5-Oblimo.png"}));
    EXPECT_EQ(Text(*dialog, IDC_BATCH_COUNTERS), QStringLiteral("成功 5  失敗 0  残り 0"));
    EXPECT_EQ(static_cast<QProgressBar*>(dialog->Control(IDC_BATCH_PROGRESS))->maximum(), 5);
}

TEST_F(BatchDialogTest, TheListAndCountersFollowTheRunFromTheFirstRefresh) {
    const QStringList paths = Pages(5);
    const auto dialog = Dialog(paths);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Oblimo　一括処理"));
    EXPECT_EQ(Column(*dialog, 1),
              QStringList({"page1.png", "page2.png", "page3.png", "page4.png", "page5.png"}));
    EXPECT_EQ(Text(*dialog, IDC_BATCH_INPUT_FOLDER), m_folder.path());
    Gate gate(0);
    ShowHeldAt(*dialog, gate);
    // No refresh has run yet: the template's text, with its colons.
    EXPECT_EQ(Text(*dialog, IDC_BATCH_COUNTERS), QStringLiteral("成功: 0  失敗: 0  残り: 0"));
    ASSERT_TRUE(
        WaitFor([&] { return Text(*dialog, IDC_BATCH_COUNTERS) != "成功: 0  失敗: 0  残り: 0"; }));
    EXPECT_EQ(Text(*dialog, IDC_BATCH_COUNTERS), QStringLiteral("成功 0  失敗 0  残り 5"));
    EXPECT_EQ(Column(*dialog, 0), QStringList({"→", "", "", "", ""}));
    // The output folder shows once the first file is written.
    EXPECT_EQ(Text(*dialog, IDC_BATCH_OUTPUT_FOLDER), QString());
    gate.Release();
    ASSERT_TRUE(WaitFor([&] { return !dialog->IsRunning(); }));
    EXPECT_EQ(Text(*dialog, IDC_BATCH_OUTPUT_FOLDER), m_folder.path());
}

TEST_F(BatchDialogTest, ADoubleClickOpensOnlyAWrittenFile) {
    QStringList paths = Pages(1);
    paths << Path("wide.png");
    ASSERT_TRUE(Page(kWidth + 4, kHeight, 9).save(paths.back()));
    paths << Fixtures::WriteFile(m_folder.path(), "notes.png", "text");
    paths << Pages(3).mid(1);  // page2 (held in hand), page3 (waiting)
    const auto dialog = Dialog(paths);
    Gate gate(3);
    ShowHeldAt(*dialog, gate);
    ASSERT_TRUE(WaitFor([&] { return Column(*dialog, 0)[3] == "→"; }));
    ASSERT_EQ(Column(*dialog, 0), QStringList({"○", "×サイズ", "×", "→", ""}));

    OpenedUrls opened;
    for (int row = 0; row < 5; ++row) DoubleClickRow(*dialog, row);
    EXPECT_EQ(opened.urls, QList<QUrl>{QUrl::fromLocalFile(Path("page1-Oblimo.png"))});

    gate.Release();
    ASSERT_TRUE(WaitFor([&] { return !dialog->IsRunning(); }));
    opened.urls.clear();
    DoubleClickRow(*dialog, 4);
    EXPECT_EQ(opened.urls, QList<QUrl>{QUrl::fromLocalFile(Path("page3-Oblimo.png"))});
}

TEST_F(BatchDialogTest, TheFirstUseIsCentredOnTheMainWindowAndTheLayoutIsRemembered) {
    QWidget mainWindow;
    mainWindow.setGeometry(100, 60, 1400, 900);
    mainWindow.show();
    const int unit = DialogUnits(QApplication::font()).X(4);
    QRect moved;
    {
        const auto dialog = Dialog(Pages(2), &mainWindow);
        const QSize templateSize = dialog->TemplateSize();
        dialog->show();
        ASSERT_TRUE(WaitFor([&] { return !dialog->IsRunning(); }));
        const QRect first = dialog->geometry();
        EXPECT_EQ(first.size(), QSize(templateSize.width() * 3 / 2, templateSize.height() * 2));
        EXPECT_EQ(first.left(), (100 + 1500) / 2 - templateSize.width() * 3 / 4);
        EXPECT_EQ(first.top(), (60 + 960) / 2 - templateSize.height());
        QHeaderView* header = dialog->List()->header();
        EXPECT_EQ(header->sectionSize(0), 14 * unit);
        EXPECT_EQ(header->sectionSize(1), 40 * unit);
        EXPECT_EQ(header->sectionSize(2), 80 * unit);

        // The user moves and widens it and its columns, then closes it.
        moved = QRect(first.topLeft() + QPoint(30, 20), first.size() + QSize(120, 70));
        dialog->setGeometry(moved);
        header->resizeSection(0, 61);
        header->resizeSection(2, 222);
        Click(*dialog, IDC_BATCH_CLOSE);
        EXPECT_FALSE(dialog->isVisible());
    }
    const BatchDialogLayout stored = BatchDialogLayout::Load(m_app.Store(), unit);
    EXPECT_EQ(stored.Rect(), moved);
    const auto again = Dialog(Pages(2), &mainWindow);
    EXPECT_EQ(again->geometry(), moved);
    EXPECT_EQ(again->List()->header()->sectionSize(0), 61);
    EXPECT_EQ(again->List()->header()->sectionSize(1), 40 * unit);
    EXPECT_EQ(again->List()->header()->sectionSize(2), 222);
}

TEST_F(BatchDialogTest, ARectangleOfNineOrFewerPixelsCountsAsNoneStored) {
    QWidget mainWindow;
    mainWindow.setGeometry(0, 0, 1000, 800);
    struct Case {
        int left, top, right, bottom;
        bool applied;
    };
    const Case cases[] = {
        {-1, -1, -1, -1, false},
        {300, 200, 309, 209, false},
        {300, 200, 310, 209, true},
        {300, 200, 309, 600, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.left << "," << c.top << "," << c.right << "," << c.bottom);
        m_store.WriteInt("BatchDialog", "left", c.left);
        m_store.WriteInt("BatchDialog", "top", c.top);
        m_store.WriteInt("BatchDialog", "right", c.right);
        m_store.WriteInt("BatchDialog", "bottom", c.bottom);
        const auto dialog = Dialog(Pages(1), &mainWindow);
        const QSize templateSize = dialog->TemplateSize();
        if (c.applied) {
            // Never smaller than the template.
            EXPECT_EQ(dialog->geometry().topLeft(), QPoint(c.left, c.top));
            EXPECT_EQ(dialog->size(), QSize(std::max(c.right - c.left, templateSize.width()),
                                            std::max(c.bottom - c.top, templateSize.height())));
        } else {
            EXPECT_EQ(dialog->size(),
                      QSize(templateSize.width() * 3 / 2, templateSize.height() * 2));
        }
    }
}

TEST_F(BatchDialogTest, ControlsFollowTheSizeAndTheTemplateSizeIsTheMinimum) {
    const auto dialog = Dialog(Pages(1));
    dialog->resize(dialog->TemplateSize());
    dialog->show();
    std::map<int, QRect> atTemplate;
    for (int id :
         {IDC_BATCH_INPUT_FOLDER, IDC_BATCH_OUTPUT_FOLDER, IDC_BATCH_LIST, IDC_BATCH_PROGRESS,
          IDC_BATCH_COUNTERS, IDC_BATCH_STOP, IDC_BATCH_RESUME, IDC_BATCH_STATE, IDC_BATCH_CLOSE})
        atTemplate[id] = dialog->Control(id)->geometry();

    const int dx = 150, dy = 90;
    dialog->resize(dialog->TemplateSize() + QSize(dx, dy));
    // Per control: how much of dx moves its left edge and widens it, how much
    // of dy moves its top edge and heightens it.
    struct Case {
        int id;
        int moveX, growX, moveY, growY;
    };
    const Case cases[] = {
        {IDC_BATCH_INPUT_FOLDER, 0, 1, 0, 0}, {IDC_BATCH_OUTPUT_FOLDER, 0, 1, 0, 0},
        {IDC_BATCH_LIST, 0, 1, 0, 1},         {IDC_BATCH_PROGRESS, 0, 1, 1, 0},
        {IDC_BATCH_COUNTERS, 0, 0, 1, 0},     {IDC_BATCH_STOP, 0, 0, 1, 0},
        {IDC_BATCH_RESUME, 0, 0, 1, 0},       {IDC_BATCH_STATE, 0, 1, 1, 0},
        {IDC_BATCH_CLOSE, 1, 0, 1, 0},
    };
    for (const Case& c : cases) {
        const QRect before = atTemplate[c.id];
        EXPECT_EQ(dialog->Control(c.id)->geometry(),
                  QRect(before.x() + c.moveX * dx, before.y() + c.moveY * dy,
                        before.width() + c.growX * dx, before.height() + c.growY * dy))
            << "control " << c.id;
    }
    // The two labels stay where the template puts them.
    for (QLabel* label : dialog->findChildren<QLabel*>()) {
        if (DialogBar::ControlIdOf(label) == IDC_NONE)
            EXPECT_LT(label->y(), atTemplate[IDC_BATCH_LIST].y());
    }

    dialog->resize(10, 10);
    EXPECT_EQ(dialog->size(), dialog->TemplateSize());
    ASSERT_TRUE(WaitFor([&] { return !dialog->IsRunning(); }));
}

TEST_F(BatchDialogTest, NoWayOfClosingWorksWhileTheWorkerRunsAndEnterNeverDoes) {
    const auto dialog = Dialog(Pages(2));
    Gate gate(0);
    ShowHeldAt(*dialog, gate);
    // The stop button has the focus: Enter must not press it.
    dialog->Control(IDC_BATCH_STOP)->setFocus();
    QTest::keyClick(dialog->Control(IDC_BATCH_STOP), Qt::Key_Return);
    QTest::keyClick(dialog.get(), Qt::Key_Enter);
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    Click(*dialog, IDC_BATCH_CLOSE);
    EXPECT_FALSE(dialog->close());
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(Enabled(*dialog, IDC_BATCH_STOP));
    EXPECT_FALSE(dialog->Run().StopRequested());

    gate.Release();
    ASSERT_TRUE(WaitFor([&] { return !dialog->IsRunning(); }));
    QTest::keyClick(dialog.get(), Qt::Key_Return);
    EXPECT_TRUE(dialog->isVisible());
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    // Closing stored the layout.
    EXPECT_TRUE(m_store.Contains("BatchDialog", "ColOutputFileWidth"));
}

// The editor's command: offered at step 4 only, asks for the files, shows the
// dialog over them and leaves the document as it was.
TEST(BatchCommandTest, StepFourOpensTheDialogOverTheChosenFilesAndLeavesTheDocument) {
    EditorHarness m;
    QImage image = Page(300, 200, 1);
    m.OpenByButton(m.WriteImage(image, "scan.png"));
    const auto enabled = [&] {
        m.Idle();
        return m.Template().Router().QueryState(ID_BATCH).enabled;
    };
    EXPECT_FALSE(enabled());
    ASSERT_TRUE(m.Click(ID_TO_STEP2));
    EXPECT_FALSE(enabled());
    m.TypeInto(m.Item(IDD_TOP_BAR, IDC_ANGLE_BOX), "-4");
    ASSERT_TRUE(m.Click(ID_TO_STEP3));
    EXPECT_FALSE(enabled());
    ASSERT_TRUE(m.Click(ID_TO_STEP4));
    EXPECT_TRUE(enabled());
    EXPECT_TRUE(m.Item(IDD_STEP4_BAR, ID_BATCH)->isEnabled());

    // Cancelled: nothing opens.
    ASSERT_TRUE(m.Click(ID_BATCH));
    ASSERT_EQ(m.Dialogs().openManyRequests.size(), 1u);
    EXPECT_EQ(m.Dialogs().openManyRequests[0].first, ImageFileFilter(m.App().ImageExtensions));
    EXPECT_EQ(m.Dialogs().openManyRequests[0].second,
              QStringLiteral("一括処理（複数選択できます）"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    const QString second = m.WriteImage(Page(300, 200, 2), "second.png");
    const QString first = m.WriteImage(Page(300, 200, 3), "first.png");
    m.Dialogs().openManyAnswers.push_back({second, first});
    const bool modified = m.Doc().IsModified();
    const int history = m.HistorySize();
    QStringList rows;
    bool sawDialog = false;
    // The dialog runs its own event loop; this looks in from there.
    QTimer watcher;
    watcher.setInterval(10);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<CTavloBatchDialog*>(QApplication::activeModalWidget());
        if (!dialog || dialog->IsRunning()) return;
        watcher.stop();
        sawDialog = true;
        EXPECT_EQ(dialog->parentWidget(), static_cast<QWidget*>(&m.Frame()));
        for (int i = 0; i < dialog->List()->topLevelItemCount(); ++i)
            rows << dialog->List()->topLevelItem(i)->text(0) + " " +
                        dialog->List()->topLevelItem(i)->text(1) + " " +
                        dialog->List()->topLevelItem(i)->text(2);
        QTest::mouseClick(static_cast<QPushButton*>(dialog->Control(IDC_BATCH_CLOSE)),
                          Qt::LeftButton);
    });
    watcher.start();
    ASSERT_TRUE(m.Click(ID_BATCH));
    EXPECT_TRUE(sawDialog);
    EXPECT_EQ(rows,
              QStringList({"○ second.png second-Oblimo.png", "○ first.png first-Oblimo.png"}));
    EXPECT_EQ(m.Doc().CurrentStep(), 4);
    EXPECT_EQ(m.Doc().IsModified(), modified);
    EXPECT_EQ(m.HistorySize(), history);
    EXPECT_EQ(QImage(QDir(m.Folder()).filePath("first-Oblimo.png")).size(),
              m.Doc().Current()->m_image->Image().size());
}

}  // namespace
