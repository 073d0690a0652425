#pragma once

#include <map>
#include <vector>

#include "DialogBar.h"

class CScrollHookTarget;
class QScrollBar;

// The top bar above the view: zoom controls, angle controls and the
// line-confirm controls. The angle group and the line-confirm group share one
// stretch of the bar (the view shows one or the other), and the rotation
// scroll bar and the explanation label reach to 8 pixels before the bar's
// right edge, however wide the window is.
//
// Scroll messages of its scroll bars are not commands: they are offered to
// the registered receivers in the order of registration until one handles
// them. Afterwards the bar's default handling runs, which leaves a bar's thumb
// where the receivers put it (a bar nobody moves stays where it was).
class CScrollHookDialogBar : public DialogBar {
    Q_OBJECT
public:
    CScrollHookDialogBar(const DialogTemplate& dialog, CommandRouter& router,
                         QWidget* parent = nullptr);

    // Receivers are not owned and never removed.
    void AddReceiver(CScrollHookTarget* receiver) { m_receivers.push_back(receiver); }

    // The program's own positioning of a scroll bar of the bar; any other
    // change of its value (an assistive tool setting it) is reported to the
    // receivers as a thumb position, like a drag.
    void SetScrollPos(QScrollBar* bar, int position);

private:
    void LayOutTopBar(const DialogTemplate& dialog);
    void OnScrollAction(QScrollBar* bar, int action);
    void OnValueChanged(QScrollBar* bar, int value);
    void Offer(QScrollBar* bar, int code, int position);

    std::vector<CScrollHookTarget*> m_receivers;
    // Raised while the bar or its receivers move a thumb themselves.
    int m_positioning = 0;
    std::map<QScrollBar*, int> m_lastValue;
};
