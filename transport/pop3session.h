#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <memory>
#include <optional>

#include "mime/receivedmessage.h"
#include "text/result.h"
#include "transport/curlsession.h"
#include "transport/mailbox.h"
#include "transport/serveraddress.h"

// One POP3 session over libcurl. The transport component as a whole serves
// its callers like this:
//
//   need of the callers                operation
//   ---------------------------------  -------------------------------------
//   set up once at start, end at exit  MailLibraries (curl + GMime)
//   send one mail                      SmtpSender::send(server, mail)
//   decode a message                   MimeDecoder::decode (mime/)
//   reach the server                   connect(server)
//   log in, learn how many are waiting authenticate(id, password, apop)
//   size of a message                  size(n)
//   the message itself                 fetchRaw(n) (RETR), fetch(n) decoded
//   remove it from the server          remove(n) (DELE; done at close)
//   end the session                    close()   (QUIT commits deletions)
//   why something failed               lastError()
//
// Without APOP, libcurl picks the safest login the server offers: SASL
// (PLAIN over Dovecot), else APOP when the greeting has a timestamp, else
// USER/PASS. With APOP ticked, APOP only.
//
// Message numbers are checked against LIST before any command is sent, so no
// command can draw an -ERR after a DELE: libcurl answers any -ERR with QUIT,
// which would commit the deletions. If the connection had to be opened anew,
// messages are found again by their UIDL.
class Pop3Session : public Mailbox {
  public:
    struct Options {
        CurlSession::Timeouts timeouts;
        qint64 maxMessageBytes = 64 << 20;
    };

    Pop3Session();
    explicit Pop3Session(Options options);
    ~Pop3Session() override;

    bool connect(const QString& server) override;
    int authenticate(const QString& id, const QString& password, bool apop) override;
    qint64 size(int n) const override; // -1 for a number the server did not list
    bool isTooLarge(int n) const override;
    Result<QByteArray> fetchRaw(int n) override;
    Status remove(int n) override;
    void close() override;
    QString uidl(int n) const;
    const QString& lastError() const override { return error_; }

  private:
    bool fail(const QString& text);
    bool listMessages();
    bool readUidls();
    // Connected, listed by the server, and still the same message.
    bool readyFor(int n);
    bool stillTheSameMessage(int n);
    bool runCommand(const QByteArray& path, const char* command, bool noBody, qint64 limit = 1 << 20,
                    qint64 expected = 0);

    Options options_;
    std::unique_ptr<CurlSession> curl_;
    QString serverText_;
    std::optional<ServerAddress> server_;
    QByteArray greeting_;
    bool serverHasUidl_ = false;
    QHash<int, qint64> sizes_;
    QHash<int, QString> uidls_;        // as first listed in this check
    QHash<QString, int> numberOfUidl_; // in the connection now open
    QString error_;
};
