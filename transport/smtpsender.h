#pragma once

#include <QDateTime>
#include <QString>

#include "mime/outgoingmail.h"
#include "text/result.h"
#include "transport/curlsession.h"

// Sends one mail through an SMTP server ("host" or "host:port", port 25 by
// default) over libcurl. The envelope gets each bare recipient address; the
// To header keeps the names. A failure carries the server's own reply.
class SmtpSender {
  public:
    explicit SmtpSender(CurlSession::Timeouts timeouts = {});

    Status send(const QString& server, const OutgoingMail& mail,
                const QDateTime& now = QDateTime::currentDateTime()) const;

  private:
    CurlSession::Timeouts timeouts_;
};
