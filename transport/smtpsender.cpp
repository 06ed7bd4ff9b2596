#include "transport/smtpsender.h"

SmtpSender::SmtpSender(Options options, CertificateTrust trust, TlsPolicy policy)
    : options_(std::move(options)), trust_(std::move(trust)), policy_(std::move(policy)) {}

std::unique_ptr<MailConnection> SmtpSender::open(const QString& server) const {
    return std::make_unique<SmtpSession>(options_, trust_, policy_, server);
}

MailOutcome SmtpSender::send(const QString& server, const OutgoingMail& mail) const {
    return open(server)->send(mail);
}
