// The main frame: its menu, accelerators and toolbar, the bars with every
// control of their templates, which step panel is visible, the caption, and
// the placement kept in section "Frame".

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QPushButton>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QScreen>
#include <QTextLayout>
#include <QTimer>
#include <QToolBar>

#include "document/CTavloDoc.h"
#include "frame/CMainFrame.h"
#include "frame/CScrollHookDialogBar.h"
#include "frame/FramePlacement.h"
#include "frame/PanelText.h"
#include "platform/AppMessages.h"
#include "resources/DialogTemplates.h"
#include "support/EditorHarness.h"
#include "support/TestEnvironment.h"
#include "view/CTavloView.h"

namespace {

QStringList ActionTexts(const QList<QAction*>& actions) {
    QStringList texts;
    for (QAction* action : actions) texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

TEST(MainFrameTest, MenuToolbarAndPrompts) {
    EditorHarness m;
    QStringList titles;
    for (QAction* menu : m.Frame().menuBar()->actions()) titles << menu->text();
    EXPECT_EQ(titles, (QStringList{"ファイル(&F)", "編集(&E)", "表示(&V)", "ツール(&T)", "ヘルプ(&H)"}));
    const QList<QAction*> menus = m.Frame().menuBar()->actions();
    EXPECT_EQ(ActionTexts(menus[0]->menu()->actions()), (QStringList{"新規(&N)", "終了(&X)"}));
    EXPECT_EQ(ActionTexts(menus[1]->menu()->actions()),
              (QStringList{"元に戻す(&U)", "やり直す(&R)", "-", "上下反転(&+)", "左右反転(&-)"}));
    EXPECT_EQ(ActionTexts(menus[4]->menu()->actions()),
              (QStringList{"ヘルプ(&H)", "ホームページ(&P)", "バージョン情報(&A)..."}));

    auto* toolbar = m.Frame().findChild<QToolBar*>();
    ASSERT_NE(toolbar, nullptr);
    QList<int> buttons;
    for (QAction* action : toolbar->actions()) buttons << (action->isSeparator() ? 0 : action->data().toInt());
    EXPECT_EQ(buttons, (QList<int>{57600, 0, 57643, 57644, 0, 32788, 32787, 0, 32784}));

    QAction* grid = m.Frame().Action(ID_VIEW_GRID);
    EXPECT_EQ(grid->statusTip(), QStringLiteral("グリッドの表示をON/OFF"));
    EXPECT_EQ(grid->toolTip(), QStringLiteral("グリッド"));
    EXPECT_EQ(m.Frame().Action(ID_FLIP_VERTICAL)->toolTip(), QStringLiteral("上下反転"));
    EXPECT_EQ(m.Frame().Action(ID_HOMEPAGE)->statusTip(), QStringLiteral("Oblimoのホームページを開く"));
    // The shortcut the menu shows beside the item comes first.
    EXPECT_EQ(m.Frame().Action(ID_EDIT_UNDO)->shortcuts(),
              (QList<QKeySequence>{QKeySequence("Ctrl+Z"), QKeySequence("Alt+Backspace")}));
    EXPECT_EQ(m.Frame().Action(ID_EDIT_REDO)->shortcuts(), QList<QKeySequence>{QKeySequence("Ctrl+Y")});

    // Without a local help page start-up takes the help item away.
    m.Frame().RemoveMenuCommand(ID_HELP_FINDER);
    EXPECT_EQ(ActionTexts(menus[4]->menu()->actions()),
              (QStringList{"ホームページ(&P)", "バージョン情報(&A)..."}));
}

TEST(MainFrameTest, AcceleratorsReachTheCommands) {
    EditorHarness m;
    m.LoadInStep2();
    m.TypeInto(m.Item(IDD_TOP_BAR, IDC_ANGLE_BOX), QStringLiteral("7"));
    m.View().setFocus();
    QTest::keyClick(m.Frame().windowHandle(), Qt::Key_Z, Qt::ControlModifier);
    m.Idle();
    EXPECT_FLOAT_EQ(m.Doc().Current()->m_angle, 0.0f);
    QTest::keyClick(m.Frame().windowHandle(), Qt::Key_Y, Qt::ControlModifier);
    m.Idle();
    EXPECT_FLOAT_EQ(m.Doc().Current()->m_angle, 7.0f);
    QTest::keyClick(m.Frame().windowHandle(), Qt::Key_Backspace, Qt::AltModifier);
    m.Idle();
    EXPECT_FLOAT_EQ(m.Doc().Current()->m_angle, 0.0f);
}

TEST(MainFrameTest, EveryControlOfEveryTemplateExistsWithItsText) {
    EditorHarness m;
    for (const DialogTemplate* dialog :
         {&kTopBarTemplate, &kStep1Template, &kStep2Template, &kStep3Template, &kStep4Template}) {
        DialogBar* bar = m.Frame().GetControlBar(dialog->id);
        ASSERT_NE(bar, nullptr) << dialog->id;
        int labels = 0;
        for (const ControlTemplate& control : dialog->controls) {
            const QString text = QString::fromUtf16(control.text);
            if (control.id == IDC_NONE) {
                ++labels;
                continue;
            }
            QWidget* item = bar->GetDlgItem(control.id);
            ASSERT_NE(item, nullptr) << dialog->id << "/" << control.id;
            if (auto* button = qobject_cast<QAbstractButton*>(item)) {
                // A multi-line button wraps its text; its name keeps it whole.
                EXPECT_EQ(button->text().remove(QLatin1Char('\n')), text) << control.id;
                EXPECT_EQ(button->accessibleName(), text) << control.id;
            }
            if (control.style & kHidden) {
                EXPECT_TRUE(item->isHidden()) << control.id;
            }
        }
        int shownLabels = 0;
        for (QLabel* label : bar->findChildren<QLabel*>())
            shownLabels += DialogBar::ControlIdOf(label) == IDC_NONE;
        EXPECT_EQ(shownLabels, labels) << dialog->id;
    }
    // "&&" in a template shows a single "&".
    bool found = false;
    for (QLabel* label : m.Frame().StepBar(1)->findChildren<QLabel*>())
        found |= WithoutPhraseBreaks(label->text()) ==
                 QStringLiteral("または、ドラッグ&ドロップで\n右にドロップしてください。");
    EXPECT_TRUE(found);
}

TEST(MainFrameTest, BarsSitWhereTheFrameGivesThemSpace) {
    EditorHarness m;
    const QRect frame = m.Frame().rect();
    auto inFrame = [&](QWidget* w) { return QRect(w->mapTo(&m.Frame(), QPoint(0, 0)), w->size()); };
    const QRect toolbar = inFrame(m.Frame().findChild<QToolBar*>());
    const QRect status = inFrame(m.Frame().statusBar());
    const QRect step = inFrame(m.Frame().StepBar(1));
    const QRect top = inFrame(m.Frame().TopBar());
    const QRect view = inFrame(&m.View());
    EXPECT_EQ(toolbar.width(), frame.width());
    EXPECT_EQ(status.width(), frame.width());
    EXPECT_EQ(status.bottom(), frame.bottom());
    EXPECT_GE(step.top(), toolbar.bottom());
    EXPECT_LE(step.bottom(), status.top());
    EXPECT_GE(top.left(), step.right()) << "the top bar sits above the view only";
    EXPECT_EQ(top.left(), view.left());
    EXPECT_LE(top.bottom(), view.top());
    EXPECT_EQ(view.right(), frame.right());
}

TEST(MainFrameTest, ExactlyOneStepPanelIsVisible) {
    EditorHarness m;
    const std::pair<int, int> cases[] = {{2, 318}, {3, 316}, {4, 319}, {1, 317}, {7, 0}, {0, 0}};
    for (const auto& [step, bar] : cases) {
        QCoreApplication::postEvent(&m.Frame(), new AppMessageEvent(WM_APP_STEP_CHANGED, step));
        m.Idle();
        for (int id : {317, 318, 316, 319})
            EXPECT_EQ(m.Frame().GetControlBar(id)->isVisible(), id == bar) << step << " " << id;
        EXPECT_TRUE(m.Frame().TopBar()->isVisible());
    }
}

TEST(MainFrameTest, CaptionMarksAModifiedDocument) {
    EditorHarness m;
    m.Doc().SetTitle(QStringLiteral("T"));
    m.Doc().SetModifiedFlag(true);
    m.Doc().SetTitle(QStringLiteral("T"));
    EXPECT_EQ(m.Frame().windowTitle(), QStringLiteral("T * - Oblimo"));
    m.Doc().SetModifiedFlag(false);
    m.Idle();  // the idle pass also refreshes the caption
    EXPECT_EQ(m.Frame().windowTitle(), QStringLiteral("T - Oblimo"));
}

TEST(MainFrameTest, PlacementIsSavedAndRestored) {
    const QRect normal(QPoint(40, 30), QSize(900, 640));
    {
        EditorHarness m;
        AppMessageEvent first(WM_APP_RESTORE_PLACEMENT);
        QCoreApplication::sendEvent(&m.Frame(), &first);
        EXPECT_EQ(first.Result(), 0) << "a first start has no placement";
        m.Frame().setWindowState(Qt::WindowNoState);
        m.Frame().setGeometry(normal);
        m.Idle();
        m.Frame().close();
        FramePlacement stored;
        ASSERT_TRUE(stored.Load(m.Store()));
        EXPECT_EQ(stored.NormalRect(), m.Frame().normalGeometry());
        EXPECT_EQ(stored.iconic, 0);
        EXPECT_EQ(stored.maximized, 0);
        EXPECT_EQ(stored.right - stored.left, m.Frame().normalGeometry().width());

        // Saved maximised and minimised from there: comes back maximised.
        stored.maximized = 1;
        stored.iconic = 1;
        stored.Save(m.Store());
    }
    {
        EditorHarness m(QSize(1600, 1000), EditorHarness::KeepSettings);
        FramePlacement stored;
        ASSERT_TRUE(stored.Load(m.Store()));
        AppMessageEvent restore(WM_APP_RESTORE_PLACEMENT);
        QCoreApplication::sendEvent(&m.Frame(), &restore);
        EXPECT_EQ(restore.Result(), 1);
        EXPECT_TRUE(m.Frame().windowState() & Qt::WindowMaximized);
        EXPECT_FALSE(m.Frame().windowState() & Qt::WindowMinimized);
        m.Frame().setWindowState(Qt::WindowNoState);
        m.Idle();
        EXPECT_EQ(m.Frame().geometry().topLeft(), stored.NormalRect().topLeft());
    }
}

TEST(MainFrameTest, AFrameStoredAboveEveryMonitorComesDown) {
    const QRect monitor(0, 0, 1920, 1080);
    struct Case {
        QRect stored;
        QRect placed;
    };
    const Case cases[] = {
        {QRect(100, -500, 800, 600), QRect(100, 0, 800, 600)},  // a monitor that has gone
        {QRect(100, -15, 800, 600), QRect(100, -15, 800, 600)}, // within frame + caption / 2
        {QRect(100, -17, 800, 600), QRect(100, 0, 800, 600)},
        {QRect(-300, 2000, 800, 600), QRect(-300, 2000, 800, 600)},  // never moved up
    };
    for (const Case& c : cases)
        EXPECT_EQ(CorrectedNormalRect(c.stored, monitor, 4, 24), c.placed) << c.stored.top();

    EditorHarness m;
    FramePlacement stored;
    stored.SetNormalRect(QRect(50, -700, 640, 480));
    stored.Save(m.Store());
    AppMessageEvent restore(WM_APP_RESTORE_PLACEMENT);
    QCoreApplication::sendEvent(&m.Frame(), &restore);
    EXPECT_EQ(m.Frame().geometry().top(), QGuiApplication::primaryScreen()->geometry().top());
    EXPECT_EQ(m.Frame().geometry().height(), 480);
}

TEST(MainFrameTest, ClosingAskTheDocumentFirst) {
    EditorHarness m;
    m.LoadInStep2();
    {
        ScriptedMessageBoxes boxes({IDCANCEL});
        EXPECT_FALSE(m.Frame().close());
        EXPECT_EQ(boxes.Texts(), QStringList{QStringLiteral("編集中のデータを捨てます。")});
    }
    FramePlacement none;
    EXPECT_FALSE(none.Load(m.Store())) << "a window that stays open saves nothing";
    ScriptedMessageBoxes boxes({IDOK});
    EXPECT_TRUE(m.Frame().close());
    EXPECT_TRUE(none.Load(m.Store()));
}

TEST(MainFrameTest, ARightClickOnTheBarsOffersNoMenu) {
    EditorHarness m;
    auto* toolbar = m.Frame().findChild<QToolBar*>();
    ASSERT_NE(toolbar, nullptr);
    for (QWidget* target : {static_cast<QWidget*>(toolbar), static_cast<QWidget*>(m.Frame().menuBar())}) {
        // A menu that opens runs its own loop; it is noticed and closed.
        bool menuShown = false;
        QTimer::singleShot(200, [&] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                menuShown = true;
                popup->close();
            }
        });
        const QPoint at(target->width() - 5, target->height() / 2);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
        QApplication::sendEvent(target, &event);
        QTest::qWait(300);
        EXPECT_FALSE(menuShown) << target->objectName().toStdString();
    }
    EXPECT_EQ(m.Frame().createPopupMenu(), nullptr);
    EXPECT_TRUE(toolbar->isVisible());
}

TEST(MainFrameTest, AFirstStartOpensMaximisedAndRestoresToTwoThirdsOfTheScreen) {
    const QRect area(0, 0, 1920, 1080);
    EXPECT_EQ(DefaultNormalRect(area), QRect(320, 180, 1280, 720));
    EXPECT_EQ(DefaultNormalRect(QRect(1920, 30, 1200, 900)), QRect(2120, 180, 800, 600));

    QRect normal;
    {
        EditorHarness m;
        m.Template().ShowMainWindow();
        m.Idle();
        EXPECT_TRUE(m.Frame().windowState() & Qt::WindowMaximized);
        normal = DefaultNormalRect(m.Frame().screen()->availableGeometry());
        EXPECT_EQ(m.Frame().normalGeometry(), normal);
        m.Frame().close();
        FramePlacement stored;
        ASSERT_TRUE(stored.Load(m.Store()));
        EXPECT_EQ(stored.NormalRect(), normal);
        EXPECT_EQ(stored.maximized, 1);
    }
    // The next start opens maximised again and restores down to that rectangle.
    EditorHarness m(QSize(1600, 1000), EditorHarness::KeepSettings);
    m.Template().ShowMainWindow();
    m.Idle();
    EXPECT_TRUE(m.Frame().windowState() & Qt::WindowMaximized);
    m.Frame().setWindowState(Qt::WindowNoState);
    m.Idle();
    EXPECT_EQ(m.Frame().geometry(), normal);
}

TEST(PanelTextTest, JapaneseBreaksOnlyBetweenPhrases) {
    struct Case {
        const char* text;
        QStringList phrases;
    };
    const Case cases[] = {
        {"下のボタンを押してください。", {"下の", "ボタンを", "押してください。"}},
        {"画像を取り込みます。", {"画像を", "取り込みます。"}},
        {"ツールバーの「元に戻す」ボタンで戻れます。",
         {"ツールバーの", "「元に", "戻す」", "ボタンで", "戻れます。"}},
        {"いずれかの方法で回転できます。終わったら下の",
         {"いずれかの", "方法で", "回転できます。", "終わったら", "下の"}},
        {"ステップ2へ >>", {"ステップ2へ ", ">>"}},
        {"元ファイル名に\n「-Oblimo」を", {"元ファイル名に\n", "「-Oblimo」を"}},
    };
    for (const Case& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        EXPECT_EQ(PhraseSegments(text), c.phrases) << c.text;
        EXPECT_EQ(WithoutPhraseBreaks(WithPhraseBreaks(text)), text) << c.text;
    }
}

// At the font in use every heading, hand-broken line and one-line button
// caption of the panels stays whole, and the longer texts wrap between
// phrases only.
TEST(MainFrameTest, PanelTextsWrapBetweenPhrasesAndKeepTheirLines) {
    EditorHarness m;
    for (int step = 1; step <= 4; ++step) {
        DialogBar* bar = m.Frame().StepBar(step);
        QCoreApplication::postEvent(&m.Frame(), new AppMessageEvent(WM_APP_STEP_CHANGED, step));
        m.Idle();
        ASSERT_TRUE(bar->isVisible());
        for (QLabel* label : bar->findChildren<QLabel*>()) {
            if (!label->isVisible() || !label->wordWrap()) continue;
            const QString shown = WithoutPhraseBreaks(label->text());
            QTextLayout layout(label->text(), label->font());
            layout.beginLayout();
            QStringList lines;
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                line.setLineWidth(label->contentsRect().width());
                lines << label->text().mid(line.textStart(), line.textLength());
            }
            layout.endLayout();
            const QStringList handLines = shown.split(QLatin1Char('\n'));
            // A text beside a button (step 4) is narrow and wraps as it can.
            const bool fillsRow = label->x() < bar->width() / 6 && label->width() > bar->width() / 2;
            if (fillsRow && (handLines.size() > 1 || label == bar->findChildren<QLabel*>().front())) {
                EXPECT_EQ(lines.size(), handLines.size()) << step << ": " << shown.toStdString() << " width " << label->contentsRect().width() << " of " << bar->width();
            }
            for (int i = 0; i + 1 < lines.size(); ++i) {
                const QChar last = lines[i].back();
                EXPECT_TRUE(last == QChar(0x200B) || last.isSpace())
                    << step << ": broken inside a phrase after "
                    << WithoutPhraseBreaks(lines[i]).toStdString();
            }
        }
        for (QPushButton* button : bar->findChildren<QPushButton*>()) {
            // A caption on several lines never starts a line with "ー" or "。".
            const QStringList captionLines = button->text().split(QLatin1Char('\n'));
            for (const QString& line : captionLines)
                EXPECT_TRUE(line.isEmpty() || MayStartLine(line.front())) << button->text().toStdString();
            // Buttons of a fixed width ("x1", the tall step-4 buttons) keep it.
            if (!button->isVisible() || button->minimumWidth() == button->maximumWidth()) continue;
            EXPECT_LE(button->sizeHint().width(), button->width()) << button->text().toStdString();
        }
    }
}

}  // namespace
