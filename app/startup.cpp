#include "app/startup.h"

#include <QLineEdit>

#include "app/appcontext.h"
#include "app/appwindows.h"
#include "settings/idpassform.h"

void StartUp(AppContext& context, AppWindows& windows, const std::function<void()>& initialiseTransport) {
    context.settings.servers = ServerSettings::read(context.serverSettingsFile());
    if (initialiseTransport)
        initialiseTransport();
    if (context.settings.servers.Pop3Server.isEmpty())
        windows.openServers();
    IdPassForm* account = windows.accountWindow();
    if (account->IdText->text().isEmpty() || account->PassText->text().isEmpty())
        windows.openAccount();
}
