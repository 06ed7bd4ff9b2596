#pragma once

#include "settings/accountprofile.h"
#include "settings/appsettings.h"
#include "store/apppaths.h"

// The first account as a check uses it, from the files it has always lived
// in: the servers and APOP of this run (orvex.ini), the login read from
// iniIdPass.ini anew (or the one the account window could not save), the
// sign-in beside it, and what stays on the server. Read at every check.
AccountProfile FirstAccountProfile(const AppPaths& paths, const AppSettings& settings);
