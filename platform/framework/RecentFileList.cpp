#include "RecentFileList.h"

#include "platform/SettingsStore.h"

namespace {
const QString kSection = QStringLiteral("Recent File List");
QString EntryName(int i) { return QStringLiteral("File%1").arg(i + 1); }
}  // namespace

void RecentFileList::Load(const SettingsStore& store) {
    m_paths.clear();
    for (int i = 0; i < kSize; ++i) {
        const QString path = store.GetString(kSection, EntryName(i), QString());
        if (!path.isEmpty()) m_paths << path;
    }
}

void RecentFileList::Save(SettingsStore& store) const {
    for (int i = 0; i < kSize; ++i)
        store.WriteString(kSection, EntryName(i), i < m_paths.size() ? m_paths[i] : QString());
    store.Flush();
}

void RecentFileList::Add(const QString& path) {
    // Windows paths compare without regard to case; here they are exact.
    m_paths.removeAll(path);
    m_paths.prepend(path);
    while (m_paths.size() > kSize) m_paths.removeLast();
}
