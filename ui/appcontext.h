#pragma once

// ui/: the widget kit the windows share: twips, windows built from the table
// of their controls, the prompter for message boxes and file dialogs, and the
// context every window is given.

#include <QDateTime>
#include <QString>
#include <QUrl>
#include <functional>

#include "settings/accounts.h"
#include "settings/accountsthisrun.h"
#include "settings/appsettings.h"
#include "store/apppaths.h"

class Prompter;

// The outside world of the windows, handed in by start-up (or by a test):
// where the files are, the settings of this run, the prompter, the clock.
struct AppContext {
    AppContext(AppPaths p, QString folder) : paths(std::move(p)), currentFolder(std::move(folder)) {}

    AppPaths paths;
    QString currentFolder; // where orvex.ini is read and written
    Prompter* prompter = nullptr;
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
    std::function<bool(const QUrl&)> openUrl; // the system web browser
    QString pageModule;                       // the page engine's module; none: pages cannot be shown
    AppSettings settings;
    const SecretStore* secrets = nullptr; // the desktop's keyring; none: passwords stay in the files

    QString serverSettingsFile() const { return currentFolder + u'/' + ServerSettings::kFileName; }
    Accounts accounts() const { return Accounts(serverSettingsFile(), paths.accountFile(), secrets); }
    AccountsThisRun accountsThisRun() const { return AccountsThisRun(paths, settings, accounts()); }
};
