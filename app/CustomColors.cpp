#include "CustomColors.h"

#include "AppSettings.h"
#include "platform/SettingsStore.h"

namespace {
const QString kKey = QStringLiteral("CustomColors");
constexpr int kStoredSize = 16 * 4;
}  // namespace

CustomColorSet& ProcessCustomColors() {
    static CustomColorSet colors = [] {
        CustomColorSet white;
        white.fill(QColor(255, 255, 255));
        return white;
    }();
    return colors;
}

std::optional<CustomColorSet> ReadCustomColors(const SettingsStore& store) {
    const QByteArray bytes = store.GetBinary(kSettingsSection, kKey);
    if (bytes.size() < kStoredSize) return std::nullopt;
    CustomColorSet colors;
    for (int i = 0; i < 16; ++i) {
        const auto* p = reinterpret_cast<const uchar*>(bytes.constData()) + i * 4;
        colors[i] = QColor(p[0], p[1], p[2]);
    }
    return colors;
}

void WriteCustomColors(SettingsStore& store, const CustomColorSet& colors) {
    QByteArray bytes(kStoredSize, '\0');
    for (int i = 0; i < 16; ++i) {
        bytes[i * 4 + 0] = char(colors[i].red());
        bytes[i * 4 + 1] = char(colors[i].green());
        bytes[i * 4 + 2] = char(colors[i].blue());
    }
    store.WriteBinary(kSettingsSection, kKey, bytes);
    store.Flush();
}
