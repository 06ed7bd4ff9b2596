#pragma once

#include "transport/certificatetrust.h"
#include "transport/smtpsender.h"

struct AppContext;

// The certificates the user trusts, kept in the data folder. A certificate
// that fails the checks is put to the user in a message box; asked from a
// worker thread (a send), the window thread shows it while the worker waits
// for the answer.
CertificateTrust UserCertificateTrust(const AppContext& context);

// The sender the windows send with: TLS with the user's certificates, and
// the account's ID and password for servers that want a login (those of
// this run, else those in iniIdPass.ini).
SmtpSender UserSmtpSender(const AppContext& context);
