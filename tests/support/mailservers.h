#pragma once

#include <QByteArray>
#include <QString>

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
    static QString pop3Server();
    static QString pop3sServer();
    static QString smtpServer();
    static TestAccount claimAccount();
    // Number of messages waiting in the account's maildir.
    static int waitingMessages(const TestAccount& account);
    // Waits until Postfix has delivered `count` messages (at most 20 s).
    static bool waitForMessages(const TestAccount& account, int count);
    // Puts a message straight into the maildir, as a delivery would.
    static void deliver(const TestAccount& account, const QByteArray& message);
};
