#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "store/apppaths.h"
#include "transport/smtpsender.h"

// What a compose window hands to a send: its fields as typed.
struct SendRequest {
    QString toText; // as typed; the header keeps it, the envelope gets the bare addresses
    QString subject;
    QString body;
    QString attachText; // full paths joined with ","
    bool sendToAll = false;
    int listEntries = 0; // the address list's entries: the passes of a send-to-all
    QString smtpServer;
    QString sender;             // the user's own address
    QString dateText;           // the main window's clock text, for the sent record
    bool keepSentRecord = true; // a reply is not kept in the sent history
};

// One mail of a send.
struct SendPass {
    QString recipient;
    QString sendError;   // the server's text; empty when the mail was accepted
    QString recordError; // the sent record could not be written
    bool sent() const { return sendError.isEmpty(); }
};

struct SendReport {
    QString refusal; // why the send stopped before its first (or next) mail
    int plannedPasses = 0;
    QList<SendPass> passes;

    bool allSent() const;
    // A send-to-all that ran out of address records before the list's end.
    bool stoppedShort() const { return refusal.isEmpty() && passes.size() < plannedPasses; }
};

// Sends one mail, or in send-to-all mode one mail to the address of each
// address-book record in turn, and records each mail the server accepted in
// the sent-mail file (unless the request keeps no record). Blocking: windows
// run it on a worker thread (SendWorker).
class MailSend {
  public:
    static inline const QString kSending = QStringLiteral("メールを送信中です。しばらくお待ち下さい。");
    static inline const QString kDone = QStringLiteral("送信完了です。");
    static inline const QString kSomeFailed = QStringLiteral("送信できなかったメールがあります。");
    static inline const QString kErrorTitle = QStringLiteral("送信エラー");

    MailSend(AppPaths paths, SmtpSender smtp = SmtpSender());

    SendReport run(const SendRequest& request) const;

    // The status text for a finished send.
    static QString statusText(const SendReport& report);
    // The box text for a pass that failed, naming its recipient.
    static QString errorText(const SendPass& pass);
    // A box text for each thing that went wrong in sending, in order: the
    // refusal, then each failed pass.
    static QStringList errorTexts(const SendReport& report);

  private:
    SendPass sendOne(SmtpConnection& connection, const SendRequest& request, const QString& recipient) const;

    AppPaths paths_;
    SmtpSender smtp_;
};
