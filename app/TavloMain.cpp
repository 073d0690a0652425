// The editor's entry point: the application object's start-up, the window,
// the event loop, then the shut-down.

#include <QApplication>
#include <QMainWindow>

#include "CTavloApp.h"
#include "document/CTavloDoc.h"
#include "platform/SettingsStore.h"
#include "platform/ui/WidgetMessageBox.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    InstallWidgetMessageBox();

    SettingsStore store;
    CTavloApp app(store);
    if (!app.InitInstance()) return 1;

    CTavloDoc document(app);
    const QStringList arguments = QCoreApplication::arguments();
    const bool opened = arguments.size() > 1 ? document.OpenDocumentFile(arguments[1])
                                             : document.OnNewDocument();
    if (!opened) return app.ExitInstance(1);
    app.LocateHelpPage(QCoreApplication::applicationFilePath());

    QMainWindow window;
    const auto updateCaption = [&] {
        window.setWindowTitle(document.GetTitle() + QStringLiteral(" - Oblimo"));
    };
    document.SetTitleChangedListener(updateCaption);
    updateCaption();
    window.showMaximized();
    const int exitCode = application.exec();
    return app.ExitInstance(exitCode);
}
