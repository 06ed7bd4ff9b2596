#pragma once

#include <QString>

#include "store/apppaths.h"
#include "transport/receivedmessage.h"

class UserNotifier;

// What receiving one message decided and left for its record.
struct ProcessedMessage {
    bool html = false;
    bool hasAttachments = false;
    QString text; // the body, with the attachment note when it had attachments
};

// The receiving side of one message, before it is stored: HTML mail is
// recognised by its marker and unpacked into a folder named after its
// subject; every message is unpacked into the attachment folder; a message
// with attachments gets a note at the end of its text.
class MessageProcessor {
public:
    static inline const QString kAttachmentNote =
        QStringLiteral("♪♪♪　添付ファイルがありましので、添付フォルダに展開しました。♪♪♪");
    static inline const QString kProgramName = QStringLiteral("Fennick");

    MessageProcessor(const AppPaths& paths, UserNotifier& notifier);

    ProcessedMessage ProcessReceivedMessage(const ReceivedMessage& message);
    void UnpackMessage(const ReceivedMessage& message, const QString& folder);

    // Whether a subject may name a folder in the application folder: not
    // empty, not "." or "..", no separator, not one of the installed folders.
    static bool isUsableFolderName(const QString& subject);

private:
    const AppPaths& paths_;
    UserNotifier& notifier_;
};
