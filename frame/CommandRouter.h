#pragma once

#include <vector>

#include "platform/framework/CommandTarget.h"

class NotificationTarget;

// Passes commands along the route view -> document -> frame -> application and
// answers for each command the enable and check state that the first update
// handler on that route decides. A command without an update handler is
// enabled exactly when some target on the route handles it.
class CommandRouter {
public:
    void SetCommandRoute(std::vector<CommandTarget*> targets) { m_commands = std::move(targets); }
    void SetNotificationRoute(std::vector<NotificationTarget*> targets) {
        m_notifications = std::move(targets);
    }

    // False when no target took the command, or when its state is disabled: a
    // disabled command does nothing, as a greyed button cannot be pressed.
    bool Route(int id);
    CommandState QueryState(int id) const;
    bool Notify(int controlId, int code, int parameter = 0);

private:
    std::vector<CommandTarget*> m_commands;
    std::vector<NotificationTarget*> m_notifications;
};
