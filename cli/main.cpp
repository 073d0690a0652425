// tavlo-cli: the editor's loading, rendering and saving without a window.

#include <QCoreApplication>
#include <cstdio>

#include "CliCommands.h"
#include "CliSupport.h"
#include "CliUsage.h"
#include "app/CTavloApp.h"
#include "platform/SettingsStore.h"

namespace {
int PrintToStandardOutput(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
    if (!text.endsWith(QLatin1Char('\n'))) std::fputc('\n', stdout);
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty()) return UsageError(QStringLiteral("no command given"));
    const QString command = arguments.takeFirst();
    if (command == QLatin1String("--help") || command == QLatin1String("-h"))
        return PrintToStandardOutput(FullUsage());
    if (command == QLatin1String("--version")) return PrintToStandardOutput(VersionText());
    const QString usage = CommandUsage(command);
    if (!usage.isEmpty() && arguments.contains(QLatin1String("--help")))
        return PrintToStandardOutput(usage);

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
    else if (command == QLatin1String("batch"))
        result = RunBatchCommand(app, arguments);
    else if (command == QLatin1String("deskew"))
        result = RunDeskewCommand(app, arguments);
    else
        result = UsageError(QStringLiteral("unknown command %1").arg(command));
    app.ExitInstance();
    return result;
}
