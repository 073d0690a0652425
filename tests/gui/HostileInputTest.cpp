// What users can type that no float or int can hold, and the editor's keys
// while a field has the focus.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <cmath>

#include "document/CTavloDoc.h"
#include "frame/CMainFrame.h"
#include "resources/CommandIds.h"
#include "resources/DialogTemplates.h"
#include "support/EditorHarness.h"
#include "support/TestEnvironment.h"
#include "view/CTavloView.h"

namespace {
class HostileInputTest : public ::testing::Test {
protected:
    QComboBox* Box(int id) { return m.Item<QComboBox>(IDD_TOP_BAR, id); }
    EditorHarness m;
};

TEST_F(HostileInputTest, AnAngleBeyondAFloatIsNoAngleAndStepFourStillRenders) {
    m.LoadInStep2();
    for (const char* typed : {"1e39", "-1e39", "1e12", "nan", "inf"}) {
        m.TypeInto(Box(IDC_ANGLE_BOX), QString::fromLatin1(typed));
        const float angle = m.Doc().Current()->m_angle;
        EXPECT_TRUE(std::isfinite(angle)) << typed;
        EXPECT_LE(std::fabs(angle), 180.0f) << typed;
    }
    ASSERT_TRUE(m.Click(ID_TO_STEP3));
    ScriptedMessageBoxes boxes;
    ASSERT_TRUE(m.Click(ID_TO_STEP4));
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(m.Doc().Current()->m_step, 4);
}

TEST_F(HostileInputTest, AZoomThatIsZeroAsAFloatIsNotApplied) {
    m.LoadInStep2();
    const float before = m.View().Zoom();
    // Typed a key at a time, every prefix counts: none of these has a prefix
    // that is a usable zoom ("0.00001e-40" is zero once it is a float).
    for (const char* typed : {"0.00001e-40", "0.000001", "0", "-5"}) {
        m.TypeInto(Box(IDC_ZOOM_BOX), QString::fromLatin1(typed));
        EXPECT_FLOAT_EQ(m.View().Zoom(), before) << typed;
    }
    m.TypeInto(Box(IDC_ZOOM_BOX), QStringLiteral("50"));
    EXPECT_FLOAT_EQ(m.View().Zoom(), 50.0f);
}

TEST_F(HostileInputTest, UndoKeysReachTheEditorWhileTheAngleBoxHasTheFocus) {
    m.LoadInStep2();
    m.TypeInto(Box(IDC_ANGLE_BOX), QStringLiteral("7"));
    m.Idle();
    m.Frame().Action(ID_FLIP_HORIZONTAL)->trigger();
    m.TypeInto(Box(IDC_ANGLE_BOX), QStringLiteral("9"));
    const int typedAt = m.HistoryIndex();
    QWidget* field = Box(IDC_ANGLE_BOX)->lineEdit();
    ASSERT_TRUE(field->hasFocus());

    QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
    m.Idle();
    EXPECT_EQ(m.HistoryIndex(), typedAt - 1);
    QTest::keyClick(field, Qt::Key_Backspace, Qt::AltModifier);
    m.Idle();
    EXPECT_EQ(m.HistoryIndex(), typedAt - 2);
    QTest::keyClick(field, Qt::Key_Y, Qt::ControlModifier);
    m.Idle();
    EXPECT_EQ(m.HistoryIndex(), typedAt - 1);
}
}  // namespace
