#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "mime/receivedmessage.h"
#include "store/apppaths.h"
#include "store/mailrecord.h"
#include "text/error.h"

// What receiving one message decided, and what it left on disk for its record.
struct ProcessedMessage {
    bool html = false;
    bool hasAttachments = false;
    QString text;          // the body, with the attachment note when it had attachments
    MailRecord record;     // what the received-mail file gets for it
    QStringList files;     // the attachments written, in both folders
    QString createdFolder; // its HTML mail folder, when this message made it
    // Why a part of the message could not be written; none when all of it
    // is on disk. On a failure nothing of the message is left behind.
    std::optional<Error> failure;
    // What the user is told of it all the same (FolderUnusable, PartsMissing), in order.
    QList<Error> notices;
};

// The receiving side of one message, before it is stored: HTML mail is
// recognised by its marker and unpacked into a folder of its own named
// after its subject (HtmlMailFolder); every message is unpacked into the attachment folder; a message
// with attachments gets a note at the end of its text.
//
// A message is written whole or not at all: when a file or its HTML mail
// folder cannot be written (a full disk, a folder that refuses it), what the
// message wrote so far is removed again. A subject that cannot name a folder
// loses nothing and is only noted: the files still reach the attachment
// folder. (A second mail of one subject gets a numbered folder of its own.)
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

    explicit MessageProcessor(const AppPaths& paths);
    // Removes the saved message files (0.txt) this processor wrote.
    ~MessageProcessor();
    MessageProcessor(const MessageProcessor&) = delete;
    MessageProcessor& operator=(const MessageProcessor&) = delete;

    ProcessedMessage ProcessReceivedMessage(const ReceivedMessage& message);
    // Unpacks into `folder`, adding the files written (or the failure) to `result`.
    void UnpackMessage(const ReceivedMessage& message, const QString& folder, ProcessedMessage& result);
    // Removes what processing the message wrote: its files, and its HTML
    // mail folder when it made it.
    void discard(const ProcessedMessage& message);

  private:
    void unpackIntoOwnFolder(const ReceivedMessage& message, ProcessedMessage& result);
    // Only a full disk is an error here: the file is scratch.
    std::optional<Error> writeSavedMessage(const ReceivedMessage& message, const QString& folder);
    void removeSavedMessages();

    const AppPaths& paths_;
    // Found once: finding it may list the application folder.
    const QString attachmentFolder_;
    QStringList savedFiles_;
};
