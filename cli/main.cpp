// tavlo-cli: the editor's loading, rendering and saving without a window.

#include <QCoreApplication>

#include "CliCommands.h"
#include "CliSupport.h"
#include "app/CTavloApp.h"
#include "platform/SettingsStore.h"

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty()) return UsageError(QStringLiteral("no command given"));
    const QString command = arguments.takeFirst();

    SettingsStore store;
    CTavloApp app(store);
    if (!app.InitInstance()) return 1;

    int result = 2;
    if (command == QLatin1String("info"))
        result = RunInfoCommand(app, arguments);
    else if (command == QLatin1String("frame"))
        result = RunFrameCommand(arguments);
    else if (command == QLatin1String("render"))
        result = RunRenderCommand(app, arguments);
    else if (command == QLatin1String("autosave"))
        result = RunAutosaveCommand(app, arguments);
    else
        result = UsageError(QStringLiteral("unknown command %1").arg(command));
    app.ExitInstance();
    return result;
}
