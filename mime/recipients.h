#pragma once

#include <QList>
#include <QString>

struct Recipient {
    QString name;    // may be empty
    QString address; // bare: what RCPT TO gets
};

// The recipient text as the user typed it: "a@x", "名前<a@x>", "名前 <a@x>",
// or several of these separated by ",".
QList<Recipient> ParseRecipients(const QString& typed);
