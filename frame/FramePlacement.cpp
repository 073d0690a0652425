#include "FramePlacement.h"

#include "platform/SettingsStore.h"

namespace {
const QString kSection = QStringLiteral("Frame");
}

bool FramePlacement::Load(const SettingsStore& store) {
    if (store.GetInt(kSection, QStringLiteral("Initialized"), 0) == 0) return false;
    left = store.GetInt(kSection, QStringLiteral("Left"), -1);
    top = store.GetInt(kSection, QStringLiteral("Top"), -1);
    right = store.GetInt(kSection, QStringLiteral("Right"), -1);
    bottom = store.GetInt(kSection, QStringLiteral("Bottom"), -1);
    iconic = store.GetInt(kSection, QStringLiteral("Iconic"), -1);
    maximized = store.GetInt(kSection, QStringLiteral("Maximized"), -1);
    return true;
}

void FramePlacement::Save(SettingsStore& store) const {
    store.WriteInt(kSection, QStringLiteral("Initialized"), 1);
    store.WriteInt(kSection, QStringLiteral("Left"), left);
    store.WriteInt(kSection, QStringLiteral("Top"), top);
    store.WriteInt(kSection, QStringLiteral("Right"), right);
    store.WriteInt(kSection, QStringLiteral("Bottom"), bottom);
    store.WriteInt(kSection, QStringLiteral("Iconic"), iconic);
    store.WriteInt(kSection, QStringLiteral("Maximized"), maximized);
    store.Flush();
}

QRect FramePlacement::NormalRect() const {
    return QRect(QPoint(left, top), QSize(right - left, bottom - top));
}

void FramePlacement::SetNormalRect(const QRect& rect) {
    left = rect.left();
    top = rect.top();
    right = rect.left() + rect.width();
    bottom = rect.top() + rect.height();
}

QRect CorrectedNormalRect(const QRect& normal, const QRect& monitor, int frameHeight,
                          int captionHeight) {
    if (normal.top() >= monitor.top() - (frameHeight + captionHeight / 2)) return normal;
    QRect moved = normal;
    moved.moveTop(monitor.top());
    return moved;
}

QRect DefaultNormalRect(const QRect& available) {
    const QSize size(available.width() * 2 / 3, available.height() * 2 / 3);
    QRect rect(QPoint(0, 0), size);
    rect.moveCenter(available.center());
    return rect;
}
