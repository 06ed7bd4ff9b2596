#pragma once

#include "transport/certificatetrust.h"
#include "transport/smtpsender.h"
#include "transport/tlspolicy.h"

struct AppContext;

// The certificates the user trusts, kept in the data folder. A certificate
// that fails the checks is put to the user in a message box; asked from a
// worker thread (a send, a check), the window thread shows it while the
// worker waits for the answer.
CertificateTrust UserCertificateTrust(const AppContext& context);

// What each server's TLS was, kept in the data folder. A login in clear to a
// server that never offered TLS is put to the user the same way.
TlsPolicy UserTlsPolicy(const AppContext& context);

// The sender the windows send with: TLS with the user's certificates and TLS
// policy, and the account's ID and password for servers that want a login
// (those of this run, else those in iniIdPass.ini), or its sign-in's
// tokens when it signed in through its provider.
SmtpSender UserSmtpSender(const AppContext& context);
