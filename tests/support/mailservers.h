#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "transport/certificatetrust.h"

// The Dovecot and Postfix that the test run started (scripts/mailservers.sh),
// found through FENNICK_MAILSERVERS. Every test claims an account of its
// own, so tests may run in parallel.
struct TestAccount {
    QString name;
    QString password;
    QString address;
    QString maildir;

    // The account file ("iniIdPass.ini") of a user who logs in as this account.
    QByteArray accountFileBytes() const {
        return "[EXEINI]\r\nNAME=" + name.toLatin1() + "\r\nNAME2=" + password.toLatin1() + "\r\n";
    }
};

class TestMailServers {
  public:
    // Fails the current test when the servers are not there.
    static bool available();
    // "127.0.0.1:port": Dovecot offers STLS there.
    static QString pop3Server();
    // "127.0.0.1:port" of the same mailboxes without TLS and without APOP.
    static QString pop3PlainServer();
    // "pop3s://127.0.0.1:port": TLS from the start.
    static QString pop3sServer();
    // The servers' self-signed certificate, as the user sees it.
    static QString certificateFingerprint();
    // Trusts that certificate, as a user who said yes once would.
    static CertificateTrust trust();
    // "127.0.0.1:port": no TLS, no AUTH.
    static QString smtpServer();
    // "smtp://127.0.0.1:port": submission, STARTTLS required, then login.
    static QString submissionServer();
    // "smtps://127.0.0.1:port": TLS from the start, then login.
    static QString smtpsServer();
    // "127.0.0.1:port": submission in clear, login by CRAM-MD5, PLAIN or LOGIN.
    static QString submissionPlainServer();
    // What Postfix logged of the SMTP session that took the (first) mail
    // from `sender`, once that session has ended (waits at most 20 s): how
    // it logged in and its command counts.
    struct SmtpSession {
        QString mechanism; // "PLAIN", "CRAM-MD5"; empty without login
        QString commands;  // "ehlo=2 starttls=1 auth=1 mail=1 rcpt=1 data=1 quit=1 commands=8"
    };
    static SmtpSession smtpSession(const QString& sender);
    // Where Postfix's log ends now.
    static qint64 postfixLogEnd();
    // The command counts ("ehlo=1 commands=1") of the sessions on the plain
    // submission port that ended after `logEnd` without taking a mail, once
    // there is one (waits at most 20 s).
    static QStringList plainSubmissionSessionsWithoutMail(qint64 logEnd);
    // The test authorization server (scripts/oauthserver.py): "http://127.0.0.1:port".
    static QString oauthServer();
    // "pop3s://127.0.0.1:port": TLS from the start, logins only with its bearer tokens.
    static QString pop3sOAuthServer();
    // "smtp://127.0.0.1:port": submission, STARTTLS required, logins only with its bearer tokens.
    static QString submissionOAuthServer();
    // The authorization server refuses `token` (an access or a refresh token) from now on.
    static void revokeToken(const QString& token);
    static TestAccount claimAccount();
    // Number of messages waiting in the account's maildir.
    static int waitingMessages(const TestAccount& account);
    // Waits until Postfix has delivered `count` messages (at most 20 s).
    static bool waitForMessages(const TestAccount& account, int count);
    // Puts a message straight into the maildir, as a delivery would.
    static void deliver(const TestAccount& account, const QByteArray& message);
};
