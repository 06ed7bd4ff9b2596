#include "history/maildeletion.h"

#include "mime/htmlmailfolder.h"
#include "search/unreadmarks.h"
#include "store/folderremoval.h"
#include "store/receivedlog.h"
#include "store/recordfilelock.h"
#include "text/text.h"

namespace MailDeletion {

Question questionFor(HistoryMode mode, const MailRecord& record, const std::optional<QString>& folder) {
    if (mode == HistoryMode::Sent)
        return {Question::Kind::SentMail};
    if (TrimSpaces(record.kind).contains(MailRecord::kHtmlKind))
        return {Question::Kind::ReceivedHtml, folder};
    return {Question::Kind::ReceivedText};
}

Result<std::optional<QString>> folderGoingWith(HistoryMode mode, const AppPaths& paths, int p) {
    if (mode != HistoryMode::Received)
        return std::optional<QString>();
    return HtmlMailFolder::findForRow(paths, RecordFile(paths.receivedMailFile(), MailRecord::kSize), p);
}

namespace {

// The marks are brought up to the file before the record goes, and told of
// its going after, under the file's lock: an append of the check in between
// would otherwise be taken for part of our deletion.
Status deleteReceived(const AppPaths& paths, int p) {
    const MailFile file = MailFile::received(paths);
    const RecordFileLock lock(file.path());
    if (const Result<int> count = file.count(); !count) // finishes a deletion left half done
        return Status::failure(count.error());
    Result<UnreadMarks> marks = UnreadMarks::open(file.path());
    // The log of a check cut short must not bring the mail back.
    if (Status s = DeleteReceivedRecord(paths, p); !s)
        return s;
    // Marks that could not be told follow the file by its records when next opened.
    if (marks)
        (void)marks.value().recordRemoved(p);
    return {};
}

} // namespace

Status deleteOne(HistoryMode mode, const AppPaths& paths, int p, const std::optional<QString>& folder) {
    if (mode == HistoryMode::Received) {
        if (folder)
            RemoveFolder(*folder);
        return deleteReceived(paths, p);
    }
    const MailFile file = HistorySetup::fileOf(mode, paths);
    if (Status s = file.markDeleted(p); !s)
        return s;
    return file.compact();
}

Outcome deleteAfterAsking(HistoryMode mode, const AppPaths& paths, int p,
                          const std::function<bool(const Question& question)>& confirm) {
    const auto read = HistorySetup::fileOf(mode, paths).read(p);
    if (!read || !read->has_value())
        return {Outcome::Kind::NothingSelected, {}, {}};
    const MailRecord& record = **read;
    if (CutAtNul(record.party).isEmpty())
        return {Outcome::Kind::NothingSelected, record, {}};
    // Only an HTML mail has a folder; the one asked about is the one removed.
    const auto folder = folderGoingWith(mode, paths, p);
    if (!folder)
        return {Outcome::Kind::Failed, record, folder.error()};
    if (!confirm(questionFor(mode, record, *folder)))
        return {Outcome::Kind::Declined, record, {}};
    if (const Status deleted = deleteOne(mode, paths, p, *folder); !deleted)
        return {Outcome::Kind::Failed, record, deleted.error()};
    return {Outcome::Kind::Deleted, record, {}};
}

Status deleteAllSent(const AppPaths& paths) {
    const MailFile file = HistorySetup::fileOf(HistoryMode::Sent, paths);
    const Result<int> count = file.count();
    if (!count)
        return Status::failure(count.error());
    for (int n = 1; n <= *count; ++n)
        if (Status s = file.markDeleted(n); !s)
            return s;
    return file.compact();
}

} // namespace MailDeletion
