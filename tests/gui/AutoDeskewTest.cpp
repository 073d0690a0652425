// "自動で傾きを補正" on the step-2 panel, through the real widgets: the angle it
// sets, its one history entry, the status text, the refusal of an image
// without lines, and its enable state.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>

#include "document/CTavloDoc.h"
#include "document/HistoryKind.h"
#include "frame/CMainFrame.h"
#include "frame/DialogBar.h"
#include "frame/PanelText.h"
#include "resources/CommandIds.h"
#include "support/EditorHarness.h"
#include "support/SkewedPages.h"
#include "support/TestEnvironment.h"
#include "view/CTavloView.h"
#include "view/NumberText.h"

namespace {

constexpr double kSkew = 7.35;  // the page on the glass, clockwise

class AutoDeskewTest : public ::testing::Test {
protected:
    void LoadSkewedPage() {
        SkewedPages::PageSpec spec;
        spec.layout = SkewedPages::Layout::Letter;
        spec.skew = kSkew;
        spec.dpi = 100;
        spec.jpegQuality = 80;
        m.OpenByButton(m.WriteImage(SkewedPages::MakeScan(spec)));
        ASSERT_TRUE(m.Click(ID_TO_STEP2));
        m.Idle();
    }
    float Angle() { return m.Doc().Current()->m_angle; }
    QAbstractButton* Button() { return m.Item<QAbstractButton>(IDD_STEP2_BAR, ID_AUTO_DESKEW); }

    EditorHarness m;
};

TEST_F(AutoDeskewTest, StandsBelowTheThreeWaysWithItsExplanation) {
    LoadSkewedPage();
    ASSERT_NE(Button(), nullptr);
    EXPECT_EQ(Button()->text(), QStringLiteral("自動で傾きを補正"));
    EXPECT_TRUE(Button()->isVisible());
    DialogBar* bar = m.Frame().GetControlBar(IDD_STEP2_BAR);
    const QString explanation = QStringLiteral("文字や罫線から傾きを検出して回転します。");
    const QString thirdWay = QStringLiteral(
        "画像内でドラッグして縦または横にしたい位置に線を引いてから上部の回転をクリック");
    const QLabel* label = nullptr;
    const QLabel* third = nullptr;
    // Panel labels carry invisible marks where they may wrap.
    auto plain = [](const QString& text) { return WithoutPhraseBreaks(text); };
    for (const QLabel* each : bar->findChildren<QLabel*>()) {
        if (plain(each->text()) == explanation) label = each;
        if (plain(each->text()) == thirdWay) third = each;
    }
    ASSERT_NE(label, nullptr);
    ASSERT_NE(third, nullptr);
    const int buttonTop = Button()->mapTo(bar, QPoint(0, 0)).y();
    EXPECT_GT(buttonTop, third->mapTo(bar, QPoint(0, third->height())).y() - 1);
    EXPECT_GT(label->mapTo(bar, QPoint(0, 0)).y(), buttonTop);
    const QAbstractButton* toStep3 = m.Item<QAbstractButton>(IDD_STEP2_BAR, ID_TO_STEP3);
    EXPECT_GT(toStep3->mapTo(bar, QPoint(0, 0)).y(), label->mapTo(bar, QPoint(0, 0)).y());
}

TEST_F(AutoDeskewTest, TurnsThePageUprightAsOneUndoStepAndShowsTheCorrection) {
    LoadSkewedPage();
    const int before = m.HistorySize();
    ASSERT_TRUE(m.Click(ID_AUTO_DESKEW));
    m.Idle();
    EXPECT_NEAR(Angle(), -kSkew, 0.1);
    EXPECT_EQ(m.HistorySize(), before + 1);
    EXPECT_EQ(m.Doc().Current()->m_kind, kKindAngleFromLine);
    EXPECT_EQ(m.Frame().StatusText(), FormatFixed(Angle()));
    EXPECT_EQ(m.Frame().StatusText().size(), FormatFixed(-7.35).size()) << "written with %f";
    EXPECT_EQ(m.Item(IDD_TOP_BAR, IDC_ANGLE_BOX)->property("currentText").toString(),
              FormatFixed(Angle()));

    // Once more: the page is upright now, so almost nothing is added, and
    // the press is an undo step of its own rather than merged with the first.
    const float first = Angle();
    ASSERT_TRUE(m.Click(ID_AUTO_DESKEW));
    m.Idle();
    EXPECT_NEAR(Angle(), first, 0.05);
    EXPECT_EQ(m.HistorySize(), before + 2);
    // The status shows the correction itself; the angle is its float sum.
    EXPECT_NEAR(m.Frame().StatusText().toDouble(), Angle() - first, 1e-4);

    m.Frame().Action(ID_EDIT_UNDO)->trigger();
    m.Frame().Action(ID_EDIT_UNDO)->trigger();
    m.Idle();
    EXPECT_FLOAT_EQ(Angle(), 0.0f);
}

TEST_F(AutoDeskewTest, MeasuresTheDisplayedImageWithItsFlipAndAngle) {
    LoadSkewedPage();
    // Mirrored left-right the page leans the other way; an angle typed first
    // is part of what is displayed, and the correction adds to it.
    m.Frame().Action(ID_FLIP_HORIZONTAL)->trigger();
    m.TypeInto(m.Item(IDD_TOP_BAR, IDC_ANGLE_BOX), QStringLiteral("3"));
    m.Idle();
    ASSERT_FLOAT_EQ(Angle(), 3.0f);
    ASSERT_TRUE(m.Click(ID_AUTO_DESKEW));
    m.Idle();
    EXPECT_NEAR(Angle(), kSkew, 0.1);
    EXPECT_NEAR(m.Frame().StatusText().toDouble(), Angle() - 3.0f, 1e-4);
}

TEST_F(AutoDeskewTest, AnImageWithoutLinesIsLeftAsItIsWithAMessage) {
    m.LoadInStep2();  // one plain colour
    const int before = m.HistorySize();
    const bool modified = m.Doc().IsModified();
    ScriptedMessageBoxes boxes;
    ASSERT_TRUE(m.Click(ID_AUTO_DESKEW));
    m.Idle();
    EXPECT_EQ(boxes.Texts(), QStringList{QStringLiteral("傾きを検出できませんでした。")});
    EXPECT_FLOAT_EQ(Angle(), 0.0f);
    EXPECT_EQ(m.HistorySize(), before);
    EXPECT_EQ(m.Doc().IsModified(), modified);
    EXPECT_EQ(m.Frame().StatusText(), QString());
}

TEST_F(AutoDeskewTest, IsDisabledWhileADrawnLineWaitsForConfirmation) {
    LoadSkewedPage();
    m.Drag(QPoint(100, 100), QPoint(300, 120));
    m.Idle();
    ASSERT_EQ(m.View().LineMode(), 1);
    EXPECT_FALSE(m.Click(ID_AUTO_DESKEW));
    EXPECT_FALSE(Button()->isEnabled());
    EXPECT_FLOAT_EQ(Angle(), 0.0f);

    ASSERT_TRUE(m.Click(ID_LINE_CANCEL));
    m.Idle();
    EXPECT_TRUE(Button()->isEnabled());
}
}  // namespace
