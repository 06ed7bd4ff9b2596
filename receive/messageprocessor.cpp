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
#include "transport/usernotifier.h"

namespace {

const QString kSavedMessageName = QStringLiteral("/0.txt");

// mkdir's answers that mean "not under this name" rather than "not on this disk".
bool isRefusedName(int error) {
    return error == EEXIST || error == ENAMETOOLONG || error == EINVAL || error == EILSEQ;
}

} // namespace

MessageProcessor::MessageProcessor(const AppPaths& paths, UserNotifier& notifier)
    : paths_(paths), notifier_(notifier) {}

ProcessedMessage MessageProcessor::ProcessReceivedMessage(const ReceivedMessage& message) {
    ProcessedMessage result;
    result.html = IsHtmlMail(message.body);
    if (result.html)
        unpackIntoOwnFolder(message, result);
    // Whether it had attachments is what the message says, not whether its
    // text mentions the word.
    result.hasAttachments = !message.attachments.isEmpty();
    if (result.failure.isEmpty())
        UnpackMessage(message, paths_.attachmentFolder(), result);
    if (!result.failure.isEmpty())
        discard(result);
    result.text = message.body;
    if (result.hasAttachments)
        result.text += QStringLiteral("\r\n") + kAttachmentNote;
    return result;
}

void MessageProcessor::unpackIntoOwnFolder(const ReceivedMessage& message, ProcessedMessage& result) {
    // The folder is named from the subject as its record keeps it, which
    // the history window uses to show and remove it.
    const std::optional<QString> folder =
        HtmlMailFolder::pathFor(paths_, MailRecord::storedSubject(CutAtNul(message.subject)));
    const bool made = folder && ::mkdir(QFile::encodeName(*folder).constData(), 0777) == 0;
    const int error = errno;
    if (made) {
        result.createdFolder = *folder;
        UnpackMessage(message, *folder, result);
    } else if (!folder || isRefusedName(error)) {
        notifier_.notify(QStringLiteral("フォルダを作成できませんでした"), kProgramName);
    } else {
        result.failure =
            QStringLiteral("フォルダ「%1」を作成できません: %2").arg(*folder, SystemErrorText(error));
    }
}

QString MessageProcessor::writeSavedMessage(const ReceivedMessage& message, const QString& folder) {
    // The header, then the body, in Shift-JIS. O_NOFOLLOW keeps a link of
    // that name from sending the write elsewhere.
    const QString path = folder + kSavedMessageName;
    const QByteArray bytes =
        ShiftJis::encode(message.header + QStringLiteral("\r\n") + message.body + QStringLiteral("\r\n"));
    // Overwritten in place and then cut to length: truncating to nothing
    // first makes ext4 free and allocate the blocks again for every message.
    PosixFile saved;
    if (!saved.open(path, PosixFile::ReadWriteCreate))
        return IsDiskFull(saved.systemError()) ? saved.errorText() : QString();
    if (!savedFiles_.contains(path))
        savedFiles_.append(path);
    const bool written =
        saved.writeAt(0, bytes.constData(), bytes.size()) && saved.truncate(bytes.size()) && saved.close();
    // Nothing reads it back, so only a full disk counts: what comes next
    // would not fit either, and the user must hear why.
    return !written && IsDiskFull(saved.systemError()) ? saved.errorText() : QString();
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
    if (!result.failure.isEmpty())
        return;
    const AttachmentWriter::Report report = AttachmentWriter::write(message, folder);
    result.files += report.writtenFiles;
    if (report.outcome == AttachmentWriter::Outcome::FileNotOpened)
        result.failure = report.error;
    else if (report.outcome == AttachmentWriter::Outcome::PartsMissing)
        notifier_.notify(QStringLiteral("分割されたメールが全て揃っていません"), kProgramName);
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
