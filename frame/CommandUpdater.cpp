#include "CommandUpdater.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QAction>
#include <QThread>

#include "CommandRouter.h"
#include "DialogBar.h"

CommandUpdater::CommandUpdater(CommandRouter& router, QObject* parent)
    : QObject(parent), m_router(router) {
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(thread())) {
        connect(dispatcher, &QAbstractEventDispatcher::awake, this,
                [this] { m_workSincePass = true; });
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                &CommandUpdater::OnAboutToBlock);
    }
}

void CommandUpdater::AddAction(int id, QAction* action) { m_actions.emplace_back(id, action); }

void CommandUpdater::AddBar(DialogBar* bar) { m_bars.emplace_back(bar); }

void CommandUpdater::AddIdleTask(std::function<void()> task) {
    m_idleTasks.push_back(std::move(task));
}

void CommandUpdater::OnAboutToBlock() {
    if (!m_workSincePass) return;
    m_workSincePass = false;
    RunPass();
}

void CommandUpdater::RunPass() {
    for (auto& [id, action] : m_actions) {
        if (!action) continue;
        const CommandState state = m_router.QueryState(id);
        action->setEnabled(state.enabled);
        if (action->isCheckable() && state.checkSet) action->setChecked(state.check != 0);
    }
    // Only push buttons: check boxes, fields, boxes and scroll bars keep the
    // state the view gives them.
    for (const QPointer<DialogBar>& bar : m_bars) {
        if (!bar || !bar->isVisible()) continue;
        for (const auto& [id, button] : bar->PushButtons())
            button->setEnabled(m_router.QueryState(id).enabled);
    }
    for (const auto& task : m_idleTasks) task();
}
