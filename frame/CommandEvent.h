#pragma once

#include <QEvent>

// A command posted to the main frame (as the Escape key posts the rotation
// bar's "キャンセル"); the frame passes it along the command route.
class CommandEvent : public QEvent {
public:
    explicit CommandEvent(int id) : QEvent(EventType()), m_id(id) {}
    int Id() const { return m_id; }

    static QEvent::Type EventType() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

private:
    int m_id;
};
