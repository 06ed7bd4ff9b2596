#pragma once

#include <QByteArrayView>
#include <QString>

#include "receive/messageprocessor.h"

// One message from a mail file stored as the mail check stores one it
// fetched (ReceivedMail), its record appended to the received-mail file; on
// a failure what it wrote is taken back. (The check also keeps the log of
// what it stored, for the server's sake.)
namespace ReceivedMessageStore {

struct Stored {
    enum class Kind { Stored, NotAMessage, Failed };
    Kind kind;
    ProcessedMessage processed;   // for Stored: what to make durable; its notices whatever the kind
    Error error = {};             // for Failed
    int row = 0;                  // for Stored: its record number
    ReceivedMessage message = {}; // for Stored: as decoded
};

// True when the bytes begin with a header field, as every mail message does.
bool looksLikeMessage(QByteArrayView raw);

Stored store(QByteArrayView raw, MessageProcessor& processor, const AppPaths& paths);

} // namespace ReceivedMessageStore
