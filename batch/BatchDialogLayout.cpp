#include "BatchDialogLayout.h"

#include "platform/SettingsStore.h"

namespace {
const QString kSection = QStringLiteral("BatchDialog");

int Shifted(int value, BatchTemplate::Rule rule, int delta, bool farSide) {
    using BatchTemplate::Rule;
    if (rule == Rule::Move || (rule == Rule::Stretch && farSide)) return value + delta;
    return value;
}
}  // namespace

BatchDialogLayout BatchDialogLayout::Load(const SettingsStore& store, int characterUnit) {
    BatchDialogLayout layout;
    layout.left = store.GetInt(kSection, QStringLiteral("left"), -1);
    layout.top = store.GetInt(kSection, QStringLiteral("top"), -1);
    layout.right = store.GetInt(kSection, QStringLiteral("right"), -1);
    layout.bottom = store.GetInt(kSection, QStringLiteral("bottom"), -1);
    layout.statusWidth =
        store.GetInt(kSection, QStringLiteral("ColStatusWidth"), 14 * characterUnit);
    layout.inputWidth =
        store.GetInt(kSection, QStringLiteral("ColInputFileWidth"), 40 * characterUnit);
    layout.outputWidth =
        store.GetInt(kSection, QStringLiteral("ColOutputFileWidth"), 80 * characterUnit);
    return layout;
}

void BatchDialogLayout::Save(SettingsStore& store) const {
    store.WriteInt(kSection, QStringLiteral("left"), left);
    store.WriteInt(kSection, QStringLiteral("top"), top);
    store.WriteInt(kSection, QStringLiteral("right"), right);
    store.WriteInt(kSection, QStringLiteral("bottom"), bottom);
    store.WriteInt(kSection, QStringLiteral("ColStatusWidth"), statusWidth);
    store.WriteInt(kSection, QStringLiteral("ColInputFileWidth"), inputWidth);
    store.WriteInt(kSection, QStringLiteral("ColOutputFileWidth"), outputWidth);
    store.Flush();
}

void BatchDialogLayout::SetRect(const QRect& rect) {
    left = rect.left();
    top = rect.top();
    right = rect.left() + rect.width();
    bottom = rect.top() + rect.height();
}

QRect ResizedControlRect(const QRect& recorded, BatchTemplate::Rule horizontal,
                         BatchTemplate::Rule vertical, int dx, int dy) {
    // Edges as left, top inclusive and right, bottom exclusive.
    const int left = Shifted(recorded.left(), horizontal, dx, false);
    const int right = Shifted(recorded.left() + recorded.width(), horizontal, dx, true);
    const int top = Shifted(recorded.top(), vertical, dy, false);
    const int bottom = Shifted(recorded.top() + recorded.height(), vertical, dy, true);
    return QRect(left, top, right - left, bottom - top);
}

QRect FirstUseRect(const QSize& templateSize, const QRect& mainWindow) {
    const int w = templateSize.width(), h = templateSize.height();
    const int mainRight = mainWindow.left() + mainWindow.width();
    const int mainBottom = mainWindow.top() + mainWindow.height();
    const int left = (mainWindow.left() + mainRight) / 2 - (3 * w) / 4;
    const int top = (mainWindow.top() + mainBottom) / 2 - h;
    return QRect(left, top, (3 * w) / 2, 2 * h);
}
