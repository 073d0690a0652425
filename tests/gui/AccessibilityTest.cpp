// The window as screen readers and other accessibility clients see it: every
// button, field and box of the visible bars is found by its name in the
// accessibility tree, and the guide can be worked through that tree alone.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleEditableTextInterface>
#include <QAccessibleValueInterface>
#include <QAbstractButton>
#include <QTest>
#include <functional>

#include "document/CTavloDoc.h"
#include "frame/CMainFrame.h"
#include "resources/CommandIds.h"
#include "support/EditorHarness.h"
#include "view/CTavloView.h"

namespace {

struct Node {
    QAccessible::Role role;
    QString name;
    QAccessibleInterface* interface;
};

// What a client announces for a node: its name, or for a combo box (whose
// name on Linux is its text) the label it is labelled by.
QString AnnouncedName(QAccessibleInterface* node) {
    if (node->role() == QAccessible::ComboBox) {
        for (const auto& [other, relation] : node->relations(QAccessible::Label))
            return other->text(QAccessible::Name);
        return {};
    }
    return node->text(QAccessible::Name);
}

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
                             {R::ScrollBar, "水平スクロールバー"}});

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

}  // namespace
