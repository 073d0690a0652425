#include "AppSettings.h"

#include <variant>

#include "platform/SettingsStore.h"

namespace {
struct SettingEntry {
    const char* key;
    std::variant<int AppSettings::*, QString AppSettings::*> field;
};

// Table order is read order.
const SettingEntry kSettings[] = {
    {"CardBoard_R", &AppSettings::CardBoard_R},
    {"CardBoard_G", &AppSettings::CardBoard_G},
    {"CardBoard_B", &AppSettings::CardBoard_B},
    {"CardBoard_A", &AppSettings::CardBoard_A},
    {"GridOnOnStartrup", &AppSettings::GridOnOnStartrup},
    {"Background_R", &AppSettings::Background_R},
    {"Background_G", &AppSettings::Background_G},
    {"Background_B", &AppSettings::Background_B},
    {"SaveFolder", &AppSettings::SaveFolder},
    {"SaveFolderSub", &AppSettings::SaveFolderSub},
    {"SaveFolderSpecified", &AppSettings::SaveFolderSpecified},
    {"SettingDialogPage", &AppSettings::SettingDialogPage},
};
}  // namespace

void AppSettings::Load(const SettingsStore& store) {
    const AppSettings defaults;
    for (const SettingEntry& entry : kSettings) {
        const QString key = QString::fromLatin1(entry.key);
        if (auto field = std::get_if<int AppSettings::*>(&entry.field))
            this->**field = store.GetInt(kSettingsSection, key, defaults.**field);
        else {
            auto text = std::get<QString AppSettings::*>(entry.field);
            this->*text = store.GetString(kSettingsSection, key, defaults.*text);
        }
    }
}

void AppSettings::Save(SettingsStore& store) const {
    for (const SettingEntry& entry : kSettings) {
        const QString key = QString::fromLatin1(entry.key);
        if (auto field = std::get_if<int AppSettings::*>(&entry.field))
            store.WriteInt(kSettingsSection, key, this->**field);
        else
            store.WriteString(kSettingsSection, key,
                              this->*std::get<QString AppSettings::*>(entry.field));
    }
    store.Flush();
}
