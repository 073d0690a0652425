#pragma once

#include <QStringList>
#include <memory>

#include "frame/CommandRouter.h"
#include "platform/framework/RecentFileList.h"

class BatchCommandLauncher;
class CMainFrame;
class CTavloApp;
class CTavloAppCommands;
class CTavloDoc;
class CTavloView;
class FileDialogs;
class ResultSaver;
class SaveCommands;
class CommandTarget;
class TavloMessageFilter;

// The single-document template and what it makes: the document, the main
// frame with its bars, and the view, joined by the command route view ->
// document -> (the document's save commands) -> frame -> application.
// The editor and its tests build the window the same way through this.
class TavloDocTemplate {
public:
    TavloDocTemplate(CTavloApp& app, FileDialogs& dialogs);
    ~TavloDocTemplate();

    // Without a file: an empty document; with one: that file is opened as by
    // the open command. False when the file cannot be loaded (its message has
    // been shown).
    bool ProcessCommandLine(const QStringList& arguments);
    // Removes the help item when the local help page is missing.
    void ApplyHelpPage();
    // Asks the frame for its stored placement and shows it so, or maximised
    // when none is stored.
    void ShowMainWindow();
    // Escape posts "キャンセル" to the frame.
    void InstallMessageFilter();
    // Writes the recent-file list back (at shut-down).
    void SaveRecentFiles();

    CTavloDoc& Document() { return *m_document; }
    CMainFrame& Frame() { return *m_frame; }
    CTavloView& View() { return *m_view; }
    CommandRouter& Router() { return m_router; }

private:

    CTavloApp& m_app;
    CommandRouter m_router;
    RecentFileList m_recentFiles;
    std::unique_ptr<CTavloDoc> m_document;
    std::unique_ptr<CMainFrame> m_frame;
    CTavloView* m_view = nullptr;  // owned by the frame
    // The document's save commands live with the output code; they join the
    // route right after the document.
    std::unique_ptr<SaveCommands> m_saveCommands;
    std::unique_ptr<CTavloAppCommands> m_appCommands;
    // The windows of the document's batch command.
    std::unique_ptr<BatchCommandLauncher> m_batchLauncher;
    std::unique_ptr<TavloMessageFilter> m_messageFilter;
};
