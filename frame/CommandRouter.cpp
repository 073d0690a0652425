#include "CommandRouter.h"

#include "ControlNotification.h"

bool CommandRouter::Route(int id) {
    // An accelerator or a posted command may arrive while its button is greyed;
    // the state decides, as it does for the button.
    if (!QueryState(id).enabled) return false;
    for (CommandTarget* target : m_commands)
        if (target->HandlesCommand(id) && target->OnCommand(id)) return true;
    return false;
}

CommandState CommandRouter::QueryState(int id) const {
    CommandState state;
    for (CommandTarget* target : m_commands)
        if (target->OnUpdateCommand(id, state)) return state;
    state.enabled = false;
    for (CommandTarget* target : m_commands)
        if (target->HandlesCommand(id)) state.enabled = true;
    return state;
}

bool CommandRouter::Notify(int controlId, int code, int parameter) {
    for (NotificationTarget* target : m_notifications)
        if (target->OnNotify(controlId, code, parameter)) return true;
    return false;
}
