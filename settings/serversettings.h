#pragma once

// settings/: the account (iniIdPass.ini) and server (orvex.ini) settings, their
// files, and the windows that edit them.

#include <QString>

#include "text/result.h"

// The servers, the user's address and the APOP choice, as kept in
// orvex.ini: lines "SMTP=", "POP3=", "MAIL=", "APOP=" in that order.
struct ServerSettings {
    QString SmtpServer;
    QString Pop3Server;
    QString MailAddress;
    int UseApop = 0;

    static inline const QString kFileName = QStringLiteral("orvex.ini");
    static constexpr qsizetype kMaxValueChars = 100;

    // A missing file reads as all empty. Keys match only as written, in
    // upper case with the equals sign; a later line wins over an earlier one.
    static ServerSettings read(const QString& path);
    // Replaces the whole file with the four lines.
    Status write(const QString& path) const;

    friend bool operator==(const ServerSettings&, const ServerSettings&) = default;
};

// The number at the start of a text, rounded half to even ("1" -> 1,
// "2.5" -> 2, "x" -> 0), as the program has always read "APOP=".
int LeadingNumberRounded(const QString& text);
