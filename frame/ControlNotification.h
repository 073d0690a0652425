#pragma once

// Notifications of the bars' fields, boxes and up-down control. They travel the
// same route as commands (view, document, frame, application) until a target
// takes them.
enum NotifyCode : int {
    EN_CHANGE,        // an edit field's text changed (also when the program wrote it)
    CBN_EDITCHANGE,   // the user changed the text of a combo box's edit field
    CBN_SELCHANGE,    // the user chose an item of a combo box's list
    CBN_KILLFOCUS,    // a combo box lost the keyboard focus
    UDN_DELTAPOS,     // an up-down control was pressed; the parameter is +1 (up) or -1
};

class NotificationTarget {
public:
    virtual ~NotificationTarget() = default;
    // True when the notification was taken.
    virtual bool OnNotify(int controlId, int code, int parameter) = 0;
};
