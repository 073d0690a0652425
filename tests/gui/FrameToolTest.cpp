// Step 3 through the real widgets: the default frame, drawing and resizing it,
// the size fields with keep-ratio and "x1", and the size check before step 4.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

#include "document/CTavloDoc.h"
#include "frame/CMainFrame.h"
#include "resources/CommandIds.h"
#include "resources/Strings.h"
#include "support/EditorHarness.h"
#include "support/TestEnvironment.h"
#include "view/CTavloView.h"

namespace {

class FrameToolTest : public ::testing::Test {
protected:
    void EnterStep3(const char* angle) {
        m.LoadInStep2();
        m.TypeInto(m.Item(IDD_TOP_BAR, IDC_ANGLE_BOX), QString::fromLatin1(angle));
        ASSERT_TRUE(m.Click(ID_TO_STEP3));
        ASSERT_EQ(m.Doc().Current()->m_step, 3);
    }
    QLineEdit* Field(int id) { return m.Item<QLineEdit>(IDD_STEP3_BAR, id); }
    int FieldValue(int id) { return Field(id)->text().toInt(); }
    QPoint Client(float x, float y) { return m.View().ClientFromView(x, y).toPoint(); }

    EditorHarness m;
};

TEST_F(FrameToolTest, DefaultFrameAndSizesFollowTheAngle) {
    struct Case {
        const char* angle;
        int trimWidth, trimHeight;
    };
    const Case cases[] = {{"0", 1000, 600}, {"90", 600, 1000}, {"10", 784, 470},
                          {"-10", 784, 470}, {"45", 530, 318}};
    for (const Case& c : cases) {
        EditorHarness h;
        h.LoadInStep2();
        h.TypeInto(h.Item(IDD_TOP_BAR, IDC_ANGLE_BOX), QString::fromLatin1(c.angle));
        ASSERT_TRUE(h.Click(ID_TO_STEP3));
        auto field = [&](int id) { return h.Item<QLineEdit>(IDD_STEP3_BAR, id)->text().toInt(); };
        EXPECT_EQ(field(IDC_IMAGE_WIDTH), 1000) << c.angle;
        EXPECT_EQ(field(IDC_IMAGE_HEIGHT), 600) << c.angle;
        EXPECT_EQ(field(IDC_TRIM_WIDTH), c.trimWidth) << c.angle;
        EXPECT_EQ(field(IDC_TRIM_HEIGHT), c.trimHeight) << c.angle;
        EXPECT_EQ(field(IDC_RESULT_WIDTH), c.trimWidth) << c.angle;
        EXPECT_EQ(field(IDC_RESULT_HEIGHT), c.trimHeight) << c.angle;
        // Entering step 3 fits the whole image and records the frame as its entry.
        EXPECT_FLOAT_EQ(h.View().Zoom(), h.View().FitZoom());
        EXPECT_EQ(h.Doc().Current()->m_kind, 4);
    }
    EnterStep3("0");
    EXPECT_EQ(m.View().Frame(), QRectF(QPointF(-499.5, -299.5), QPointF(499.5, 299.5)));
}

TEST_F(FrameToolTest, ADragIsOneUndoStepAndUndoBringsTheFrameBack) {
    EnterStep3("10");
    const QRectF placed = m.View().Frame();
    const int before = m.HistorySize();
    // Take the right edge in the middle and pull it outwards.
    const QPoint right = Client(placed.right(), 0.0f);
    m.Move(right);
    EXPECT_EQ(m.Viewport()->cursor().shape(), Qt::SizeHorCursor);
    m.Drag(right, right + QPoint(60, 0), 6);
    EXPECT_GT(m.View().Frame().right(), placed.right() + 50.0 / (m.View().Zoom() / 100.0) - 2);
    EXPECT_EQ(m.HistorySize(), before + 1);
    EXPECT_GT(FieldValue(IDC_TRIM_WIDTH), 784);

    m.Frame().Action(ID_EDIT_UNDO)->trigger();
    m.Idle();
    EXPECT_EQ(m.View().Frame(), placed);
    EXPECT_EQ(FieldValue(IDC_TRIM_WIDTH), 784);
    ASSERT_TRUE(m.Click(ID_RESTORE_FRAME));
    EXPECT_EQ(m.View().Frame(), placed);
}

TEST_F(FrameToolTest, EdgesStopShortOfEachOtherAndANewFrameIsNormal) {
    EnterStep3("0");
    const QRectF placed = m.View().Frame();
    // The top edge dragged far below the bottom edge stops 2 pixels above it.
    const QPoint top = Client(0.0f, placed.top());
    m.Drag(top, top + QPoint(0, 2000));
    EXPECT_FLOAT_EQ(m.View().Frame().top(), placed.bottom() - 2.0f);

    // A press inside the frame away from its edges starts a new frame there;
    // drawn from bottom-right to top-left it is still left <= right.
    m.Click(ID_RESTORE_FRAME);
    const QPoint from = Client(100.0f, 80.0f), to = Client(-100.0f, -80.0f);
    m.Move(from);
    EXPECT_EQ(m.Viewport()->cursor().shape(), Qt::BitmapCursor);
    m.Drag(from, to);
    const QRectF drawn = m.View().Frame();
    EXPECT_LT(drawn.left(), drawn.right());
    EXPECT_LT(drawn.top(), drawn.bottom());
    EXPECT_NEAR(drawn.left(), -100.0, 2.0);
    EXPECT_NEAR(drawn.bottom(), 80.0, 2.0);
}

TEST_F(FrameToolTest, TheCursorShowsWhichEdgeOrCornerIsTaken) {
    EnterStep3("0");
    const QRectF f = m.View().Frame();
    const std::pair<QPoint, Qt::CursorShape> cases[] = {
        {Client(f.left(), f.top()), Qt::SizeFDiagCursor},
        {Client(0, f.top()), Qt::SizeVerCursor},
        {Client(f.right(), f.top()), Qt::SizeBDiagCursor},
        {Client(f.right(), 0), Qt::SizeHorCursor},
        {Client(f.right(), f.bottom()), Qt::SizeFDiagCursor},
        {Client(0, f.bottom()), Qt::SizeVerCursor},
        {Client(f.left(), f.bottom()), Qt::SizeBDiagCursor},
        {Client(f.left(), 0), Qt::SizeHorCursor},
        {Client(0, 0), Qt::BitmapCursor},
        {Client(f.left(), 0) - QPoint(5, 0), Qt::BitmapCursor},
    };
    for (const auto& [point, shape] : cases) {
        m.Move(point);
        EXPECT_EQ(m.Viewport()->cursor().shape(), shape) << point.x() << "," << point.y();
    }
}

TEST_F(FrameToolTest, KeepRatioScalesTheOtherSideByThePixelCentreRule) {
    EnterStep3("10");
    ASSERT_TRUE(m.Item<QCheckBox>(IDD_STEP3_BAR, IDC_KEEP_RATIO)->isChecked());
    const int before = m.HistorySize();
    m.TypeInto(Field(IDC_RESULT_WIDTH), QStringLiteral("1568"));
    EXPECT_EQ(FieldValue(IDC_RESULT_WIDTH), 1568);
    EXPECT_EQ(FieldValue(IDC_RESULT_HEIGHT), 939);
    EXPECT_EQ(Field(IDC_SCALE_X)->text(), QStringLiteral("200.127714"));
    EXPECT_EQ(Field(IDC_SCALE_Y)->text(), QStringLiteral("200.127714"));
    EXPECT_DOUBLE_EQ(m.View().SizeCalc().m_scaleX, 1567.0 / 783.0);
    EXPECT_EQ(m.HistorySize(), before + 1) << "typing a number is one undo step";

    // A frame change keeps the factor: the result becomes trunc(trimmed x factor).
    const QRectF f = m.View().Frame();
    const QPoint left = Client(f.left(), 0.0f);
    m.Drag(left, left + QPoint(40, 0));
    const int trimmed = FieldValue(IDC_TRIM_WIDTH);
    EXPECT_LT(trimmed, 784);
    EXPECT_EQ(FieldValue(IDC_RESULT_WIDTH), int(trimmed * (1567.0 / 783.0)));

    // "x1" puts the result back to the trimmed size, as one entry.
    const int beforeReset = m.HistorySize();
    ASSERT_TRUE(m.Click(ID_RESET_SCALE));
    EXPECT_EQ(FieldValue(IDC_RESULT_WIDTH), trimmed);
    EXPECT_EQ(FieldValue(IDC_RESULT_HEIGHT), FieldValue(IDC_TRIM_HEIGHT));
    EXPECT_EQ(Field(IDC_SCALE_X)->text(), QStringLiteral("100.000000"));
    EXPECT_EQ(m.HistorySize(), beforeReset + 1);
    EXPECT_EQ(m.Doc().Current()->m_kind, 9);
}

TEST_F(FrameToolTest, WithoutKeepRatioOnlyOneSideChanges) {
    EnterStep3("0");
    QTest::mouseClick(m.Item(IDD_STEP3_BAR, IDC_KEEP_RATIO), Qt::LeftButton);
    m.TypeInto(Field(IDC_RESULT_HEIGHT), QStringLiteral("1199"));
    EXPECT_EQ(FieldValue(IDC_RESULT_WIDTH), 1000);
    EXPECT_DOUBLE_EQ(m.View().SizeCalc().m_scaleY, 1198.0 / 599.0);
    EXPECT_DOUBLE_EQ(m.View().SizeCalc().m_scaleX, 1.0);
}

TEST_F(FrameToolTest, TheSizeCheckKeepsStep3) {
    EnterStep3("0");
    struct Case {
        const char* width;
        const char* message;
    };
    const Case cases[] = {
        {"999", "トリム後サイズより小さくすることはできません。"},
        {"abc", "そのサイズにはできません。"},
        {"0", "そのサイズにはできません。"},
        // Far beyond what memory can hold: the render refuses it.
        {"99999999999", "そのサイズにはできません。"},
    };
    for (const Case& c : cases) {
        m.TypeInto(Field(IDC_RESULT_WIDTH), QString::fromLatin1(c.width));
        ScriptedMessageBoxes boxes;
        ASSERT_TRUE(m.Click(ID_TO_STEP4));
        ASSERT_EQ(boxes.Texts().size(), 1) << c.width;
        EXPECT_EQ(boxes.Texts().front(), QString::fromUtf8(c.message)) << c.width;
        EXPECT_EQ(m.Doc().Current()->m_step, 3);
    }
}

TEST_F(FrameToolTest, AClickWithoutMovingTrimsOnePixelAtAnyZoom) {
    // A large image opens fitted below 100 %, where a click lands between
    // pixel centres.
    m.LoadInStep2(3001, 2000);
    ASSERT_TRUE(m.Click(ID_TO_STEP3));
    ASSERT_LT(m.View().Zoom(), 100.0f);
    const QPoint centre = Client(0, 0);
    for (const QPoint offset : {QPoint(0, 0), QPoint(7, 3), QPoint(-12, 9), QPoint(31, -17)}) {
        m.Press(centre + offset);
        m.Release(centre + offset);
        EXPECT_EQ(FieldValue(IDC_TRIM_WIDTH), 1) << offset.x() << "," << offset.y();
        EXPECT_EQ(FieldValue(IDC_TRIM_HEIGHT), 1) << offset.x() << "," << offset.y();
        EXPECT_EQ(FieldValue(IDC_RESULT_WIDTH), 1);
    }
    ScriptedMessageBoxes boxes;
    ASSERT_TRUE(m.Click(ID_TO_STEP4));
    EXPECT_TRUE(boxes.Texts().isEmpty()) << boxes.Texts().join(' ').toStdString();
    ASSERT_EQ(m.Doc().Current()->m_step, 4);
    EXPECT_EQ(m.Doc().Current()->m_image->Width(), 1);
    EXPECT_EQ(m.Doc().Current()->m_image->Height(), 1);
}

}  // namespace
