#pragma once

#include <QString>

#include "settings/accountprofile.h"
#include "text/result.h"

// The first account's choice of what stays on its server, kept in the
// account file (iniIdPass.ini), section "SERVERCOPY": "MODE" one of
// "delete", "keep", "days", "history", and "DAYS". A file without it, as
// every older copy wrote, reads as deletion after fetching.
struct ServerCopySetting {
    static constexpr int kMaxDays = 3650;

    // A mode not known reads as deletion after fetching; days out of
    // 1 … kMaxDays as the default.
    static ServerCopy read(const QString& accountFile);
    static Status write(const QString& accountFile, const ServerCopy& copy);
};
