#pragma once

#include "PageSupport.h"

class CTavloApp;
class FileDialogs;
class QWidget;

// "オプション(&O)": the options sheet with the pages "余白", "保存" and "その他",
// run modally over the main window. It opens on the page shown last; OK lets
// the pages shown in this run take over their values, Cancel none.
void RunOptionsSheet(CTavloApp& app, FileDialogs& dialogs, QWidget* mainWindow,
                     const SendToDescendants& send);
