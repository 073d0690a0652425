#include "EditorHarness.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>

#include "TestEnvironment.h"
#include "document/CTavloDoc.h"
#include "frame/CMainFrame.h"
#include "frame/DialogBar.h"
#include "resources/CommandIds.h"
#include "view/CTavloView.h"

QString ScriptedFileDialogs::GetOpenFileName(const QString& filter) {
    openFilters.push_back(filter);
    if (openAnswers.empty()) return {};
    QString answer = openAnswers.front();
    openAnswers.pop_front();
    return answer;
}

QStringList ScriptedFileDialogs::GetOpenFileNames(const QString& filter, const QString& title) {
    openManyRequests.emplace_back(filter, title);
    if (openManyAnswers.empty()) return {};
    QStringList answer = openManyAnswers.front();
    openManyAnswers.pop_front();
    return answer;
}

std::optional<SaveDialogAnswer> ScriptedFileDialogs::GetSaveFileName(
    const SaveDialogRequest& request) {
    saveRequests.push_back(request);
    if (saveAnswers.empty()) return std::nullopt;
    std::optional<SaveDialogAnswer> answer = std::move(saveAnswers.front());
    saveAnswers.pop_front();
    return answer;
}

std::optional<QString> ScriptedFileDialogs::GetFolderName(const QString& initialFolder) {
    folderRequests.push_back(initialFolder);
    if (folderAnswers.empty()) return std::nullopt;
    std::optional<QString> answer = std::move(folderAnswers.front());
    folderAnswers.pop_front();
    return answer;
}

EditorHarness::EmptySettings::EmptySettings(Settings settings) {
    if (settings == FirstStart) TestEnvironment::ClearSettings();
}

EditorHarness::EditorHarness(QSize frameSize, Settings settings)
    : m_emptySettings(settings), m_app(m_store) {
    EXPECT_TRUE(m_app.InitInstance());
    m_editor = std::make_unique<TavloDocTemplate>(m_app, m_dialogs);
    EXPECT_TRUE(m_editor->ProcessCommandLine({QStringLiteral("tavlo")}));
    m_editor->InstallMessageFilter();
    Frame().resize(frameSize);
    Frame().show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&Frame()));
    QApplication::setActiveWindow(&Frame());
    Idle();
}

EditorHarness::~EditorHarness() { m_editor.reset(); }

CTavloDoc& EditorHarness::Doc() { return m_editor->Document(); }
CMainFrame& EditorHarness::Frame() { return m_editor->Frame(); }
CTavloView& EditorHarness::View() { return m_editor->View(); }
QWidget* EditorHarness::Viewport() { return View().viewport(); }

QString EditorHarness::WriteImage(const QImage& image, const QString& name) {
    const QString path = m_folder.filePath(name);
    EXPECT_TRUE(image.save(path, "PNG"));
    return path;
}

void EditorHarness::OpenByButton(const QString& path) {
    m_dialogs.openAnswers.push_back(path);
    ASSERT_TRUE(Click(ID_FILE_OPEN));
    Idle();
}

void EditorHarness::LoadInStep2(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(QColor(90, 140, 200));
    OpenByButton(WriteImage(image));
    ASSERT_TRUE(Click(ID_TO_STEP2));
    Idle();
}

QWidget* EditorHarness::Item(int barId, int id) {
    DialogBar* bar = Frame().GetControlBar(barId);
    return bar ? bar->GetDlgItem(id) : nullptr;
}

bool EditorHarness::Click(int id) {
    Idle();
    for (int barId : {IDD_TOP_BAR, IDD_STEP1_BAR, IDD_STEP2_BAR, IDD_STEP3_BAR, IDD_STEP4_BAR}) {
        auto* button = Item<QPushButton>(barId, id);
        if (!button || !button->isVisible()) continue;
        if (!button->isEnabled()) return false;
        QTest::mouseClick(button, Qt::LeftButton);
        Idle();
        return true;
    }
    return false;
}

void EditorHarness::TypeInto(QWidget* field, const QString& text) {
    QLineEdit* edit = qobject_cast<QLineEdit*>(field);
    if (auto* combo = qobject_cast<QComboBox*>(field)) edit = combo->lineEdit();
    ASSERT_NE(edit, nullptr);
    field->setFocus();
    edit->selectAll();
    if (text.isEmpty()) {
        QTest::keyClick(edit, Qt::Key_Backspace);
    } else {
        QTest::keyClicks(edit, text);
    }
    Idle();
}

void EditorHarness::ChooseItem(int comboId, int index) {
    auto* combo = Item<QComboBox>(IDD_TOP_BAR, comboId);
    ASSERT_NE(combo, nullptr);
    combo->showPopup();
    QAbstractItemView* list = combo->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
    const QRect item = list->visualRect(list->model()->index(index, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
    Idle();
}

void EditorHarness::Press(QPoint at) { QTest::mousePress(Viewport(), Qt::LeftButton, {}, at); }

void EditorHarness::Move(QPoint to) { QTest::mouseMove(Viewport(), to); }

void EditorHarness::Release(QPoint at) {
    QTest::mouseRelease(Viewport(), Qt::LeftButton, {}, at);
    Idle();
}

void EditorHarness::Drag(QPoint from, QPoint to, int steps) {
    Press(from);
    for (int i = 1; i <= steps; ++i) Move(from + (to - from) * i / steps);
    Release(to);
}

void EditorHarness::Wheel(QPoint at, int delta, Qt::KeyboardModifiers modifiers) {
    QWheelEvent event(QPointF(at), QPointF(Viewport()->mapToGlobal(at)), QPoint(),
                      QPoint(0, delta), Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(Viewport(), &event);
    Idle();
}

void EditorHarness::Idle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    Frame().Updater().RunPass();
}

int EditorHarness::HistorySize() const { return m_editor->Document().History().Size(); }
int EditorHarness::HistoryIndex() const { return m_editor->Document().History().Index(); }
