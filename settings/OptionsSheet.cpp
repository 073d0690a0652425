#include "OptionsSheet.h"

#include "CSettingCardboardDialog.h"
#include "CSettingMiscDialog.h"
#include "CSettingSaveDialog.h"
#include "CXPropertySheet.h"
#include "app/CTavloApp.h"
#include "resources/SettingsTemplates.h"
#include "resources/Strings.h"

void RunOptionsSheet(CTavloApp& app, FileDialogs& dialogs, QWidget* mainWindow,
                     const SendToDescendants& send) {
    CXPropertySheet sheet(Strings::OptionsCaption(), mainWindow);
    sheet.AddPage(new CSettingCardboardDialog(app, send),
                  QString::fromUtf16(kMarginPageTemplate.tabText));
    sheet.AddPage(new CSettingSaveDialog(app, dialogs), QString::fromUtf16(kSavePageTemplate.tabText));
    sheet.AddPage(new CSettingMiscDialog(app, send), QString::fromUtf16(kMiscPageTemplate.tabText));
    sheet.SetActivePage(app.settings.SettingDialogPage);
    sheet.DoModal();
}
