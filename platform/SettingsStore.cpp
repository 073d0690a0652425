#include "SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "IniValueText.h"

namespace {
QString KeyPath(const QString& section, const QString& key) {
    return section + QLatin1Char('/') + key;
}
}  // namespace

SettingsStore::SettingsStore()
    : m_settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Sunmoth"),
                 QStringLiteral("Oblimo")) {}

bool SettingsStore::Contains(const QString& section, const QString& key) const {
    return m_settings.contains(KeyPath(section, key));
}

int SettingsStore::GetInt(const QString& section, const QString& key, int defaultValue) const {
    const QVariant value = m_settings.value(KeyPath(section, key));
    if (!value.isValid()) return defaultValue;
    // A DWORD that someone edited into text is read like the profile functions
    // read it: a number that does not parse gives the default.
    bool ok = false;
    const qlonglong number = value.toLongLong(&ok);
    return ok ? static_cast<int>(static_cast<quint32>(number)) : defaultValue;
}

QString SettingsStore::GetString(const QString& section, const QString& key,
                                 const QString& defaultValue) const {
    const QVariant value = m_settings.value(KeyPath(section, key));
    if (!value.isValid()) return defaultValue;
    if (value.metaType() == QMetaType::fromType<QStringList>()) {
        // A text with commas written by hand without quotes: the store took it
        // for a list and lost the blanks around the commas; the file has it whole.
        if (std::optional<QString> text = IniValueText(m_settings.fileName(), section, key))
            return *text;
        return value.toStringList().join(QLatin1Char(','));
    }
    return value.toString();
}

QByteArray SettingsStore::GetBinary(const QString& section, const QString& key) const {
    return m_settings.value(KeyPath(section, key)).toByteArray();
}

void SettingsStore::WriteInt(const QString& section, const QString& key, int value) {
    m_settings.setValue(KeyPath(section, key), value);
}

void SettingsStore::WriteString(const QString& section, const QString& key, const QString& value) {
    m_settings.setValue(KeyPath(section, key), value);
}

void SettingsStore::WriteBinary(const QString& section, const QString& key,
                                const QByteArray& value) {
    m_settings.setValue(KeyPath(section, key), value);
}

void SettingsStore::Flush() { m_settings.sync(); }

bool SettingsStore::DeleteApplicationStore() {
    m_settings.clear();
    m_settings.sync();
    const QFileInfo file(m_settings.fileName());
    if (file.exists() && !QFile::remove(file.absoluteFilePath())) return false;
    // The company folder goes only when no other program of ours keeps anything in it.
    QDir company = file.absoluteDir();
    if (company.exists() &&
        company.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
        const QString name = company.dirName();
        company.cdUp();
        company.rmdir(name);
    }
    return true;
}

QString SettingsStore::FileName() const { return m_settings.fileName(); }
