#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

#include "store/apppaths.h"
#include "transport/mailsender.h"
#include "transport/smtpsender.h"

// What a compose window hands to a send: its fields as typed.
struct SendRequest {
    QString toText; // as typed; the header keeps it, the envelope gets the bare addresses
    QString subject;
    QString body;
    QString attachText; // full paths joined with ","
    bool sendToAll = false;
    int listEntries = 0;          // the address list's entries: the passes of a send-to-all
    QSet<QString> alreadyReached; // send-to-all: addresses that have this mail already
    QString smtpServer;
    QString sender;             // the user's own address
    QString dateText;           // the main window's clock text, for the sent record
    bool keepSentRecord = true; // a reply is not kept in the sent history
};

// One mail of a send.
struct SendPass {
    QString recipient;
    std::optional<Error> sendError = {};   // why it did not leave; none when the server took it
    std::optional<Error> recordError = {}; // the sent record could not be written
    bool tried = true; // false: the send had stopped before this mail (see the refusal)
    // Taken for the others, not for these (Refused; name: the address).
    QList<Error> refusedRecipients = {};
    bool sent() const { return tried && !sendError; }
};

struct SendReport {
    // Why the send stopped before its first (or next) mail; the rest were not tried.
    std::optional<Error> refusal;
    bool sendToAll = false;
    int plannedPasses = 0;
    int skipped = 0; // entries left out, having the mail already
    QList<SendPass> passes;

    // Every mail left, to every one of its recipients.
    bool allSent() const;
    // A send-to-all that ran out of address records before the list's end.
    bool stoppedShort() const { return !refusal && passes.size() + skipped < plannedPasses; }
    // What went wrong in sending, in order: the refusal, then each mail that
    // did not leave and each recipient a mail did not reach (NotSent, naming
    // the recipient).
    QList<Error> errors() const;
    // The recipients the mail did not reach, trimmed, in order.
    QStringList missed() const;
};

// Sends one mail, or in send-to-all mode one mail to the address of each
// address-book record in turn over one connection, each mail handed over
// before the server has answered for the one before; records each mail the
// server accepted in the sent-mail file (unless the request keeps no record),
// once it has. A connection that ends for good stops the send there.
// Blocking: windows run it on a worker thread (a BackgroundTask).
class MailSend {
  public:
    explicit MailSend(AppPaths paths,
                      std::shared_ptr<const MailSender> sender = std::make_shared<SmtpSender>());

    SendReport run(const SendRequest& request) const;

  private:
    // The server's answer for the oldest mail handed over (passes[index]).
    void takeOutcome(MailConnection& connection, const SendRequest& request, SendReport& report,
                     qsizetype index) const;

    AppPaths paths_;
    std::shared_ptr<const MailSender> sender_;
};
