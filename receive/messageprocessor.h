#pragma once

#include <QString>
#include <QStringList>

#include "mime/receivedmessage.h"
#include "store/apppaths.h"

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
//
// Unpacking into a folder writes the message as 0.txt there first. One
// processor serves a whole check and rewrites the same 0.txt for each
// message, removing it when the check ends: creating and deleting a file
// per message makes ext4 scan its recently deleted inodes on every create,
// which grows with the number of messages.
class MessageProcessor {
  public:
    static inline const QString kAttachmentNote =
        QStringLiteral("♪♪♪　添付ファイルがありましので、添付フォルダに展開しました。♪♪♪");
    static inline const QString kProgramName = QStringLiteral("Fennick");

    MessageProcessor(const AppPaths& paths, UserNotifier& notifier);
    // Removes the saved message files (0.txt) this processor wrote.
    ~MessageProcessor();
    MessageProcessor(const MessageProcessor&) = delete;
    MessageProcessor& operator=(const MessageProcessor&) = delete;

    ProcessedMessage ProcessReceivedMessage(const ReceivedMessage& message);
    void UnpackMessage(const ReceivedMessage& message, const QString& folder);

  private:
    void writeSavedMessage(const ReceivedMessage& message, const QString& folder);
    void removeSavedMessages();

    const AppPaths& paths_;
    UserNotifier& notifier_;
    QStringList savedFiles_;
};
