#pragma once

#include <QString>
#include <memory>

#include "transport/certificatetrust.h"
#include "transport/mailsender.h"
#include "transport/smtpsession.h"
#include "transport/tlspolicy.h"

// The way out of a send: an SMTP session (SmtpSession) for each send, with
// the account's login, the certificates the user trusts and what each
// server's TLS was.
class SmtpSender : public MailSender {
  public:
    using Options = SmtpSession::Options;

    explicit SmtpSender(Options options = {}, CertificateTrust trust = {}, TlsPolicy policy = {});

    std::unique_ptr<MailConnection> open(const QString& server) const override;
    // One mail over a session of its own.
    MailOutcome send(const QString& server, const OutgoingMail& mail) const;

  private:
    Options options_;
    CertificateTrust trust_;
    TlsPolicy policy_;
};
