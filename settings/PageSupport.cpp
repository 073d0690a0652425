#include "PageSupport.h"

#include "app/CTavloApp.h"
#include "platform/SettingsStore.h"

void RememberActivePage(CTavloApp& app, int pageIndex) {
    app.settings.SettingDialogPage = pageIndex;
    app.Store().WriteInt(kSettingsSection, QStringLiteral("SettingDialogPage"), pageIndex);
    app.Store().Flush();
}
