#include "search/unreadmarks.h"

#include "store/mailfile.h"

Result<UnreadMarks> UnreadMarks::open(const QString& recordFile) {
    Result<MailFacts> facts = MailFacts::open(recordFile);
    if (!facts)
        return Result<UnreadMarks>::failure(facts.error());
    return UnreadMarks(std::move(facts).value());
}

Result<QSet<int>> UnreadMarks::rows() {
    const Result<QHash<int, QByteArray>> values = facts_.values(kFact);
    if (!values)
        return Result<QSet<int>>::failure(values.error());
    return QSet<int>(values->keyBegin(), values->keyEnd());
}

Result<int> UnreadMarks::count() {
    return facts_.count(kFact);
}

Status UnreadMarks::mark(const QList<int>& rows, bool unread) {
    return facts_.set(rows, kFact, unread ? kUnreadFact.second : QByteArray());
}

Status UnreadMarks::markAllRead() {
    return facts_.clear(kFact);
}

Status UnreadMarks::recordRemoved(int row) {
    return facts_.recordRemoved(row);
}

int UnreadMarks::receivedCount(const AppPaths& paths) {
    Result<UnreadMarks> marks = open(MailFile::received(paths).path());
    if (!marks)
        return 0;
    const Result<int> n = std::move(marks).value().count();
    return n ? *n : 0;
}
