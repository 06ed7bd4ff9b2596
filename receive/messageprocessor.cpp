#include "receive/messageprocessor.h"

#include <QDir>
#include <QFile>

#include "mime/htmlmailfolder.h"
#include "mime/htmlmailmarker.h"
#include "receive/attachmentwriter.h"
#include "store/mailrecord.h"
#include "store/posixfile.h"
#include "text/shiftjis.h"
#include "text/text.h"
#include "transport/usernotifier.h"

MessageProcessor::MessageProcessor(const AppPaths& paths, UserNotifier& notifier)
    : paths_(paths), notifier_(notifier) {}

ProcessedMessage MessageProcessor::ProcessReceivedMessage(const ReceivedMessage& message) {
    ProcessedMessage result;
    result.html = IsHtmlMail(message.body);
    if (result.html) {
        // The folder is named from the subject as its record keeps it, which
        // the history window uses to show and remove it. A subject that
        // cannot be a folder here fails like an existing folder does.
        const std::optional<QString> folder =
            HtmlMailFolder::pathFor(paths_, MailRecord::storedSubject(CutAtNul(message.subject)));
        if (folder && QDir().mkdir(*folder))
            UnpackMessage(message, *folder);
        else
            notifier_.notify(QStringLiteral("フォルダを作成できませんでした"), kProgramName);
    }
    // Whether it had attachments is what the message says, not whether its
    // text mentions the word.
    result.hasAttachments = !message.attachments.isEmpty();
    UnpackMessage(message, paths_.attachmentFolder());
    result.text = message.body;
    if (result.hasAttachments)
        result.text += QStringLiteral("\r\n") + kAttachmentNote;
    return result;
}

void MessageProcessor::writeSavedMessage(const ReceivedMessage& message, const QString& folder) {
    // The header, then the body, in Shift-JIS. O_NOFOLLOW keeps a link of
    // that name from sending the write elsewhere.
    const QString path = folder + QStringLiteral("/0.txt");
    const QByteArray bytes =
        ShiftJis::encode(message.header + QStringLiteral("\r\n") + message.body + QStringLiteral("\r\n"));
    // Overwritten in place and then cut to length: truncating to nothing
    // first makes ext4 free and allocate the blocks again for every message.
    PosixFile saved;
    if (!saved.open(path, PosixFile::ReadWriteCreate))
        return;
    (void)saved.writeAt(0, bytes.constData(), bytes.size());
    (void)saved.truncate(bytes.size());
    (void)saved.close();
    if (!savedFiles_.contains(path))
        savedFiles_.append(path);
}

void MessageProcessor::removeSavedMessages() {
    for (const QString& path : std::as_const(savedFiles_))
        QFile::remove(path);
    savedFiles_.clear();
}

MessageProcessor::~MessageProcessor() {
    removeSavedMessages();
}

void MessageProcessor::UnpackMessage(const ReceivedMessage& message, const QString& folder) {
    writeSavedMessage(message, folder);
    const AttachmentWriter::Report report = AttachmentWriter::write(message, folder);
    if (report.outcome == AttachmentWriter::Outcome::FileNotOpened)
        notifier_.notify(QStringLiteral("添付ファイルをオープンできません"), kProgramName);
    else if (report.outcome == AttachmentWriter::Outcome::PartsMissing)
        notifier_.notify(QStringLiteral("分割されたメールが全て揃っていません"), kProgramName);
}
