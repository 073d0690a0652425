#pragma once

// The editor as a user has it, for benchmarks: settings from the private
// folder the caller set up, no dialogs, and a shown window whose view has the
// client area asked for (the frame is resized until the viewport is exactly
// that size, whatever the panels and bars take).

#include <QCoreApplication>
#include <QSize>
#include <QString>

#include "app/CTavloApp.h"
#include "app/TavloDocTemplate.h"
#include "frame/CMainFrame.h"
#include "platform/FileDialogs.h"
#include "platform/SettingsStore.h"
#include "view/CTavloView.h"

namespace Bench {
class NoDialogs : public FileDialogs {
public:
    QString GetOpenFileName(const QString&) override { return {}; }
    QStringList GetOpenFileNames(const QString&, const QString&) override { return {}; }
    std::optional<SaveDialogAnswer> GetSaveFileName(const SaveDialogRequest&) override {
        return {};
    }
};

struct EditorSession {
    EditorSession(const QString& programName, QSize clientArea)
        : app(store), editor(Started(app), dialogs) {
        editor.ProcessCommandLine({programName});
        CMainFrame& frame = editor.Frame();
        frame.resize(clientArea);
        frame.show();
        QCoreApplication::processEvents();
        frame.resize(frame.size() + clientArea - editor.View().viewport()->size());
        QCoreApplication::processEvents();
    }

    // The application's settings are read before the editor is made, as at start-up.
    static CTavloApp& Started(CTavloApp& app) {
        app.InitInstance();
        return app;
    }

    SettingsStore store;
    CTavloApp app;
    NoDialogs dialogs;
    TavloDocTemplate editor;
};
}  // namespace Bench
