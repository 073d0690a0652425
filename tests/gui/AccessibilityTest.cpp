// The window as screen readers and other accessibility clients see it: every
// button, field and box of the visible bars is found by its name in the
// accessibility tree, and the guide can be worked through that tree alone;
// the window is named by its caption, the status bar's message is text that
// is announced when it changes, and every control is reached with Tab.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleEditableTextInterface>
#include <QAccessibleValueInterface>
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <cmath>
#include <functional>
#include <set>

#include "document/CTavloDoc.h"
#include "frame/CMainFrame.h"
#include "frame/DialogBar.h"
#include <QAction>
#include "resources/CommandIds.h"
#include "support/EditorHarness.h"
#include "view/CTavloView.h"

namespace {

struct Node {
    QAccessible::Role role;
    QString name;
    QAccessibleInterface* interface;
};

// What a client announces for a node: its name itself, as the bridge hands
// it over (a label relation is not followed by every screen reader).
QString AnnouncedName(QAccessibleInterface* node) { return node->text(QAccessible::Name); }

// Every visible node below the main window.
std::vector<Node> VisibleTree(QWidget& window) {
    std::vector<Node> nodes;
    std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
        if (!node || node->state().invisible) return;
        nodes.push_back({node->role(), AnnouncedName(node), node});
        for (int i = 0; i < node->childCount(); ++i) walk(node->child(i));
    };
    walk(QAccessible::queryAccessibleInterface(&window));
    return nodes;
}

bool IsControl(QAccessible::Role role) {
    switch (role) {
        case QAccessible::PushButton:
        case QAccessible::CheckBox:
        case QAccessible::ComboBox:
        case QAccessible::EditableText:
        case QAccessible::ScrollBar:
        case QAccessible::SpinBox:
        case QAccessible::Slider:
            return true;
        default:
            return false;
    }
}

class AccessibilityTest : public ::testing::Test {
protected:
    QAccessibleInterface* Find(QAccessible::Role role, const QString& name) {
        for (const Node& node : VisibleTree(m.Frame()))
            if (node.role == role && node.name == name) return node.interface;
        return nullptr;
    }
    // Every expected control is there, and no visible control is nameless.
    void ExpectControls(const char* step,
                        std::initializer_list<std::pair<QAccessible::Role, const char*>> expected) {
        for (const auto& [role, name] : expected)
            EXPECT_NE(Find(role, QString::fromUtf8(name)), nullptr) << step << ": " << name;
        for (const Node& node : VisibleTree(m.Frame())) {
            if (IsControl(node.role)) {
                EXPECT_FALSE(node.name.isEmpty()) << step << ": a control of role " << node.role;
            }
        }
    }
    void Press(const char* name) {
        QAccessibleInterface* button = Find(QAccessible::PushButton, QString::fromUtf8(name));
        ASSERT_NE(button, nullptr) << name;
        ASSERT_NE(button->actionInterface(), nullptr);
        button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        // A pressed button shows itself down for a moment and then clicks.
        auto* widget = qobject_cast<QAbstractButton*>(button->object());
        ASSERT_NE(widget, nullptr);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !widget->isDown(); }, 5000)) << name;
        m.Idle();
    }
    void Replace(const char* name, const QString& text) {
        QAccessibleInterface* field = Find(QAccessible::EditableText, QString::fromUtf8(name));
        ASSERT_NE(field, nullptr) << name;
        QAccessibleEditableTextInterface* editable = field->editableTextInterface();
        ASSERT_NE(editable, nullptr) << name;
        editable->replaceText(0, field->textInterface()->characterCount(), text);
        m.Idle();
    }

    EditorHarness m;
};

using R = QAccessible::Role;

TEST_F(AccessibilityTest, TheWholeGuideIsFoundAndWorkedByName) {
    QAccessible::setActive(true);
    ExpectControls("empty", {{R::PushButton, "ファイルから読み込む"},
                             {R::PushButton, "クリップボードから貼り付け"},
                             {R::PushButton, "ステップ2へ >>"},
                             {R::ComboBox, "表示"},
                             {R::EditableText, "表示"},
                             {R::PushButton, "拡大"},
                             {R::PushButton, "縮小"},
                             {R::SpinBox, "表示"},
                             {R::ScrollBar, "水平スクロールバー"}});
    QAccessibleInterface* zoomBox = Find(R::ComboBox, QStringLiteral("表示"));
    ASSERT_NE(zoomBox, nullptr);
    EXPECT_EQ(zoomBox->text(QAccessible::Value), QStringLiteral("100.000000"));

    QImage image(1000, 600, QImage::Format_ARGB32);
    image.fill(Qt::darkYellow);
    m.Dialogs().openAnswers.push_back(m.WriteImage(image));
    Press("ファイルから読み込む");
    ASSERT_NE(m.Doc().Current(), nullptr);
    Press("ステップ2へ >>");
    ASSERT_EQ(m.Doc().Current()->m_step, 2);
    ExpectControls("step 2", {{R::ComboBox, "回転"}, {R::ScrollBar, "回転"},
                              {R::PushButton, "ステップ3へ >>"}});

    // The angle by its box and by its scroll bar.
    ExpectControls("step 2", {{R::EditableText, "回転"}});
    Replace("回転", QStringLiteral("10"));
    EXPECT_FLOAT_EQ(m.Doc().Current()->m_angle, 10.0f);
    QAccessibleInterface* bar = Find(R::ScrollBar, QStringLiteral("回転"));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->valueInterface()->currentValue().toInt(), 3800);
    bar->valueInterface()->setCurrentValue(3900);
    m.Idle();
    EXPECT_FLOAT_EQ(m.Doc().Current()->m_angle, 15.0f);
    EXPECT_EQ(bar->valueInterface()->currentValue().toInt(), 3900);
    Replace("回転", QStringLiteral("10"));

    Press("ステップ3へ >>");
    ASSERT_EQ(m.Doc().Current()->m_step, 3);
    ExpectControls("step 3", {{R::PushButton, "もとの位置に戻す"},
                              {R::EditableText, "元の画像 (ピクセル)幅"},
                              {R::EditableText, "元の画像 (ピクセル)高さ"},
                              {R::EditableText, "トリム後 (ピクセル)幅"},
                              {R::EditableText, "トリム後 (ピクセル)高さ"},
                              {R::EditableText, "拡大後 (ピクセル)幅"},
                              {R::EditableText, "拡大後 (ピクセル)高さ"},
                              {R::PushButton, "x1"},
                              {R::CheckBox, "縦横比を維持する"},
                              {R::PushButton, "ステップ4へ >>"}});
    Replace("拡大後 (ピクセル)幅", QStringLiteral("1568"));
    QAccessibleInterface* height = Find(R::EditableText, QStringLiteral("拡大後 (ピクセル)高さ"));
    ASSERT_NE(height, nullptr);
    EXPECT_EQ(height->text(QAccessible::Value), QStringLiteral("939"));

    Press("ステップ4へ >>");
    ASSERT_EQ(m.Doc().Current()->m_step, 4);
    ExpectControls("step 4", {{R::EditableText, "プレビュー幅"},
                              {R::EditableText, "プレビュー高さ"},
                              {R::PushButton, "自動的に名前を変えて保存"},
                              {R::PushButton, "名前を付けて保存"},
                              {R::PushButton, "クリップボードにコピー"},
                              {R::PushButton, "一括処理"},
                              {R::PushButton, "別の画像を編集"}});
    EXPECT_EQ(Find(R::EditableText, QStringLiteral("プレビュー幅"))->text(QAccessible::Value),
              QStringLiteral("1568"));
}

TEST_F(AccessibilityTest, LineConfirmButtonsAreNamedToo) {
    QAccessible::setActive(true);
    m.LoadInStep2();
    m.Drag(QPoint(100, 100), QPoint(200, 110));
    ExpectControls("line waiting", {{R::PushButton, "回転"}, {R::PushButton, "キャンセル"}});
    Press("キャンセル");
    EXPECT_EQ(m.View().LineMode(), 0);
}

TEST_F(AccessibilityTest, TheWindowIsNamedByItsCaption) {
    QAccessible::setActive(true);
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&m.Frame());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->text(QAccessible::Name), QStringLiteral("無題 - Oblimo"));
    QImage image(300, 200, QImage::Format_ARGB32);
    image.fill(Qt::darkYellow);
    m.OpenByButton(m.WriteImage(image));
    EXPECT_EQ(window->text(QAccessible::Name), QStringLiteral("scan.png - Oblimo"));
    Press("ステップ2へ >>");
    ASSERT_EQ(m.Doc().Current()->m_step, 2);
    // With the modified mark, as the caption shows it.
    EXPECT_EQ(window->text(QAccessible::Name), QStringLiteral("scan.png * - Oblimo"));
    EXPECT_EQ(window->text(QAccessible::Name), m.Frame().windowTitle());
}

TEST_F(AccessibilityTest, TheZoomUpDownIsASpinButtonThatZooms) {
    QAccessible::setActive(true);
    m.LoadInStep2(3000, 2000);
    QAccessibleInterface* spin = Find(R::SpinBox, QStringLiteral("表示"));
    ASSERT_NE(spin, nullptr);
    ASSERT_NE(spin->actionInterface(), nullptr);
    const float fitted = m.View().Zoom();
    spin->actionInterface()->doAction(QAccessibleActionInterface::increaseAction());
    m.Idle();
    EXPECT_GT(m.View().Zoom(), fitted);
    spin->actionInterface()->doAction(QAccessibleActionInterface::decreaseAction());
    m.Idle();
    EXPECT_FLOAT_EQ(m.View().Zoom(), fitted);
}

TEST_F(AccessibilityTest, MenuItemsAreNamedWithoutTheirShortcut) {
    QAccessible::setActive(true);
    std::vector<QString> names, keys;
    for (QAction* title : m.Frame().menuBar()->actions()) {
        QAccessibleInterface* menu = QAccessible::queryAccessibleInterface(title->menu());
        ASSERT_NE(menu, nullptr);
        for (int i = 0; i < menu->childCount(); ++i) {
            QAccessibleInterface* item = menu->child(i);
            if (item->role() == R::Separator) continue;
            EXPECT_FALSE(item->text(QAccessible::Name).contains(QLatin1Char('\t')))
                << item->text(QAccessible::Name).toStdString();
            names.push_back(item->text(QAccessible::Name));
            keys.push_back(item->text(QAccessible::Accelerator));
        }
    }
    ASSERT_GE(names.size(), 4u);
    // File: new, exit; Edit: undo, redo, ...
    EXPECT_EQ(names[2], QStringLiteral("元に戻す(U)"));
    EXPECT_EQ(keys[2], QStringLiteral("Ctrl+Z"));
    EXPECT_EQ(names[3], QStringLiteral("やり直す(R)"));
    EXPECT_EQ(keys[3], QStringLiteral("Ctrl+Y"));
}

// The correction of a drawn line is in the status bar, which a screen reader
// reads as its value and as text. (Its changes are announced as text updates;
// Qt hands those only to a running accessibility bridge, which the offscreen
// platform has not.)
TEST_F(AccessibilityTest, TheStatusMessageIsExposedAsText) {
    QAccessible::setActive(true);
    m.LoadInStep2();
    m.Drag(QPoint(100, 100), QPoint(200, 110));
    QAccessibleInterface* status = Find(R::StatusBar, QStringLiteral("ステータス"));
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->object(), m.Frame().statusBar());
    EXPECT_EQ(status->text(QAccessible::Value), QStringLiteral("-5.710593"));
    QAccessibleTextInterface* text = status->textInterface();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text(0, text->characterCount()), QStringLiteral("-5.710593"));
    EXPECT_EQ(text->text(1, 3), QStringLiteral("5."));

    Press("キャンセル");
    EXPECT_EQ(status->text(QAccessible::Value), QString());
    EXPECT_EQ(text->characterCount(), 0);
}

// Tab from the canvas goes through every enabled control of the visible bars
// and comes back, in every step and in line-confirm mode.
TEST_F(AccessibilityTest, EveryControlOfEveryStepIsReachedWithTab) {
    auto reachedByTab = [&](const char* step) {
        std::set<QWidget*> reached;
        m.View().setFocus();
        m.Idle();
        for (int i = 0; i < 80; ++i) {
            QWidget* focus = QApplication::focusWidget();
            ASSERT_NE(focus, nullptr) << step;
            reached.insert(focus);
            if (focus->focusProxy()) reached.insert(focus->focusProxy());
            if (auto* combo = qobject_cast<QComboBox*>(focus->parentWidget())) reached.insert(combo);
            QTest::keyClick(focus, Qt::Key_Tab);
        }
        int controls = 0;
        for (int id : {IDD_TOP_BAR, IDD_STEP1_BAR, IDD_STEP2_BAR, IDD_STEP3_BAR, IDD_STEP4_BAR}) {
            DialogBar* bar = m.Frame().GetControlBar(id);
            for (QWidget* widget : bar->findChildren<QWidget*>()) {
                QAccessibleInterface* node = QAccessible::queryAccessibleInterface(widget);
                if (!widget->isVisible() || !widget->isEnabled() || !node || !IsControl(node->role()))
                    continue;
                if (DialogBar::ControlIdOf(widget) == IDC_NONE) continue;  // the parts of a control
                ++controls;
                EXPECT_TRUE(reached.count(widget))
                    << step << ": " << node->text(QAccessible::Name).toStdString() << " ("
                    << DialogBar::ControlIdOf(widget) << ")";
            }
        }
        EXPECT_GE(controls, 3) << step;
    };
    m.LoadInStep2();
    m.Frame().Action(ID_EDIT_UNDO)->trigger();
    m.Idle();
    ASSERT_EQ(m.Doc().Current()->m_step, 1);
    reachedByTab("step 1");
    m.Frame().Action(ID_EDIT_REDO)->trigger();
    m.Idle();
    reachedByTab("step 2");
    m.Drag(QPoint(100, 100), QPoint(200, 110));
    ASSERT_EQ(m.View().LineMode(), 1);
    reachedByTab("line-confirm mode");
    ASSERT_TRUE(m.Click(ID_LINE_CANCEL));
    ASSERT_TRUE(m.Click(ID_TO_STEP3));
    reachedByTab("step 3");
    ASSERT_TRUE(m.Click(ID_TO_STEP4));
    reachedByTab("step 4");
}

// The rotation scroll bar takes the focus by Tab and turns by its steps:
// 0.05 degrees an arrow, 1 degree a page.
TEST_F(AccessibilityTest, TheRotationScrollBarTurnsByKeys) {
    m.LoadInStep2();
    auto* bar = m.Item<QScrollBar>(IDD_TOP_BAR, IDC_ANGLE_SCROLL);
    m.View().setFocus();
    for (int i = 0; i < 40 && QApplication::focusWidget() != bar; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), bar) << "Tab never reached the scroll bar";
    struct Case {
        Qt::Key key;
        float angle;
    };
    const Case cases[] = {
        {Qt::Key_Left, -0.05f},    {Qt::Key_Left, -0.1f},    {Qt::Key_Right, -0.05f},
        {Qt::Key_Down, 0.0f},      {Qt::Key_Up, -0.05f},     {Qt::Key_PageDown, 0.95f},
        {Qt::Key_PageUp, -0.05f},  {Qt::Key_End, 180.0f},    {Qt::Key_Home, -180.0f},
    };
    for (const Case& c : cases) {
        QTest::keyClick(bar, c.key);
        m.Idle();
        EXPECT_NEAR(m.Doc().Current()->m_angle, c.angle, 1e-5) << c.key;
        EXPECT_EQ(bar->value(), 3600 + int(std::lround(c.angle * 20))) << c.key;
    }
    // The keys' turns are scroll-bar records: one undo step for them all.
    m.Doc().Undo();
    EXPECT_FLOAT_EQ(m.Doc().Current()->m_angle, 0.0f);
}

}  // namespace
