#pragma once

#include <QMainWindow>
#include <array>
#include <map>

#include "CommandUpdater.h"
#include "FramePlacement.h"
#include "platform/AppMessages.h"
#include "platform/framework/CommandTarget.h"

class CDocument;
class CommandRouter;
class CScrollHookDialogBar;
class DialogBar;
class SettingsStore;
class QAction;
class QMenu;

// The editor's one top-level window. The toolbar runs along the whole top
// edge and the status bar along the whole bottom edge; between them the
// visible step panel fills the left edge, and the top bar sits above the view
// only, to the right of the step panel. Exactly one step panel is visible: the
// one the view last reported with WM_APP_STEP_CHANGED.
//
// The caption is the document's title, " *" while it is modified, " - " and
// "Oblimo". The window's normal rectangle and its maximised and minimised
// states are kept in section "Frame" from one run to the next.
class CMainFrame : public QMainWindow, public CommandTarget {
    Q_OBJECT
public:
    CMainFrame(CommandRouter& router, SettingsStore& store, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The document whose title and modified state the caption shows.
    void SetDocument(CDocument* document);
    // The view fills the space right of the step panel, below the top bar.
    void SetView(QWidget* view);

    CScrollHookDialogBar* TopBar() const { return m_topBar; }
    // A bar by its id (311, 316-319), or null.
    DialogBar* GetControlBar(int id) const;
    // The step panel of step 1-4.
    DialogBar* StepBar(int step) const;
    QAction* Action(int id) const;
    CommandUpdater& Updater() { return m_updater; }

    void SetStatusText(const QString& text);
    QString StatusText() const;

    // The caption from the document's title and modified flag; the window text
    // is replaced only when it differs.
    void OnUpdateFrameTitle();
    // Start-up removes the help item when the local help page is missing.
    void RemoveMenuCommand(int id);
    // Sends a private message to every widget below the frame.
    void SendMessageToDescendants(AppMessage message);

    // CommandTarget: the frame handles no command of its own.
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;
    bool HandlesCommand(int id) const override;

    // No menu of its own: Qt's menu for hiding the toolbar is no command of
    // the editor, and a hidden toolbar could not be brought back.
    QMenu* createPopupMenu() override { return nullptr; }

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateMenuAndToolbar();
    void CreateBars();
    void OnStepChanged(int step);
    bool RestorePlacement();
    void SavePlacement();
    void OnCommitData();

    CommandRouter& m_router;
    SettingsStore& m_store;
    CommandUpdater m_updater;
    CDocument* m_document = nullptr;
    FramePlacement m_placement;
    CScrollHookDialogBar* m_topBar = nullptr;
    std::array<DialogBar*, 4> m_stepBars{};
    QWidget* m_viewColumn = nullptr;
    QWidget* m_view = nullptr;
    std::map<int, QAction*> m_actions;
    int m_firstShow = 1;
    // The status bar's message as last announced.
    QString m_statusMessage;
};
