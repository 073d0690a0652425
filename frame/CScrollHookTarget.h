#pragma once

class QScrollBar;

// The scroll codes of a scroll-bar message: what the user did with the bar.
enum ScrollCode : int {
    SB_LINELEFT = 0,
    SB_LINERIGHT = 1,
    SB_PAGELEFT = 2,
    SB_PAGERIGHT = 3,
    SB_THUMBPOSITION = 4,
    SB_THUMBTRACK = 5,
    SB_LEFT = 6,
    SB_RIGHT = 7,
    SB_ENDSCROLL = 8,
};

// A receiver of the scroll messages that a bar's scroll controls send. The
// position is the bar's track position (where the thumb is being dragged).
class CScrollHookTarget {
public:
    virtual ~CScrollHookTarget() = default;
    // True when handled: receivers registered later do not see the message.
    virtual bool OnHScrollHook(int code, int position, QScrollBar* control) = 0;
    virtual bool OnVScrollHook(int code, int position, QScrollBar* control) = 0;
};
