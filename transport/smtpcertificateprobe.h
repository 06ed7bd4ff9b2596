#pragma once

#include <QByteArray>
#include <QString>

#include "transport/certificatetrust.h"
#include "transport/mailsocket.h"
#include "transport/serveraddress.h"

// Opens TLS to an SMTP server the way a send does (TLS from the start, or
// EHLO and STARTTLS) only to look at its certificate, and puts it to the
// trust: it passes the system's checks, or the user trusts it (now, being
// asked, or earlier). Gives its public key as libcurl pins one,
// "sha256//<base64>"; fails with the reason and the fingerprint.
Result<QByteArray> AcceptedSmtpKey(const ServerAddress& address, const QString& serverText,
                                   const CertificateTrust& trust, MailSocket::Timeouts timeouts = {});
