#include "receive/messageprocessor.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <sys/stat.h>

#include "mime/htmlmailfolder.h"
#include "mime/htmlmailmarker.h"
#include "receive/attachmentwriter.h"
#include "store/mailrecord.h"
#include "store/posixfile.h"
#include "text/shiftjis.h"
#include "text/text.h"

namespace {

const QString kSavedMessageName = QStringLiteral("/0.txt");

} // namespace

MessageProcessor::MessageProcessor(const AppPaths& paths)
    : paths_(paths), attachmentFolder_(paths.attachmentFolder()) {}

ProcessedMessage MessageProcessor::ProcessReceivedMessage(const ReceivedMessage& message) {
    ProcessedMessage result;
    result.html = IsHtmlMail(message.body);
    // Whether it had attachments is what the message says, not whether its
    // text mentions the word.
    result.hasAttachments = !message.attachments.isEmpty();
    result.text = message.body;
    if (result.hasAttachments)
        result.text += QStringLiteral("\r\n") + kAttachmentNote;
    // Built before anything is unpacked: an HTML mail's folder is marked with it.
    result.record = {TrimSpaces(message.subject),
                     TrimSpaces(message.date),
                     result.html ? MailRecord::kHtmlKind : MailRecord::kTextKind,
                     TrimSpaces(message.sender),
                     TrimSpaces(CutAtNul(result.text)),
                     1};
    if (result.html)
        unpackIntoOwnFolder(message, result);
    if (!result.failure)
        UnpackMessage(message, attachmentFolder_, result);
    if (result.failure)
        discard(result);
    return result;
}

void MessageProcessor::unpackIntoOwnFolder(const ReceivedMessage& message, ProcessedMessage& result) {
    // Marked with the mail's record, by which the history window shows and
    // removes it.
    const HtmlMailFolder::Made folder = HtmlMailFolder::create(paths_, result.record);
    switch (folder.outcome) {
    case HtmlMailFolder::Made::Outcome::Created:
        result.createdFolder = folder.path;
        result.files.append(folder.ownerFile);
        UnpackMessage(message, folder.path, result);
        break;
    case HtmlMailFolder::Made::Outcome::Unusable:
        result.notices.append(
            {.kind = Error::Kind::FolderUnusable, .subject = message.subject, .sender = message.sender});
        break;
    case HtmlMailFolder::Made::Outcome::Failed:
        result.failure = folder.error;
        break;
    }
}

std::optional<Error> MessageProcessor::writeSavedMessage(const ReceivedMessage& message,
                                                         const QString& folder) {
    // The header, then the body, in Shift-JIS. O_NOFOLLOW keeps a link of
    // that name from sending the write elsewhere.
    const QString path = folder + kSavedMessageName;
    const QByteArray bytes =
        ShiftJis::encode(message.header + QStringLiteral("\r\n") + message.body + QStringLiteral("\r\n"));
    // Overwritten in place and then cut to length: truncating to nothing
    // first makes ext4 free and allocate the blocks again for every message.
    PosixFile saved;
    const auto fullDisk = [&saved]() -> std::optional<Error> {
        if (!IsDiskFull(saved.systemError()))
            return std::nullopt;
        return saved.error();
    };
    if (!saved.open(path, PosixFile::ReadWriteCreate))
        return fullDisk();
    if (!savedFiles_.contains(path))
        savedFiles_.append(path);
    const bool written =
        saved.writeAt(0, bytes.constData(), bytes.size()) && saved.truncate(bytes.size()) && saved.close();
    // Nothing reads it back, so only a full disk counts: what comes next
    // would not fit either, and the user must hear why.
    return written ? std::nullopt : fullDisk();
}

void MessageProcessor::removeSavedMessages() {
    for (const QString& path : std::as_const(savedFiles_))
        QFile::remove(path);
    savedFiles_.clear();
}

MessageProcessor::~MessageProcessor() {
    removeSavedMessages();
}

void MessageProcessor::UnpackMessage(const ReceivedMessage& message, const QString& folder,
                                     ProcessedMessage& result) {
    result.failure = writeSavedMessage(message, folder);
    if (result.failure)
        return;
    const AttachmentWriter::Report report = AttachmentWriter::write(message, folder);
    result.files += report.writtenFiles;
    if (report.outcome == AttachmentWriter::Outcome::FileNotOpened)
        result.failure = report.error;
    else if (report.outcome == AttachmentWriter::Outcome::PartsMissing)
        result.notices.append(
            {.kind = Error::Kind::PartsMissing, .subject = message.subject, .sender = message.sender});
}

void MessageProcessor::discard(const ProcessedMessage& message) {
    for (const QString& file : message.files)
        QFile::remove(file);
    if (message.createdFolder.isEmpty())
        return;
    const QString saved = message.createdFolder + kSavedMessageName;
    QFile::remove(saved);
    savedFiles_.removeOne(saved);
    QDir().rmdir(message.createdFolder);
}
