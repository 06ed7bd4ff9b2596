#include "store/typedrecordfile.h"

#include "store/addressrecord.h"
#include "store/mailrecord.h"
#include "store/recordfilelock.h"
#include "store/recordrebuild.h"

template <typename Record>
TypedRecordFile<Record>::TypedRecordFile(QString path, QString workingFile)
    : records_(std::move(path), Record::kSize), working_(std::move(workingFile)) {}

template <typename Record> Status TypedRecordFile<Record>::recover() const {
    return RecordRebuild(records_.path(), working_, Record::kSize, Record::kLiveOffset).recover();
}

template <typename Record> Result<int> TypedRecordFile<Record>::count() const {
    const RecordFileLock lock(path());
    if (Status s = recover(); !s)
        return Result<int>::failure(s.error());
    return records_.count();
}

template <typename Record>
Result<int> TypedRecordFile<Record>::append(const Record& record, Durability durability) const {
    const RecordFileLock lock(path());
    if (Status s = recover(); !s)
        return Result<int>::failure(s.error());
    return records_.append(record.toBytes(), durability);
}

template <typename Record> Result<QList<Numbered<Record>>> TypedRecordFile<Record>::readAll() const {
    const RecordFileLock lock(path());
    using R = Result<QList<Numbered<Record>>>;
    if (Status s = recover(); !s)
        return R::failure(s.error());
    QList<Numbered<Record>> all;
    const Status s = records_.forEach([&](int n, QByteArrayView bytes) {
        all.append({n, Record::fromBytes(bytes)});
        return true;
    });
    if (!s)
        return R::failure(s.error());
    return all;
}

template <typename Record> Result<std::optional<Record>> TypedRecordFile<Record>::read(int number) const {
    const RecordFileLock lock(path());
    using R = Result<std::optional<Record>>;
    if (Status s = recover(); !s)
        return R::failure(s.error());
    auto bytes = records_.read(number);
    if (!bytes)
        return R::failure(bytes.error());
    if (!bytes->has_value())
        return std::optional<Record>();
    return std::optional<Record>(Record::fromBytes(**bytes));
}

template <typename Record> Status TypedRecordFile<Record>::writeAt(int number, const Record& record) const {
    const RecordFileLock lock(path());
    if (Status s = recover(); !s)
        return s;
    return records_.writeAt(number, record.toBytes());
}

template <typename Record> Status TypedRecordFile<Record>::markDeleted(int number) const {
    const RecordFileLock lock(path());
    if (Status s = recover(); !s)
        return s;
    auto bytes = records_.read(number);
    if (!bytes)
        return Status::failure(bytes.error());
    if (!bytes->has_value())
        return Status::failure({.kind = Error::Kind::RecordNotFound});
    const char zero[2] = {0, 0};
    QByteArray record = **bytes;
    record.replace(Record::kLiveOffset, 2, zero, 2);
    return records_.writeAt(number, record);
}

template <typename Record> Status TypedRecordFile<Record>::ensureExists() const {
    const RecordFileLock lock(path());
    return records_.ensureExists();
}

template <typename Record> Status TypedRecordFile<Record>::sync() const {
    const RecordFileLock lock(path());
    return records_.sync();
}

template <typename Record> Status TypedRecordFile<Record>::compact() const {
    const RecordFileLock lock(path());
    return RecordRebuild(records_.path(), working_, Record::kSize, Record::kLiveOffset).run();
}

template class TypedRecordFile<MailRecord>;
template class TypedRecordFile<AddressRecord>;
