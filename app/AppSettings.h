#pragma once

#include <QString>

class SettingsStore;

// Every value of the "Settings" section with its default, as the program keeps
// it in memory. Each field bears the name of its stored value (the grid flag is
// spelled "GridOnOnStartrup" there, and so here). No range test is made when
// reading: a colour component is used through its low 8 bits where it is used.
struct AppSettings {
    int CardBoard_R = 255;
    int CardBoard_G = 255;
    int CardBoard_B = 255;
    int CardBoard_A = 0;
    int GridOnOnStartrup = 1;
    int Background_R = 219;
    int Background_G = 215;
    int Background_B = 213;
    int SaveFolder = 0;
    QString SaveFolderSub;
    QString SaveFolderSpecified;
    int SettingDialogPage = 0;

    // Reads every value in the order of the table, with its default when absent.
    void Load(const SettingsStore& store);
    // Writes every value back (the settings pages do this on OK).
    void Save(SettingsStore& store) const;
};

inline const QString kSettingsSection = QStringLiteral("Settings");
