#pragma once

#include <QStringList>

class SettingsStore;

// The framework's recent-file list: up to four paths, newest first, kept in
// section "Recent File List" as "File1" ... "File4".
class RecentFileList {
public:
    static constexpr int kSize = 4;

    void Load(const SettingsStore& store);
    void Save(SettingsStore& store) const;
    void Add(const QString& path);
    const QStringList& Paths() const { return m_paths; }

private:
    QStringList m_paths;
};
