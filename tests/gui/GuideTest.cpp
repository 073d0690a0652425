// The four-step guide through the real window: step panels and top-bar groups,
// undo and redo across steps with zoom, scroll and frame, mirroring, the
// enable rules of the step commands, and the caption.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <functional>

#include "document/CTavloDoc.h"
#include "frame/CMainFrame.h"
#include "frame/CommandRouter.h"
#include "frame/DialogBar.h"
#include "platform/AppMessages.h"
#include "resources/CommandIds.h"
#include "support/EditorHarness.h"
#include "support/TestEnvironment.h"
#include "view/CTavloView.h"

namespace {

class GuideTest : public ::testing::Test {
protected:
    int VisibleStepBar() {
        int visible = 0;
        for (int step = 1; step <= 4; ++step)
            if (m.Frame().StepBar(step)->isVisible()) visible = visible ? -1 : step;
        return visible;
    }
    bool TopVisible(int id) { return m.Item(IDD_TOP_BAR, id)->isVisible(); }
    void Trigger(int id) {
        m.Idle();
        ASSERT_TRUE(m.Frame().Action(id)->isEnabled()) << id;
        m.Frame().Action(id)->trigger();
        m.Idle();
    }
    bool Enabled(int id) { return m.Template().Router().QueryState(id).enabled; }
    QComboBox* ZoomBox() { return m.Item<QComboBox>(IDD_TOP_BAR, IDC_ZOOM_BOX); }
    void ToStep3(const char* angle) {
        m.LoadInStep2();
        m.TypeInto(m.Item(IDD_TOP_BAR, IDC_ANGLE_BOX), QString::fromLatin1(angle));
        ASSERT_TRUE(m.Click(ID_TO_STEP3));
    }

    EditorHarness m;
};

TEST_F(GuideTest, PanelsAndTopBarGroupsFollowTheStep) {
    EXPECT_EQ(m.Frame().windowTitle(), QStringLiteral("無題 - Oblimo"));
    QImage image(300, 200, QImage::Format_ARGB32);
    image.fill(Qt::darkCyan);
    m.OpenByButton(m.WriteImage(image, QStringLiteral("photo.png")));
    EXPECT_EQ(VisibleStepBar(), 1);
    EXPECT_EQ(m.Frame().windowTitle(), QStringLiteral("photo.png - Oblimo"));
    for (int id : {IDC_ZOOM_LABEL, IDC_ZOOM_BOX, IDC_ZOOM_SPIN, IDC_PERCENT_LABEL}) EXPECT_TRUE(TopVisible(id));
    for (int id : {int(IDC_ANGLE_LABEL), int(IDC_ANGLE_BOX), int(IDC_ANGLE_SCROLL), int(ID_ROTATE_BY_LINE),
                   int(ID_LINE_CANCEL), int(IDC_LINE_EXPLANATION)})
        EXPECT_FALSE(TopVisible(id)) << id;

    ASSERT_TRUE(m.Click(ID_TO_STEP2));
    EXPECT_EQ(VisibleStepBar(), 2);
    EXPECT_EQ(m.Frame().windowTitle(), QStringLiteral("photo.png * - Oblimo"));
    for (int id : {IDC_ANGLE_LABEL, IDC_ANGLE_BOX, IDC_ANGLE_SCROLL}) EXPECT_TRUE(TopVisible(id));

    // Back to step 1 by undo: the document is unmodified again.
    Trigger(ID_EDIT_UNDO);
    EXPECT_EQ(m.Doc().Current()->m_step, 1);
    EXPECT_EQ(VisibleStepBar(), 1);
    EXPECT_EQ(m.Frame().windowTitle(), QStringLiteral("photo.png - Oblimo"));
    EXPECT_FALSE(TopVisible(IDC_ANGLE_BOX));
}

TEST_F(GuideTest, UndoFromStep3ReturnsToStep2WithItsZoomAndScroll) {
    m.LoadInStep2();
    m.TypeInto(ZoomBox(), QStringLiteral("150"));
    ASSERT_FLOAT_EQ(m.View().Zoom(), 150.0f);
    m.View().verticalScrollBar()->setValue(137);
    m.View().horizontalScrollBar()->setValue(211);
    // Each snapshot keeps the view as it was when the snapshot was recorded.
    m.TypeInto(m.Item(IDD_TOP_BAR, IDC_ANGLE_BOX), QStringLiteral("3"));
    const int before = m.HistorySize();

    ASSERT_TRUE(m.Click(ID_TO_STEP3));
    EXPECT_EQ(m.HistorySize(), before + 1) << "the step change is one entry";
    EXPECT_FLOAT_EQ(m.View().Zoom(), m.View().FitZoom());
    EXPECT_EQ(VisibleStepBar(), 3);

    Trigger(ID_EDIT_UNDO);
    EXPECT_EQ(m.Doc().Current()->m_step, 2);
    EXPECT_EQ(VisibleStepBar(), 2);
    EXPECT_FLOAT_EQ(m.View().Zoom(), 150.0f);
    EXPECT_EQ(m.View().ScrollY(), 137);
    EXPECT_EQ(m.View().ScrollX(), 211);
    EXPECT_EQ(ZoomBox()->currentText(), QStringLiteral("150.000000"));
    EXPECT_TRUE(TopVisible(IDC_ANGLE_BOX));
}

TEST_F(GuideTest, Step4ShowsTheResultAndUndoBringsBackSourceFrameAndZoom) {
    ToStep3("10");
    m.Wheel(QPoint(300, 300), 120, Qt::ControlModifier);
    const float zoom = m.View().Zoom();
    const QRectF placed = m.View().Frame();
    const QPoint right = m.View().ClientFromView(placed.right(), 0).toPoint();
    m.Drag(right, right - QPoint(30, 0));
    const QRectF dragged = m.View().Frame();
    const int trimmedWidth = m.View().SizeCalc().m_trimWidth;

    ASSERT_TRUE(m.Click(ID_TO_STEP4));
    const CUndoItem& result = *m.Doc().Current();
    EXPECT_EQ(result.m_step, 4);
    EXPECT_EQ(result.m_image->Width(), trimmedWidth);
    EXPECT_EQ(result.m_image->Height(), 470);
    EXPECT_EQ(result.m_angle, 0.0f);
    EXPECT_EQ(VisibleStepBar(), 4);
    EXPECT_EQ(m.Item<QLineEdit>(IDD_STEP4_BAR, IDC_RESULT_WIDTH_STEP4)->text(),
              QString::number(trimmedWidth));
    EXPECT_EQ(m.Item<QLineEdit>(IDD_STEP4_BAR, IDC_RESULT_HEIGHT_STEP4)->text(), QStringLiteral("470"));
    EXPECT_FLOAT_EQ(m.View().Zoom(), m.View().FitZoom());
    EXPECT_EQ(m.Doc().OutputParams()->m_image->Width(), 1000);

    Trigger(ID_EDIT_UNDO);
    EXPECT_EQ(m.Doc().Current()->m_step, 3);
    EXPECT_EQ(m.Doc().Current()->m_image->Width(), 1000);
    EXPECT_FLOAT_EQ(m.Doc().Current()->m_angle, 10.0f);
    EXPECT_EQ(m.View().Frame(), dragged);
    EXPECT_FLOAT_EQ(m.View().Zoom(), zoom);
    EXPECT_EQ(m.Item<QLineEdit>(IDD_STEP3_BAR, IDC_TRIM_WIDTH)->text(), QString::number(trimmedWidth));
    EXPECT_EQ(VisibleStepBar(), 3);

    Trigger(ID_EDIT_REDO);
    EXPECT_EQ(m.Doc().Current()->m_step, 4);
    EXPECT_EQ(VisibleStepBar(), 4);
}

TEST_F(GuideTest, RedoIntoStep3DoesNotPlaceTheDefaultFrameAgain) {
    ToStep3("10");
    const QRectF placed = m.View().Frame();
    const QPoint top = m.View().ClientFromView(0, placed.top()).toPoint();
    m.Drag(top, top + QPoint(0, 40));
    const QRectF dragged = m.View().Frame();
    const int size = m.HistorySize();

    Trigger(ID_EDIT_UNDO);  // the drag
    Trigger(ID_EDIT_UNDO);  // into step 2
    ASSERT_EQ(m.Doc().Current()->m_step, 2);
    Trigger(ID_EDIT_REDO);
    EXPECT_EQ(m.Doc().Current()->m_step, 3);
    EXPECT_EQ(m.View().Frame(), placed);
    // Nothing was recorded, so the drag is still there to redo.
    EXPECT_EQ(m.HistorySize(), size);
    Trigger(ID_EDIT_REDO);
    EXPECT_EQ(m.View().Frame(), dragged);
}

TEST_F(GuideTest, FlipsNegateTheAngleAndAreDisabledAfterStep2WithChecksKept) {
    m.LoadInStep2();
    QAction* leftRight = m.Frame().Action(ID_FLIP_HORIZONTAL);
    QAction* topBottom = m.Frame().Action(ID_FLIP_VERTICAL);
    Trigger(ID_FLIP_HORIZONTAL);
    // 0 turns into -0, which the box shows with its sign.
    EXPECT_EQ(m.Item<QComboBox>(IDD_TOP_BAR, IDC_ANGLE_BOX)->currentText(), QStringLiteral("-0.000000"));
    m.TypeInto(m.Item(IDD_TOP_BAR, IDC_ANGLE_BOX), QStringLiteral("12"));
    Trigger(ID_FLIP_VERTICAL);
    EXPECT_FLOAT_EQ(m.Doc().Current()->m_angle, -12.0f);
    EXPECT_EQ(m.Doc().Current()->m_kind, 7);
    EXPECT_TRUE(leftRight->isChecked());
    EXPECT_TRUE(topBottom->isChecked());
    Trigger(ID_FLIP_VERTICAL);
    EXPECT_FLOAT_EQ(m.Doc().Current()->m_angle, 12.0f);
    EXPECT_FALSE(topBottom->isChecked());

    ASSERT_TRUE(m.Click(ID_TO_STEP3));
    m.Idle();
    EXPECT_FALSE(leftRight->isEnabled());
    EXPECT_FALSE(topBottom->isEnabled());
    EXPECT_TRUE(leftRight->isChecked()) << "the check mark still shows the flag";
    EXPECT_FALSE(topBottom->isChecked());
    ASSERT_TRUE(m.Click(ID_TO_STEP4));
    EXPECT_FALSE(leftRight->isEnabled());
    // The rendered result is not mirrored any more.
    EXPECT_FALSE(leftRight->isChecked());
}

TEST_F(GuideTest, EnableRulesOfTheCommands) {
    struct Expectation {
        int id;
        bool enabled;
    };
    auto expectAll = [&](const char* where, std::initializer_list<Expectation> rules) {
        m.Idle();
        for (const Expectation& rule : rules)
            EXPECT_EQ(Enabled(rule.id), rule.enabled) << where << ": command " << rule.id;
    };
    expectAll("no image", {{ID_FLIP_HORIZONTAL, false}, {ID_EDIT_UNDO, false}, {ID_EDIT_REDO, false},
                           {ID_VIEW_GRID, true}, {ID_FILE_SAVE_AS, false}, {ID_TO_STEP2, false},
                           {ID_FILE_NEW, true}, {ID_FILE_OPEN, true}, {ID_TO_STEP3, true},
                           {ID_RESTORE_FRAME, true}, {ID_EDIT_PASTE_IMAGE, false},
                           // Copy has no rule of its own: it acts only in step 4.
                           {ID_COPY_RESULT, true}, {ID_BATCH, false}});
    QImage image(200, 100, QImage::Format_ARGB32);
    image.fill(Qt::gray);
    m.OpenByButton(m.WriteImage(image));
    expectAll("step 1", {{ID_TO_STEP2, true}, {ID_FLIP_VERTICAL, false}, {ID_EDIT_UNDO, false},
                         {ID_FILE_SAVE_AS, true}, {ID_FILE_OPEN, true}});
    ASSERT_TRUE(m.Click(ID_TO_STEP2));
    expectAll("step 2", {{ID_FLIP_VERTICAL, true}, {ID_FLIP_HORIZONTAL, true}, {ID_EDIT_UNDO, true},
                         {ID_EDIT_REDO, false}, {ID_FILE_OPEN, false}, {ID_TO_STEP3, true}});
    m.Drag(QPoint(50, 50), QPoint(90, 60));
    expectAll("line waiting", {{ID_EDIT_UNDO, false}, {ID_EDIT_REDO, false}, {ID_FLIP_VERTICAL, false},
                               {ID_TO_STEP3, false}, {ID_FILE_SAVE_AS, false}, {ID_VIEW_GRID, true}});
    // A disabled command does nothing, even when it arrives by its keys.
    m.Frame().Action(ID_EDIT_UNDO)->trigger();
    EXPECT_EQ(m.Doc().Current()->m_step, 2);
    ASSERT_TRUE(m.Click(ID_LINE_CANCEL));
    ASSERT_TRUE(m.Click(ID_TO_STEP3));
    expectAll("step 3", {{ID_FLIP_VERTICAL, false}, {ID_EDIT_UNDO, true}, {ID_TO_STEP4, true},
                         {ID_RESET_SCALE, true}, {ID_RESTORE_FRAME, true}});
    ASSERT_TRUE(m.Click(ID_TO_STEP4));
    expectAll("step 4", {{ID_FLIP_HORIZONTAL, false}, {ID_FILE_SAVE_AS, true}, {ID_FILE_NEW, true},
                         {ID_EDIT_UNDO, true}});
}

TEST_F(GuideTest, GridTogglesWithItsCheckMarkInEveryStep) {
    QAction* grid = m.Frame().Action(ID_VIEW_GRID);
    EXPECT_TRUE(m.View().Grid()) << "the grid is on at the first start";
    const auto toggleTwice = [&](const char* where) {
        for (int i = 0; i < 2; ++i) {
            const bool before = m.View().Grid();
            Trigger(ID_VIEW_GRID);
            m.Idle();
            EXPECT_NE(m.View().Grid(), before) << where;
            EXPECT_EQ(grid->isChecked(), m.View().Grid()) << where;
            EXPECT_TRUE(grid->isEnabled()) << where;
        }
    };
    toggleTwice("no image");
    ToStep3("0");
    toggleTwice("step 3");
    ASSERT_TRUE(m.Click(ID_TO_STEP4));
    toggleTwice("step 4");
    Trigger(ID_EDIT_UNDO);
    Trigger(ID_EDIT_UNDO);
    EXPECT_EQ(m.Doc().Current()->m_step, 2);
    toggleTwice("step 2");
}

TEST_F(GuideTest, AChangedMarginRendersStep4AgainAsOneMoreEntry) {
    ToStep3("0");
    // Pull the right edge out beyond the image, so the result has a margin.
    const QPoint right = m.View().ClientFromView(m.View().Frame().right(), 0).toPoint();
    m.Drag(right, right + QPoint(40, 0));
    ASSERT_TRUE(m.Click(ID_TO_STEP4));
    const CUndoItem& first = *m.Doc().Current();
    const QImage before = first.m_image->Image();
    EXPECT_EQ(qAlpha(before.pixel(before.width() - 1, 10)), 0) << "a transparent margin at first";

    m.App().settings.CardBoard_R = 255;
    m.App().settings.CardBoard_G = m.App().settings.CardBoard_B = 0;
    m.App().settings.CardBoard_A = 255;
    const int size = m.HistorySize();
    m.Frame().SendMessageToDescendants(WM_APP_MARGIN_CHANGED);
    m.Idle();
    const QImage after = m.Doc().Current()->m_image->Image();
    EXPECT_EQ(after.pixel(after.width() - 1, 10), qRgba(255, 0, 0, 255));
    EXPECT_EQ(m.HistorySize(), size + 1);
    EXPECT_EQ(m.Doc().Current()->m_kind, 9);
    EXPECT_EQ(m.Doc().Current()->m_step, 4);

    // In step 3 a new margin waits for step 4.
    Trigger(ID_EDIT_UNDO);
    Trigger(ID_EDIT_UNDO);
    ASSERT_EQ(m.Doc().Current()->m_step, 3);
    const int inStep3 = m.HistorySize();
    m.Frame().SendMessageToDescendants(WM_APP_MARGIN_CHANGED);
    EXPECT_EQ(m.HistorySize(), inStep3);
    EXPECT_EQ(m.Doc().Current()->m_step, 3);
}

// A drag that the state changes under: press, move, a key, release. The drag
// ends without effect and the editor is left in a state it can be in.
TEST(DragInterruptionTest, AKeyDuringADragEndsIt) {
    const QPoint from(100, 100), to(200, 110), away(260, 170);
    auto key = [](EditorHarness& m, Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(m.Frame().windowHandle(), k, mods);
        m.Idle();
    };
    struct Case {
        const char* name;
        std::function<void(EditorHarness&)> before;  // up to the press
        QPoint press;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int step;  // after the release
        std::function<void(EditorHarness&)> check;
    };
    const Case cases[] = {
        {"Escape while a line end is dragged",
         [&](EditorHarness& m) {
             m.LoadInStep2();
             m.Drag(from, to);
             ASSERT_EQ(m.View().LineMode(), 1);
         },
         to, Qt::Key_Escape, Qt::NoModifier, 2,
         [](EditorHarness& m) { EXPECT_FLOAT_EQ(m.Doc().Current()->m_angle, 0.0f); }},
        {"Ctrl+Z while the first line is drawn",
         [](EditorHarness& m) { m.LoadInStep2(); }, from, Qt::Key_Z, Qt::ControlModifier, 1,
         [&](EditorHarness& m) {
             // Back in step 2 the mouse moves without a drag.
             key(m, Qt::Key_Y, Qt::ControlModifier);
             ASSERT_EQ(m.Doc().Current()->m_step, 2);
             m.Move(away);
             m.Move(from);
             EXPECT_EQ(m.Frame().StatusText(), QString());
             EXPECT_FALSE(m.View().HasLine());
             EXPECT_EQ(m.View().LineMode(), 0);
             // And a new line is drawn as ever.
             m.Drag(from, to);
             EXPECT_EQ(m.View().LineMode(), 1);
             EXPECT_EQ(m.Frame().StatusText(), QStringLiteral("-5.710593"));
         }},
        {"Ctrl+Z while the frame is dragged",
         [](EditorHarness& m) {
             m.LoadInStep2();
             ASSERT_TRUE(m.Click(ID_TO_STEP3));
         },
         from, Qt::Key_Z, Qt::ControlModifier, 2,
         [&](EditorHarness& m) {
             EXPECT_TRUE(m.Item(IDD_TOP_BAR, IDC_ANGLE_BOX)->isVisible());
             EXPECT_FALSE(m.Item(IDD_TOP_BAR, ID_ROTATE_BY_LINE)->isVisible());
             // The step-3 state that was left keeps the frame of before the press.
             key(m, Qt::Key_Y, Qt::ControlModifier);
             ASSERT_EQ(m.Doc().Current()->m_step, 3);
             EXPECT_EQ(m.View().Frame(), QRectF(QPointF(-499.5, -299.5), QPointF(499.5, 299.5)));
         }},
        {"Escape while the frame is dragged",
         [](EditorHarness& m) {
             m.LoadInStep2();
             ASSERT_TRUE(m.Click(ID_TO_STEP3));
         },
         from, Qt::Key_Escape, Qt::NoModifier, 3,
         [](EditorHarness& m) {
             EXPECT_EQ(m.View().Frame(), QRectF(QPointF(-499.5, -299.5), QPointF(499.5, 299.5)));
             EXPECT_EQ(m.HistorySize(), 3) << "steps 1, 2 and the default frame only";
             EXPECT_EQ(m.Item<QLineEdit>(IDD_STEP3_BAR, IDC_TRIM_WIDTH)->text(), QStringLiteral("1000"));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EditorHarness m;
        c.before(m);
        if (::testing::Test::HasFatalFailure()) return;
        m.Press(c.press);
        m.Move(away);
        key(m, c.key, c.modifiers);
        m.Move(away + QPoint(10, 10));
        m.Release(away + QPoint(10, 10));
        ASSERT_EQ(m.Doc().Current()->m_step, c.step);
        EXPECT_EQ(m.View().LineMode(), 0);
        EXPECT_FALSE(m.View().HasLine());
        EXPECT_EQ(m.Frame().StatusText(), QString());
        if (c.step == 2) {
            EXPECT_TRUE(m.Template().Router().QueryState(ID_TO_STEP3).enabled);
        }
        // A later release or move finds no drag either.
        m.Move(away);
        m.Release(away);
        EXPECT_EQ(m.View().LineMode(), 0);
        c.check(m);
    }
}
}  // namespace
