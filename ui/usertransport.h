#pragma once

#include <functional>
#include <memory>

#include "settings/accountprofile.h"
#include "transport/certificatetrust.h"
#include "transport/smtpsender.h"
#include "transport/tlspolicy.h"

class Prompter;
struct AppContext;

// A Yes/No question a connection puts before going on (a certificate that
// fails the checks, a login in clear); true goes on.
using ConnectionQuestion = std::function<bool(const Error& problem)>;

// Puts the question to the user in a message box; asked from a background
// job (a send, a check), the window thread shows it while the job waits.
ConnectionQuestion AskUser(Prompter* prompter);

// The certificates the user trusts, kept in the data folder. A certificate
// that fails the checks is put to the user in a message box; asked from a
// worker thread (a send, a check), the window thread shows it while the
// worker waits for the answer.
CertificateTrust UserCertificateTrust(const AppContext& context);
// The same, with the question put by `ask` (a check on a timer keeps it for later).
CertificateTrust UserCertificateTrust(const AppContext& context, ConnectionQuestion ask);

// What each server's TLS was, kept in the data folder. A login in clear to a
// server that never offered TLS is put to the user the same way.
TlsPolicy UserTlsPolicy(const AppContext& context);
TlsPolicy UserTlsPolicy(const AppContext& context, ConnectionQuestion ask);

// The senders the windows send with, one for each account: TLS with the
// user's certificates and TLS policy; the account's own login for sending
// where it has one, else its POP3 login, or its sign-in's tokens when it
// signed in through its provider (as the first account always sent).
// Made on the window thread; an account's tokens are read when it sends.
std::function<std::shared_ptr<const MailSender>(const AccountProfile&)>
UserSmtpSenders(const AppContext& context);
