#pragma once

// Shows the busy cursor for the lifetime of the object. Off the user-interface
// thread (the batch worker renders and saves too) or without a graphical
// application it does nothing.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool m_active = false;
};
