#pragma once

#include <QString>

#include "settings/accountfile.h"
#include "settings/alwayson.h"
#include "settings/serversettings.h"

// The settings of this run, one set for the process: filled at start-up
// and by the settings windows, read by receiving and sending.
struct AppSettings {
    ServerSettings servers;
    QString AccountId;
    QString AccountPassword;
    // The account confirmed with "save" whose file could not be written.
    std::optional<Account> unsavedAccount;
    // Timed checks and what closing the main window does.
    AlwaysOn alwaysOn;
};
