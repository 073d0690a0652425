// Step 2 through the real widgets: the angle box and its list, the rotation
// scroll bar, and the line tool with "回転" and "キャンセル".

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QWheelEvent>
#include <functional>

#include "document/CTavloDoc.h"
#include "frame/CMainFrame.h"
#include "frame/DialogBar.h"
#include "resources/CommandIds.h"
#include "support/EditorHarness.h"
#include "view/CTavloView.h"
#include "view/NumberText.h"

namespace {

class RotationTest : public ::testing::Test {
protected:
    void SetUp() override {
        m.LoadInStep2();
        ASSERT_EQ(m.View().Zoom(), 100.0f) << "the image must open at 100 %";
    }

    QComboBox* AngleBox() { return m.Item<QComboBox>(IDD_TOP_BAR, IDC_ANGLE_BOX); }
    QScrollBar* AngleBar() { return m.Item<QScrollBar>(IDD_TOP_BAR, IDC_ANGLE_SCROLL); }
    float Angle() { return m.Doc().Current()->m_angle; }
    bool Visible(int id) { return m.Item(IDD_TOP_BAR, id)->isVisible(); }
    void DrawLine(QPoint from, QPoint to) { m.Drag(from, to); }

    // The centre of a part of the scroll bar (its thumb, an arrow, the groove).
    QPoint ScrollPart(QStyle::SubControl part) {
        QScrollBar* bar = AngleBar();
        QStyleOptionSlider option;
        option.initFrom(bar);
        option.orientation = bar->orientation();
        option.minimum = bar->minimum();
        option.maximum = bar->maximum();
        option.sliderPosition = bar->sliderPosition();
        option.sliderValue = bar->value();
        option.singleStep = bar->singleStep();
        option.pageStep = bar->pageStep();
        option.subControls = QStyle::SC_All;
        return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar).center();
    }

    EditorHarness m;
};

TEST_F(RotationTest, TypingOneTwelveTwelveAndAHalfIsOneUndoStep) {
    const int before = m.HistorySize();
    m.TypeInto(AngleBox(), QStringLiteral("1"));
    EXPECT_FLOAT_EQ(Angle(), 1.0f);
    QTest::keyClicks(AngleBox()->lineEdit(), QStringLiteral("2"));
    EXPECT_FLOAT_EQ(Angle(), 12.0f);
    QTest::keyClicks(AngleBox()->lineEdit(), QStringLiteral(".5"));
    m.Idle();
    EXPECT_FLOAT_EQ(Angle(), 12.5f);
    // The box keeps what the user typed.
    EXPECT_EQ(AngleBox()->currentText(), QStringLiteral("12.5"));
    EXPECT_EQ(m.HistorySize(), before + 1);

    ASSERT_TRUE(m.Frame().Action(ID_EDIT_UNDO)->isEnabled());
    m.Frame().Action(ID_EDIT_UNDO)->trigger();
    m.Idle();
    EXPECT_FLOAT_EQ(Angle(), 0.0f);
    EXPECT_EQ(AngleBox()->currentText(), QStringLiteral("0.000000"));
}

TEST_F(RotationTest, TypedAnglesAreNormalised) {
    const std::pair<const char*, float> cases[] = {
        {"370", 10.0f}, {"-190", 170.0f}, {"180", 180.0f}, {"not a number", 0.0f}, {"", 0.0f},
    };
    for (const auto& [text, angle] : cases) {
        m.TypeInto(AngleBox(), QString::fromLatin1("45"));
        m.TypeInto(AngleBox(), QString::fromLatin1(text));
        EXPECT_FLOAT_EQ(Angle(), angle) << text;
        m.Frame().Updater().RunPass();
    }
    // Leaving the box writes the angle back as a number.
    m.TypeInto(AngleBox(), QStringLiteral("370"));
    m.View().setFocus();
    m.Idle();
    EXPECT_EQ(AngleBox()->currentText(), QStringLiteral("10.000000"));
}

TEST_F(RotationTest, ListEntriesTurnByQuarterTurnsMirrorAndReset) {
    struct Case {
        const char* start;
        int item;
        float angle;
    };
    const Case cases[] = {
        {"0", 0, -90.0f}, {"-100", 0, 170.0f}, {"180", 1, -90.0f}, {"33", 3, 0.0f},
    };
    for (const Case& c : cases) {
        m.TypeInto(AngleBox(), QString::fromLatin1(c.start));
        const int before = m.HistorySize();
        m.ChooseItem(IDC_ANGLE_BOX, c.item);
        EXPECT_FLOAT_EQ(Angle(), c.angle) << c.start << " item " << c.item;
        EXPECT_EQ(m.HistorySize(), before + 1);
        EXPECT_EQ(m.Doc().Current()->m_kind, 1);
        // The item's caption does not stay in the box: the angle comes back.
        EXPECT_EQ(AngleBox()->currentText(), FormatFixed(c.angle));
    }

    m.TypeInto(AngleBox(), QStringLiteral("12"));
    m.ChooseItem(IDC_ANGLE_BOX, 2);
    EXPECT_EQ(m.Doc().Current()->m_flipX, 1);
    EXPECT_EQ(m.Doc().Current()->m_flipY, 1);
    EXPECT_FLOAT_EQ(Angle(), 12.0f);
    EXPECT_EQ(m.Doc().Current()->m_kind, 7);
    m.ChooseItem(IDC_ANGLE_BOX, 2);
    EXPECT_EQ(m.Doc().Current()->m_flipX, 0);
    EXPECT_EQ(m.Doc().Current()->m_flipY, 0);
}

TEST_F(RotationTest, DraggingTheThumbToTheEndIsOneUndoStepAt180Degrees) {
    const int before = m.HistorySize();
    QScrollBar* bar = AngleBar();
    ASSERT_EQ(bar->value(), 3600);
    const QPoint thumb = ScrollPart(QStyle::SC_ScrollBarSlider);
    QTest::mousePress(bar, Qt::LeftButton, {}, thumb);
    float previous = Angle();
    for (int x = thumb.x() + 10; x < bar->width() + 40; x += 10) {
        QTest::mouseMove(bar, QPoint(x, thumb.y()));
        // The image follows the thumb while it is dragged.
        EXPECT_GE(Angle(), previous);
        previous = Angle();
    }
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(bar->width() + 40, thumb.y()));
    m.Idle();
    EXPECT_FLOAT_EQ(Angle(), 180.0f);
    EXPECT_EQ(bar->value(), 7200);
    EXPECT_EQ(m.HistorySize(), before + 1);

    m.Frame().Action(ID_EDIT_UNDO)->trigger();
    m.Idle();
    EXPECT_FLOAT_EQ(Angle(), 0.0f);
    EXPECT_EQ(bar->value(), 3600);
}

TEST_F(RotationTest, ArrowAndPageClicksTurnByAStepOfTheBar) {
    QTest::mouseClick(AngleBar(), Qt::LeftButton, {}, ScrollPart(QStyle::SC_ScrollBarAddLine));
    m.Idle();
    EXPECT_FLOAT_EQ(Angle(), 0.05f);
    QTest::mouseClick(AngleBar(), Qt::LeftButton, {}, ScrollPart(QStyle::SC_ScrollBarSubPage));
    m.Idle();
    EXPECT_FLOAT_EQ(Angle(), -0.95f);
    EXPECT_EQ(AngleBox()->currentText(), QStringLiteral("-0.950000"));
}

TEST_F(RotationTest, TheScrollBarFollowsTheAngleRoundedHalfAwayFromZero) {
    const std::pair<const char*, int> cases[] = {
        {"179.99", 7200}, {"-0.024", 3600}, {"-0.026", 3599}, {"-180", 0}, {"12.5", 3850},
    };
    for (const auto& [text, position] : cases) {
        m.TypeInto(AngleBox(), QString::fromLatin1(text));
        EXPECT_EQ(AngleBar()->value(), position) << text;
    }
}

TEST_F(RotationTest, ALineAndRotateStraightenTheImage) {
    const int before = m.HistorySize();
    DrawLine(QPoint(100, 100), QPoint(200, 110));
    EXPECT_EQ(m.Frame().StatusText(), QStringLiteral("-5.710593"));
    EXPECT_EQ(m.View().LineMode(), 1);
    EXPECT_EQ(m.HistorySize(), before) << "drawing a line records nothing";

    // The angle controls make way for 回転, キャンセル and the explanation.
    for (int id : {IDC_ANGLE_LABEL, IDC_ANGLE_BOX, IDC_ANGLE_SCROLL}) EXPECT_FALSE(Visible(id));
    for (int id : {int(ID_ROTATE_BY_LINE), int(ID_LINE_CANCEL), int(IDC_LINE_EXPLANATION)}) EXPECT_TRUE(Visible(id));
    EXPECT_EQ(m.Item<QLabel>(IDD_TOP_BAR, IDC_LINE_EXPLANATION)->text(),
              QStringLiteral("回転ボタンを押すと引いた線が水平になるように回転します。"));
    m.Idle();
    for (int id : {ID_EDIT_UNDO, ID_EDIT_REDO, ID_FLIP_HORIZONTAL, ID_FLIP_VERTICAL})
        EXPECT_FALSE(m.Frame().Action(id)->isEnabled()) << id;
    EXPECT_FALSE(m.Item(IDD_STEP2_BAR, ID_TO_STEP3)->isEnabled());

    ASSERT_TRUE(m.Click(ID_ROTATE_BY_LINE));
    EXPECT_EQ(FormatFixed(Angle()), QStringLiteral("-5.710593"));
    EXPECT_EQ(m.Doc().Current()->m_kind, 3);
    EXPECT_EQ(m.HistorySize(), before + 1);
    EXPECT_EQ(m.View().LineMode(), 0);
    EXPECT_FALSE(m.View().HasLine());
    EXPECT_TRUE(m.Frame().StatusText().isEmpty());
    for (int id : {IDC_ANGLE_LABEL, IDC_ANGLE_BOX, IDC_ANGLE_SCROLL}) EXPECT_TRUE(Visible(id));
    EXPECT_TRUE(m.Item(IDD_STEP2_BAR, ID_TO_STEP3)->isEnabled());
}

TEST_F(RotationTest, CancelAndEscapeDiscardTheLine) {
    DrawLine(QPoint(100, 100), QPoint(150, 300));
    EXPECT_EQ(m.Item<QLabel>(IDD_TOP_BAR, IDC_LINE_EXPLANATION)->text(),
              QStringLiteral("回転ボタンを押すと引いた線が垂直になるように回転します。"));
    ASSERT_TRUE(m.Click(ID_LINE_CANCEL));
    EXPECT_EQ(m.View().LineMode(), 0);
    EXPECT_FLOAT_EQ(Angle(), 0.0f);

    DrawLine(QPoint(100, 100), QPoint(150, 300));
    ASSERT_EQ(m.View().LineMode(), 1);
    QTest::keyClick(m.Frame().windowHandle(), Qt::Key_Escape);
    m.Idle();
    EXPECT_EQ(m.View().LineMode(), 0);
    EXPECT_FALSE(m.View().HasLine());
    EXPECT_FLOAT_EQ(Angle(), 0.0f);
}

TEST_F(RotationTest, AnEndOfTheLineCanBeDraggedBeforeRotating) {
    DrawLine(QPoint(100, 100), QPoint(200, 110));
    // Over an end the pointer is the four-way arrow, elsewhere the crosshair.
    m.Move(QPoint(202, 108));
    EXPECT_EQ(m.Viewport()->cursor().shape(), Qt::SizeAllCursor);
    m.Move(QPoint(150, 150));
    EXPECT_EQ(m.Viewport()->cursor().shape(), Qt::BitmapCursor);

    m.Drag(QPoint(201, 111), QPoint(100, 300));
    EXPECT_EQ(m.View().LineMode(), 1);
    EXPECT_EQ(m.Frame().StatusText(), QStringLiteral("0.000000"));
    EXPECT_EQ(m.Item<QLabel>(IDD_TOP_BAR, IDC_LINE_EXPLANATION)->text(),
              QStringLiteral("回転ボタンを押すと引いた線が垂直になるように回転します。"));
}

TEST_F(RotationTest, CorrectionFollowsTheDirectionOfTheLine) {
    struct Case {
        QPoint from, to;
        const char* correction;
        bool vertical;
    };
    const Case cases[] = {
        {{100, 100}, {200, 200}, "-45.000000", false},   // exactly 45: horizontal
        {{100, 200}, {200, 100}, "-45.000000", true},    // exactly -45: vertical
        {{200, 100}, {100, 200}, "45.000000", false},    // 135: horizontal
        {{200, 200}, {100, 100}, "45.000000", true},     // -135: vertical
        {{300, 100}, {100, 100}, "0.000000", false},     // 180
        {{150, 150}, {150, 150}, "-0.000000", false},    // a click: length 0
    };
    for (const Case& c : cases) {
        m.Click(ID_LINE_CANCEL);
        DrawLine(c.from, c.to);
        EXPECT_EQ(m.Frame().StatusText(), QString::fromLatin1(c.correction))
            << c.from.x() << "," << c.from.y() << " -> " << c.to.x() << "," << c.to.y();
        EXPECT_EQ(m.View().GetLineCorrection().vertical, c.vertical);
    }
    // Drawn from right to left nearly level (175 degrees), the line turns back
    // by about 5 degrees.
    m.Click(ID_LINE_CANCEL);
    DrawLine(QPoint(500, 100), QPoint(271, 120));
    EXPECT_NEAR(LeadingNumber(m.Frame().StatusText()), 5.0, 0.05);
}

// The wheel over the angle box or the zoom box picks a list item only while
// the box has the focus; passing over them scrolls nothing and edits nothing.
TEST_F(RotationTest, TheBoxesTakeTheWheelOnlyWithTheFocus) {
    auto wheelOver = [&](QWidget* box) {
        const QPoint at = box->rect().center();
        QWheelEvent event(QPointF(at), QPointF(box->mapToGlobal(at)), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(box, &event);
        m.Idle();
    };
    auto* zoomBox = m.Item<QComboBox>(IDD_TOP_BAR, IDC_ZOOM_BOX);
    m.TypeInto(zoomBox, QStringLiteral("50"));
    ASSERT_FLOAT_EQ(m.View().Zoom(), 50.0f);
    struct Case {
        QComboBox* box;
        std::function<float()> value;
        float before, after;  // the first item: "左90度", "100%"
    };
    const Case cases[] = {
        {AngleBox(), [&] { return Angle(); }, 0.0f, -90.0f},
        {zoomBox, [&] { return m.View().Zoom(); }, 50.0f, 100.0f},
    };
    for (const Case& c : cases) {
        m.View().setFocus();
        const int history = m.HistorySize();
        wheelOver(c.box);
        wheelOver(c.box);
        EXPECT_FLOAT_EQ(c.value(), c.before) << DialogBar::ControlIdOf(c.box);
        EXPECT_EQ(m.HistorySize(), history);
        c.box->setFocus();
        wheelOver(c.box);
        EXPECT_FLOAT_EQ(c.value(), c.after) << DialogBar::ControlIdOf(c.box);
    }
}

}  // namespace
