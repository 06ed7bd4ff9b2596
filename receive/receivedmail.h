#pragma once

#include <QByteArrayView>

#include "mime/receivedmessage.h"
#include "receive/messageprocessor.h"

// A message as it comes from a server (or a mail file), made ready to be
// stored: decoded, every text cut at its first NUL, unpacked (its HTML mail
// folder, 添付フォルダ, the attachment note), and the record built that the
// received-mail file gets (processed.record). The mail check and the import
// both store mail through this one step.
struct ReceivedMail {
    ReceivedMessage message;
    // When its failure is set, nothing the message wrote is left on disk.
    ProcessedMessage processed;

    static ReceivedMail prepare(QByteArrayView raw, MessageProcessor& processor);
};
