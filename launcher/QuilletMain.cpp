// Quillet, the setup launcher: unpacks the installer and the package carried
// at the end of its own file into a private temporary folder, starts the
// installer there, waits for it and cleans up. It reads no command line,
// shows no window besides its messages, and always exits with 0. It links
// nothing beyond the C and C++ runtime, since it runs before the editor's
// libraries are installed.

#include "InstallSequence.h"
#include "LauncherLoop.h"
#include "SetupMessages.h"

int main() {
    InstallSequence sequence(
        [](const std::string& caption, const std::string& text) {
            ShowSetupMessage(MessageKind::Error, caption, text);
        },
        UnpackEnvironment::OfThisProcess());
    LauncherLoop loop([&sequence] { sequence.Run(); });
    loop.Post(WM_APP_START_WORK);
    return loop.Run();
}
