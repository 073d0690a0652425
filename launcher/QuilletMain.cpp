// Quillet, the setup launcher: unpacks the installer and the package carried
// at the end of its own file into the temporary folder, starts the installer
// there, waits for it and cleans up. It reads no command line, shows no window
// besides its error messages, and always exits with 0.

#include <QApplication>
#include <QCoreApplication>
#include <memory>

#include "LauncherEvents.h"
#include "LauncherWindow.h"
#include "SetupSession.h"

int main(int argc, char** argv) {
    const bool graphical = HasGraphicalDisplay();
    std::unique_ptr<QCoreApplication> application;
    if (graphical) {
        auto widgets = std::make_unique<QApplication>(argc, argv);
        // Closing a message box must not end the program while the worker runs.
        widgets->setQuitOnLastWindowClosed(false);
        application = std::move(widgets);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }

    {
        LauncherWindow window(graphical);
        QCoreApplication::postEvent(&window, new QEvent(LauncherEventType(WM_APP_START_WORK)));
        application->exec();
    }
    return 0;
}
