#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

struct MessageAttachment {
    QString name; // as the sender gave it; untrusted, may be empty
    QByteArray content;
};

// A received message as the receiving code needs it: the header values
// decoded, the readable text of the body, and the attachments.
struct ReceivedMessage {
    QString subject;
    QString date;
    QString sender;
    QString header; // the whole header block, for the saved message file
    QString body;
    QString html; // the HTML part as it came (decoded to text), for a look at its links; may be empty
    QList<MessageAttachment> attachments;
    bool partsMissing = false; // a message/partial piece of a split mail
};
