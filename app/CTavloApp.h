#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "AppSettings.h"
#include "platform/imaging/CodecFactory.h"
#include "platform/imaging/ImagingServices.h"

class SettingsStore;

// The application object: starts the services in their fixed order, holds every
// setting for the whole run, and at exit shuts down and, when asked, deletes
// the stored settings. This is the part without windows; the window layer runs
// its own start-up steps (template, command line, menu, placement) after
// InitInstance and before ExitInstance.
class CTavloApp {
public:
    using CodecFactoryMaker = std::function<std::unique_ptr<CodecFactory>()>;

    // The store is kept by reference for the whole run. The maker creates the
    // second imaging component; tests hand one that fails.
    explicit CTavloApp(SettingsStore& store, CodecFactoryMaker makeCodecFactory = &CodecFactory::Create);
    ~CTavloApp();

    // Steps that need no window: the second imaging component and the HEIF
    // probe, then every setting. Returns false when the program must end.
    bool InitInstance();

    // Finds "Help/Help.html" beside the program file, or in the installed data
    // folder <prefix>/share/oblimo when the program is in <prefix>/bin (a path
    // of 260 characters or more counts as missing, as it did on Windows).
    void LocateHelpPage(const QString& programPath);

    // Releases the imaging component and deletes the stored settings when the
    // user asked for it. Returns the exit code it is given.
    int ExitInstance(int exitCode = 0);

    ImagingServices Imaging() const { return {UseWIC, WicFactory.get(), HeifAvailable != 0}; }
    SettingsStore& Store() { return m_store; }

    AppSettings settings;
    int DeleteSettingsOnExit = 0;
    QString HelpPath;
    int HelpExists = 0;
    int UseWIC = 0;
    int HeifAvailable = 0;
    std::unique_ptr<CodecFactory> WicFactory;
    QStringList ImageExtensions;

private:
    SettingsStore& m_store;
    CodecFactoryMaker m_makeCodecFactory;
};
