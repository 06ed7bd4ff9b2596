#pragma once

#include <QString>
#include <memory>

#include "mime/outgoingmail.h"
#include "text/result.h"

// One connection to the server that takes the mails of a send, one after
// another.
class MailConnection {
  public:
    virtual ~MailConnection() = default;
    // Fails with the server's own words, or with why the mail never left.
    virtual Status send(const OutgoingMail& mail) = 0;
    // Ended for good: every later mail would fail as the last one did (the
    // user refused a login in clear, say), so a send goes no further.
    virtual bool closed() const = 0;
};

// What a send needs of the way out: a connection to a server. SmtpSender is
// the real one; tests of what a send does with accepted and refused mails
// put a fake in its place.
class MailSender {
  public:
    virtual ~MailSender() = default;
    virtual std::unique_ptr<MailConnection> open(const QString& server) const = 0;
};
