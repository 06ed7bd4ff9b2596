#pragma once

#include <QList>
#include <QString>
#include <memory>
#include <optional>

#include "mime/outgoingmail.h"
#include "text/result.h"

// What became of one mail handed to a connection.
struct MailOutcome {
    // Why the mail did not leave, in the server's own words or ours; none
    // when the server took it.
    std::optional<Error> failure = {};
    // Taken, but not for these recipients (Refused; name: the address,
    // detail: the server's reply).
    QList<Error> refusedRecipients = {};
    // The failure ended the connection for good (the server hung up, the
    // user refused a login in clear, the send was cancelled): it says
    // nothing of this mail itself, and every later one meets it too.
    bool connectionEnded = false;

    bool ok() const { return !failure; }
    Error error() const { return failure.value_or(Error{}); }
};

// One connection to the server that takes the mails of a send. A mail may
// leave while the server has yet to answer for the one before (the way a
// send-to-all keeps a slow link busy); its outcome is asked for in turn.
class MailConnection {
  public:
    virtual ~MailConnection() = default;
    // Hands a mail over; it may go out at once, or with the next.
    virtual void submit(const OutgoingMail& mail) = 0;
    // The outcome of the oldest mail handed over and not yet asked about,
    // once the server has answered for it.
    virtual MailOutcome result() = 0;

    // One mail, start to end (no other may be waiting for its result).
    MailOutcome send(const OutgoingMail& mail) {
        submit(mail);
        return result();
    }
};

// What a send needs of the way out: a connection to a server. SmtpSender is
// the real one; tests of what a send does with accepted and refused mails
// put a fake in its place.
class MailSender {
  public:
    virtual ~MailSender() = default;
    virtual std::unique_ptr<MailConnection> open(const QString& server) const = 0;
};
