#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <vector>

class CommandRouter;
class DialogBar;
class QAction;

// The idle-time update of enable states and check marks: one pass over the menu
// and toolbar actions and the push buttons of the visible bars, asking the
// router for each command, whenever the event loop has done some work and is
// about to wait again. Nothing else in the program enables or checks these.
class CommandUpdater : public QObject {
    Q_OBJECT
public:
    explicit CommandUpdater(CommandRouter& router, QObject* parent = nullptr);

    void AddAction(int id, QAction* action);
    void AddBar(DialogBar* bar);
    // Further work of the same idle moment (the frame refreshes its caption).
    void AddIdleTask(std::function<void()> task);

    // The pass itself; the idle hook runs it, tests may call it directly.
    void RunPass();

private:
    void OnAboutToBlock();

    CommandRouter& m_router;
    std::vector<std::pair<int, QPointer<QAction>>> m_actions;
    std::vector<QPointer<DialogBar>> m_bars;
    std::vector<std::function<void()>> m_idleTasks;
    // Set when the loop woke up; the pass runs once per wake-up, however often
    // the loop asks to wait in between.
    bool m_workSincePass = true;
};
