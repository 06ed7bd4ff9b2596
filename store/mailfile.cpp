#include "store/mailfile.h"

#include "store/recordfilelock.h"

MailFile MailFile::received(const AppPaths& paths) {
    return MailFile(paths.receivedMailFile(), paths.dataFile(QStringLiteral("ORXDATA2.TMP")));
}

MailFile MailFile::sent(const AppPaths& paths) {
    return MailFile(paths.sentMailFile(), paths.dataFile(QStringLiteral("ORXDATA5.TMP")));
}

Result<QList<MailListColumns>> MailFile::readListColumns() const {
    using R = Result<QList<MailListColumns>>;
    const RecordFileLock lock(path());
    if (Status s = recover(); !s)
        return R::failure(s.error());
    QList<MailListColumns> rows;
    if (auto n = records_.count())
        rows.reserve(*n);
    const Status s = records_.forEach(
        [&](int, QByteArrayView head) {
            rows.append(MailListColumns::fromBytes(head));
            return true;
        },
        MailRecord::kListColumnsSize);
    if (!s)
        return R::failure(s.error());
    return rows;
}
