#pragma once

#include <QStringList>

#include "platform/framework/CommandTarget.h"

class CMainFrame;
class CTavloApp;
class CTavloDoc;
class CommandRouter;
class FileDialogs;

// The commands the application object handles, last on the command route:
// a new document ("新規(&N)", "別の画像を編集"), opening a file ("ファイルから
// 読み込む"), ending the program, the options sheet, and the help menu (the
// local help page, the home page, the version dialog).
class CTavloAppCommands : public CommandTarget {
public:
    CTavloAppCommands(CTavloApp& app, CTavloDoc& document, FileDialogs& dialogs,
                      CMainFrame& mainFrame, CommandRouter& router);

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;
    bool HandlesCommand(int id) const override;

    // The open dialog's filter: every import extension as "*.ext", joined by
    // ";", in both places of the filter text.
    static QString OpenFilter(const QStringList& extensions);

private:
    void OnFileOpen();
    void OnOptions();
    void OnAbout();

    CTavloApp& m_app;
    CTavloDoc& m_document;
    FileDialogs& m_dialogs;
    CMainFrame& m_mainFrame;
    CommandRouter& m_router;
};
