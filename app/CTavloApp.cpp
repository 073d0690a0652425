#include "CTavloApp.h"

#include <QFileInfo>

#include "ImageExtensions.h"
#include "platform/SettingsStore.h"
#include "platform/imaging/LibraryMessages.h"

CTavloApp::CTavloApp(SettingsStore& store, CodecFactoryMaker makeCodecFactory)
    : ImageExtensions(DefaultImageExtensions()),
      m_store(store),
      m_makeCodecFactory(std::move(makeCodecFactory)) {}

CTavloApp::~CTavloApp() = default;

bool CTavloApp::InitInstance() {
    // Neither the program nor its imaging libraries log anything.
    QuietImagingLibraries();
    // The second imaging component. Without it the program silently uses the
    // first one only: UseWIC stays 0 and there is no HEIF.
    if (m_makeCodecFactory) WicFactory = m_makeCodecFactory();
    if (WicFactory) {
        UseWIC = m_store.GetInt(kSettingsSection, QStringLiteral("UseWIC"), 1);
        if (UseWIC != 0 && WicFactory->HasHeifEncoder()) {
            HeifAvailable = 1;
            ImageExtensions << QStringLiteral("heif") << QStringLiteral("heic");
        }
    }
    settings.Load(m_store);
    DeleteSettingsOnExit = 0;
    return true;
}

void CTavloApp::LocateHelpPage(const QString& programPath) {
    HelpPath.clear();
    HelpExists = 0;
    const int lastSeparator = programPath.lastIndexOf(QLatin1Char('/'));
    if (programPath.isEmpty() || lastSeparator < 0) return;
    const QString folder = programPath.left(lastSeparator);
    HelpPath = folder + QStringLiteral("/Help/Help.html");
    // Installed, the program lives in <prefix>/bin and its help page in
    // <prefix>/share/oblimo; a page beside the program comes first.
    const QString installed =
        QFileInfo(folder + QStringLiteral("/../share/oblimo/Help/Help.html")).absoluteFilePath();
    if (!QFileInfo::exists(HelpPath) && QFileInfo::exists(installed)) HelpPath = installed;
    HelpExists = HelpPath.size() < 260 && QFileInfo::exists(HelpPath) ? 1 : 0;
}

int CTavloApp::ExitInstance(int exitCode) {
    WicFactory.reset();
    if (DeleteSettingsOnExit == 1) m_store.DeleteApplicationStore();
    return exitCode;
}
