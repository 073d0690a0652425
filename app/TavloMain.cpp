// The editor's entry point: the application object's start-up, the template
// with document, frame and view, the command line, the help page, the window
// placement, the event loop, then the shut-down.

#include <QApplication>

#include "AppIcon.h"
#include "CTavloApp.h"
#include "TavloDocTemplate.h"
#include "platform/SettingsStore.h"
#include "platform/ui/QtTranslations.h"
#include "platform/ui/UiFont.h"
#include "platform/ui/WidgetFileDialogs.h"
#include "platform/ui/WidgetMessageBox.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("oblimo"));
    InstallJapaneseUiFont();
    InstallQtJapaneseTranslations();
    QApplication::setWindowIcon(ApplicationIcon());
    InstallWidgetMessageBox();

    SettingsStore store;
    CTavloApp app(store);
    if (!app.InitInstance()) return 1;

    WidgetFileDialogs dialogs;
    int exitCode = 1;
    {
        TavloDocTemplate editor(app, dialogs);
        if (!editor.ProcessCommandLine(QCoreApplication::arguments())) return app.ExitInstance(1);
        app.LocateHelpPage(QCoreApplication::applicationFilePath());
        editor.ApplyHelpPage();
        editor.InstallMessageFilter();
        editor.ShowMainWindow();
        exitCode = application.exec();
        editor.SaveRecentFiles();
    }
    return app.ExitInstance(exitCode);
}
