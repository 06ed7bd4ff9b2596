#include "app/startup.h"

#include <QLineEdit>

#include "app/appwindows.h"
#include "settings/idpassform.h"
#include "ui/appcontext.h"

void StartUp(AppContext& context, AppWindows& windows) {
    context.settings.servers = ServerSettings::read(context.serverSettingsFile());
    context.settings.alwaysOn = AlwaysOn::read(context.paths.accountFile());
    if (context.settings.servers.Pop3Server.isEmpty())
        windows.openServers();
    IdPassForm* account = windows.accountWindow();
    if (account->IdText->text().isEmpty() || account->PassText->text().isEmpty())
        windows.openAccount();
}
