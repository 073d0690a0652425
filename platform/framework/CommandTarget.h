#pragma once

// What an update pass learns about one command: whether it is enabled and
// whether it carries a check mark.
struct CommandState {
    bool enabled = true;
    int check = 0;
    // The update handler spoke about the check mark; otherwise the mark is left
    // as it is.
    bool checkSet = false;
    void Enable(bool on) { enabled = on; }
    void SetCheck(int value) {
        check = value;
        checkSet = true;
    }
};

// One link of the command route (view, document, frame, application). A
// target handles a command when OnCommand returns true; it has an update
// handler for a command when OnUpdateCommand returns true. A command that no
// target handles is disabled.
class CommandTarget {
public:
    virtual ~CommandTarget() = default;
    virtual bool OnCommand(int id) = 0;
    virtual bool OnUpdateCommand(int id, CommandState& state) = 0;
    // Whether OnCommand would take the command (so an update pass can enable it
    // when no update handler speaks).
    virtual bool HandlesCommand(int id) const = 0;
};
