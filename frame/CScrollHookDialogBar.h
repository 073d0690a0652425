#pragma once

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

private:
    void LayOutTopBar(const DialogTemplate& dialog);
    void OnScrollAction(QScrollBar* bar, int action);

    std::vector<CScrollHookTarget*> m_receivers;
};
