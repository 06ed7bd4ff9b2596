#pragma once

#include <QString>

#include "settings/serversettings.h"

// The settings of this run, one set for the process: filled at start-up
// and by the settings windows, read by receiving and sending.
struct AppSettings {
    ServerSettings servers;
    QString AccountId;
    QString AccountPassword;
};
