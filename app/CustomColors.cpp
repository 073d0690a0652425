#include "CustomColors.h"

#include "AppSettings.h"
#include "platform/SettingsStore.h"

namespace {
const QString kKey = QStringLiteral("CustomColors");
}

CustomColorSet ReadCustomColors(const SettingsStore& store) {
    CustomColorSet colors;
    colors.fill(QColor(255, 255, 255));
    const QByteArray bytes = store.GetBinary(kSettingsSection, kKey);
    for (int i = 0; i < 16 && (i + 1) * 4 <= bytes.size(); ++i) {
        const auto* p = reinterpret_cast<const uchar*>(bytes.constData()) + i * 4;
        colors[i] = QColor(p[0], p[1], p[2]);
    }
    return colors;
}

void WriteCustomColors(SettingsStore& store, const CustomColorSet& colors) {
    QByteArray bytes(64, '\0');
    for (int i = 0; i < 16; ++i) {
        bytes[i * 4 + 0] = char(colors[i].red());
        bytes[i * 4 + 1] = char(colors[i].green());
        bytes[i * 4 + 2] = char(colors[i].blue());
    }
    store.WriteBinary(kSettingsSection, kKey, bytes);
    store.Flush();
}
