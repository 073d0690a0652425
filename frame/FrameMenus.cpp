// The main frame's menu, accelerators and toolbar: one action per command,
// shared by the menu item and the toolbar button, with the command's prompt in
// the status bar and its tooltip on the button.

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QToolBar>
#include <algorithm>

#include "CMainFrame.h"
#include "CommandRouter.h"
#include "ToolbarIcons.h"
#include "resources/MainMenu.h"
#include "resources/Strings.h"

namespace {
QString Prompt(int id) {
    for (const PromptTemplate& prompt : kCommandPrompts)
        if (prompt.id == id) return QString::fromUtf16(prompt.prompt);
    return {};
}

// Menu text without its mnemonic marker and shown shortcut, for tooltips and
// accessible names of commands that have no tooltip of their own.
QString PlainMenuText(QString text) {
    text = text.section(QLatin1Char('\t'), 0, 0);
    text.remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
    return text.remove(QLatin1Char('&'));
}
}  // namespace

void CMainFrame::CreateMenuAndToolbar() {
    auto actionFor = [this](int id, const QString& text) {
        if (QAction* existing = Action(id)) return existing;
        auto* action = new QAction(text, this);
        const QString prompt = Prompt(id);
        const QString statusTip = prompt.section(QLatin1Char('\n'), 0, 0);
        const QString tooltip = prompt.contains(QLatin1Char('\n'))
                                    ? prompt.section(QLatin1Char('\n'), 1)
                                    : PlainMenuText(text);
        action->setStatusTip(statusTip);
        action->setToolTip(tooltip);
        action->setIconText(tooltip);
        action->setIcon(ToolbarIcon(id));
        action->setCheckable(std::find(std::begin(kCheckableCommands),
                                       std::end(kCheckableCommands), id) !=
                             std::end(kCheckableCommands));
        action->setData(id);
        CommandRouter* router = &m_router;
        connect(action, &QAction::triggered, this, [router, id] { router->Route(id); });
        m_actions[id] = action;
        m_updater.AddAction(id, action);
        addAction(action);  // shortcuts work wherever the focus is in the window
        return action;
    };

    for (const PopupTemplate& popup : kMainMenu) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf16(popup.title));
        for (const MenuItemTemplate& item : popup.items) {
            if (item.id == 0) {
                menu->addSeparator();
            } else {
                // The shortcut after the tab is the action's first shortcut, so
                // the menu shows it beside the text while the item's name, as
                // screen readers tell it, is the text alone.
                const QString text = QString::fromUtf16(item.text);
                QAction* action = actionFor(item.id, text.section(QLatin1Char('\t'), 0, 0));
                const QString shown = text.section(QLatin1Char('\t'), 1);
                if (!shown.isEmpty()) action->setShortcut(QKeySequence(shown));
                menu->addAction(action);
            }
        }
    }

    for (const AcceleratorTemplate& accelerator : kAccelerators) {
        QAction* action = Action(accelerator.id);
        if (!action) continue;
        QList<QKeySequence> keys = action->shortcuts();
        const QKeySequence key(QString::fromLatin1(accelerator.keys));
        if (!keys.contains(key)) keys << key;
        action->setShortcuts(keys);
    }

    QToolBar* toolbar = addToolBar(Strings::Toolbar());
    toolbar->setObjectName(QStringLiteral("toolbar%1").arg(AFX_IDW_TOOLBAR));
    toolbar->setAccessibleName(Strings::Toolbar());
    toolbar->setMovable(false);
    toolbar->setIconSize(QSize(16, 15));
    for (int id : kToolbarButtons) {
        if (id == 0) {
            toolbar->addSeparator();
        } else if (QAction* action = Action(id)) {
            toolbar->addAction(action);
        }
    }
}

QAction* CMainFrame::Action(int id) const {
    const auto found = m_actions.find(id);
    return found == m_actions.end() ? nullptr : found->second;
}

void CMainFrame::RemoveMenuCommand(int id) {
    QAction* action = Action(id);
    if (!action) return;
    for (QMenu* menu : menuBar()->findChildren<QMenu*>()) menu->removeAction(action);
    removeAction(action);
    m_actions.erase(id);
    action->deleteLater();
}
