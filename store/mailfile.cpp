#include "store/mailfile.h"

#include "store/recordrebuild.h"

MailFile::MailFile(QString path, QString workingFile)
    : records_(std::move(path), MailRecord::kSize), working_(std::move(workingFile)) {}

MailFile MailFile::received(const AppPaths& paths) {
    return MailFile(paths.receivedMailFile(), paths.dataFile(QStringLiteral("ORXDATA2.TMP")));
}

MailFile MailFile::sent(const AppPaths& paths) {
    return MailFile(paths.sentMailFile(), paths.dataFile(QStringLiteral("ORXDATA5.TMP")));
}

Status MailFile::recover() const {
    return RecordRebuild(records_.path(), working_, MailRecord::kSize, MailRecord::kLiveOffset).recover();
}

Result<int> MailFile::count() const {
    if (Status s = recover(); !s)
        return Result<int>::failure(s.error());
    return records_.count();
}

Result<int> MailFile::append(const MailRecord& record, Durability durability) const {
    if (Status s = recover(); !s)
        return Result<int>::failure(s.error());
    return records_.append(record.toBytes(), durability);
}

Result<QList<NumberedMailRecord>> MailFile::readAll() const {
    using R = Result<QList<NumberedMailRecord>>;
    if (Status s = recover(); !s)
        return R::failure(s.error());
    QList<NumberedMailRecord> all;
    const Status s = records_.forEach([&](int n, QByteArrayView bytes) {
        all.append({n, MailRecord::fromBytes(bytes)});
        return true;
    });
    if (!s)
        return R::failure(s.error());
    return all;
}

Result<std::optional<MailRecord>> MailFile::read(int number) const {
    using R = Result<std::optional<MailRecord>>;
    if (Status s = recover(); !s)
        return R::failure(s.error());
    auto bytes = records_.read(number);
    if (!bytes)
        return R::failure(bytes.error());
    if (!bytes->has_value())
        return std::optional<MailRecord>();
    return std::optional<MailRecord>(MailRecord::fromBytes(**bytes));
}

Status MailFile::writeAt(int number, const MailRecord& record) const {
    if (Status s = recover(); !s)
        return s;
    return records_.writeAt(number, record.toBytes());
}

Result<QList<MailListColumns>> MailFile::readListColumns() const {
    using R = Result<QList<MailListColumns>>;
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

Status MailFile::markDeleted(int number) const {
    if (Status s = recover(); !s)
        return s;
    auto bytes = records_.read(number);
    if (!bytes)
        return Status::failure(bytes.error());
    if (!bytes->has_value())
        return Status::failure(QStringLiteral("指定されたメールが見つかりません。"));
    // Only the live field changes; the texts stay byte for byte as stored.
    const char zero[2] = {0, 0};
    QByteArray record = **bytes;
    record.replace(MailRecord::kLiveOffset, 2, zero, 2);
    return records_.writeAt(number, record);
}

Status MailFile::compact() const {
    return RecordRebuild(records_.path(), working_, MailRecord::kSize, MailRecord::kLiveOffset).run();
}
