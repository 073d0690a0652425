#pragma once

#include <QImage>
#include <QPoint>
#include <QString>
#include <QTemporaryDir>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "app/CTavloApp.h"
#include "app/TavloDocTemplate.h"
#include "platform/FileDialogs.h"
#include "platform/SettingsStore.h"

class CMainFrame;
class CTavloDoc;
class CTavloView;
class DialogBar;
class QWidget;

// Answers file dialogs in order and remembers what was asked.
class ScriptedFileDialogs : public FileDialogs {
public:
    QString GetOpenFileName(const QString& filter) override;
    QStringList GetOpenFileNames(const QString& filter, const QString& title) override;
    std::optional<SaveDialogAnswer> GetSaveFileName(const SaveDialogRequest& request) override;
    std::optional<QString> GetFolderName(const QString& initialFolder) override;

    std::deque<std::optional<QString>> folderAnswers;
    std::vector<QString> folderRequests;
    std::deque<QString> openAnswers;
    std::deque<QStringList> openManyAnswers;
    // Filter and title of every multiple-selection dialog shown.
    std::vector<std::pair<QString, QString>> openManyRequests;
    std::deque<std::optional<SaveDialogAnswer>> saveAnswers;
    std::vector<QString> openFilters;
    std::vector<SaveDialogRequest> saveRequests;
};

// The whole editor window, built as the program builds it, shown on the
// offscreen platform at a fixed size, with helpers that drive its real widgets
// by synthetic mouse and keyboard input.
class EditorHarness {
public:
    enum Settings { FirstStart, KeepSettings };
    explicit EditorHarness(QSize frameSize = QSize(1600, 1000), Settings settings = FirstStart);
    ~EditorHarness();

    CTavloApp& App() { return m_app; }
    SettingsStore& Store() { return m_store; }
    CTavloDoc& Doc();
    CMainFrame& Frame();
    CTavloView& View();
    QWidget* Viewport();
    TavloDocTemplate& Template() { return *m_editor; }
    ScriptedFileDialogs& Dialogs() { return m_dialogs; }
    QString Folder() const { return m_folder.path(); }

    // Writes the image as PNG into the test's folder.
    QString WriteImage(const QImage& image, const QString& name = QStringLiteral("scan.png"));
    // Loads through "ファイルから読み込む" with the dialog answering the path.
    void OpenByButton(const QString& path);
    // A 1000 x 600 image, loaded, in step 2.
    void LoadInStep2(int width = 1000, int height = 600);

    // The control of the given id on the top bar or a step bar.
    QWidget* Item(int barId, int id);
    template <class T>
    T* Item(int barId, int id) {
        return qobject_cast<T*>(Item(barId, id));
    }
    // Clicks the push button of the command on the visible step bar or the
    // top bar, after the idle update has decided whether it is enabled.
    // False when the button is hidden or disabled.
    bool Click(int id);
    // Selects the whole text of a field or box and types over it, one key at
    // a time.
    void TypeInto(QWidget* field, const QString& text);
    // Chooses a list item of a combo box as the user does (the item is
    // activated).
    void ChooseItem(int comboId, int index);

    // Mouse on the canvas, in client coordinates.
    void Press(QPoint at);
    void Move(QPoint to);
    void Release(QPoint at);
    void Drag(QPoint from, QPoint to, int steps = 4);
    // A wheel notch (delta 120 per notch) over the canvas.
    void Wheel(QPoint at, int delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

    // Lets posted events run and runs the idle update of enable states.
    void Idle();
    int HistorySize() const;
    int HistoryIndex() const;

private:
    // A window starts from empty settings, as at a first start, unless it is
    // to find what an earlier one stored.
    struct EmptySettings {
        explicit EmptySettings(Settings settings);
    } m_emptySettings;
    QTemporaryDir m_folder;
    SettingsStore m_store;
    CTavloApp m_app;
    ScriptedFileDialogs m_dialogs;
    std::unique_ptr<TavloDocTemplate> m_editor;
};
