#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>

// The per-user settings store: organisation "Sunmoth", application "Oblimo",
// one group per section. On Linux this is $XDG_CONFIG_HOME/Sunmoth/Oblimo.conf;
// built on Windows it is HKCU\Software\Sunmoth\Oblimo. Integers stay integers,
// strings strings and binary values byte arrays, as the registry kept them.
class SettingsStore {
public:
    SettingsStore();

    bool Contains(const QString& section, const QString& key) const;
    int GetInt(const QString& section, const QString& key, int defaultValue) const;
    QString GetString(const QString& section, const QString& key,
                      const QString& defaultValue) const;
    // Empty when absent.
    QByteArray GetBinary(const QString& section, const QString& key) const;

    void WriteInt(const QString& section, const QString& key, int value);
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteBinary(const QString& section, const QString& key, const QByteArray& value);

    // Writes pending values to disk.
    void Flush();

    // Removes the application's whole store, then the company folder when nothing
    // else is left in it. Returns false when the store could not be removed.
    bool DeleteApplicationStore();

    // Where the store lives (for messages and tests).
    QString FileName() const;

private:
    mutable QSettings m_settings;
};
