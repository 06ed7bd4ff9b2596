#pragma once

#include <QByteArrayView>
#include <QString>

#include "receive/messageprocessor.h"

// One received message stored the way the mail check stores a message it
// fetched: decoded, processed (HTML mail folder, 添付フォルダ, the attachment
// note), its record appended to the received-mail file; on a failure what
// it wrote is taken back. The mail check's own step is private to it and
// also keeps the server's log; this is the same sequence for a message that
// comes from a file.
namespace ReceivedMessageStore {

struct Stored {
    enum class Kind { Stored, NotAMessage, Failed };
    Kind kind;
    ProcessedMessage processed; // for Stored: what to make durable
    QString error;              // for Failed
};

// True when the bytes begin with a header field, as every mail message does.
bool looksLikeMessage(QByteArrayView raw);

Stored store(QByteArrayView raw, MessageProcessor& processor, const AppPaths& paths);

} // namespace ReceivedMessageStore
