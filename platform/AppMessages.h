#pragma once

#include <QEvent>
#include <cstdint>

// The program's private window messages. Each keeps its Windows number as the
// QEvent type. "Sent" messages go through QCoreApplication::sendEvent and may
// carry a result back; "posted" ones through QCoreApplication::postEvent.
enum AppMessage : int {
    WM_APP_START_WORK = 32868,
    WM_APP_WORK_DONE = 32869,
    WM_APP_REFRESH_ZOOM_TEXT = 32868,   // the view to itself, posted: rewrite the zoom box
    WM_APP_REFRESH_ANGLE_TEXT = 32869,  // the view to itself, posted: rewrite the angle box
    WM_APP_STEP_CHANGED = 32870,        // view -> frame, posted
    WM_APP_STORE_VIEW_STATE = 32871,    // document -> first view, sent; lParam = CUndoItem*
    WM_APP_BACKGROUND_CHANGED = 32872,  // settings pages -> frame's descendants, sent
    WM_APP_MARGIN_CHANGED = 32873,      // settings pages -> frame's descendants, sent
    WM_APP_BATCH_FINISHED = 32874,      // batch worker -> batch dialog, posted
    WM_APP_RESTORE_PLACEMENT = 32875,   // start-up -> frame, sent; result 1 = placement applied
};

class AppMessageEvent : public QEvent {
public:
    AppMessageEvent(AppMessage message, std::intptr_t wParam = 0, void* lParam = nullptr)
        : QEvent(static_cast<QEvent::Type>(message)), m_wParam(wParam), m_lParam(lParam) {}

    AppMessage Message() const { return static_cast<AppMessage>(type()); }
    std::intptr_t WParam() const { return m_wParam; }
    void* LParam() const { return m_lParam; }

    // The answer of a sent message.
    std::intptr_t Result() const { return m_result; }
    void SetResult(std::intptr_t result) { m_result = result; }

    static bool Is(const QEvent* event, AppMessage message) {
        return event->type() == static_cast<QEvent::Type>(message);
    }

private:
    std::intptr_t m_wParam;
    void* m_lParam;
    std::intptr_t m_result = 0;
};
