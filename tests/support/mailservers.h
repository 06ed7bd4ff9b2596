#pragma once

#include <QByteArray>
#include <QString>

#include "transport/certificatetrust.h"

// The Dovecot and Postfix that the test run started (scripts/mailservers.sh),
// found through FENNICK_MAILSERVERS. Every test claims an account of its
// own, so tests may run in parallel.
struct TestAccount {
    QString name;
    QString password;
    QString address;
    QString maildir;
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
    static QString smtpServer();
    static TestAccount claimAccount();
    // Number of messages waiting in the account's maildir.
    static int waitingMessages(const TestAccount& account);
    // Waits until Postfix has delivered `count` messages (at most 20 s).
    static bool waitForMessages(const TestAccount& account, int count);
    // Puts a message straight into the maildir, as a delivery would.
    static void deliver(const TestAccount& account, const QByteArray& message);
};
