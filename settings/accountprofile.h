#pragma once

#include <QString>

// What happens to a message on the server once it is stored here.
struct ServerCopy {
    enum class Mode {
        DeleteAfterFetch,  // 受信後サーバーから削除: as the program always did
        Keep,              // サーバーに残す
        DeleteAfterDays,   // n 日後に削除: `days` after it was first stored here
        DeleteWithHistory, // 履歴で削除したらサーバーからも削除
    };
    Mode mode = Mode::DeleteAfterFetch;
    int days = 14; // for DeleteAfterDays

    bool keepsMail() const { return mode != Mode::DeleteAfterFetch; }

    friend bool operator==(const ServerCopy&, const ServerCopy&) = default;
};

// One mail account as a check and a send use it: where its mail comes from,
// how it logs in, what it sends as, and what stays on its server.
struct AccountProfile {
    // Names the account in what is kept for it (its fetched-mail record, the
    // account a received mail came to): never reused for another account.
    // The first account, the one in orvex.ini and iniIdPass.ini, is kFirstKey.
    QString key;
    QString displayName;
    QString address; // the From of mail sent from it

    QString pop3Server;
    QString loginId;
    QString password;
    bool apop = false;
    // Signed in through the provider: the sign-in file's tokens stand in for
    // the password.
    bool signedIn = false;
    QString signInFile;

    QString smtpServer;
    // Empty: the POP3 login is used for sending too, as the first account
    // always did.
    QString smtpLoginId;
    QString smtpPassword;

    ServerCopy serverCopy;

    static inline const QString kFirstKey = QStringLiteral("1");

    bool isFirst() const { return key == kFirstKey; }
    // How lists and messages name it: its name, else its address.
    QString shownName() const { return displayName.isEmpty() ? address : displayName; }

    friend bool operator==(const AccountProfile&, const AccountProfile&) = default;
};
