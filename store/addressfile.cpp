#include "store/addressfile.h"

#include "store/recordrebuild.h"

AddressFile::AddressFile(QString path, QString workingFile)
    : records_(std::move(path), AddressRecord::kSize), working_(std::move(workingFile)) {}

Status AddressFile::recover() const {
    return RecordRebuild(records_.path(), working_, AddressRecord::kSize, AddressRecord::kStatusOffset)
        .recover();
}

Result<int> AddressFile::CountAddressRecords() const {
    if (Status s = recover(); !s)
        return Result<int>::failure(s.error());
    return records_.count();
}

Result<int> AddressFile::AppendAddressRecord(const QString& name, const QString& address) const {
    if (Status s = recover(); !s)
        return Result<int>::failure(s.error());
    return records_.append(AddressRecord{name, address, 1}.toBytes());
}

Result<std::optional<AddressRecord>> AddressFile::ReadAddressRecord(int number) const {
    using R = Result<std::optional<AddressRecord>>;
    if (Status s = recover(); !s)
        return R::failure(s.error());
    auto bytes = records_.read(number);
    if (!bytes)
        return R::failure(bytes.error());
    if (!bytes->has_value())
        return std::optional<AddressRecord>();
    return std::optional<AddressRecord>(AddressRecord::fromBytes(**bytes));
}

Result<QList<NumberedAddressRecord>> AddressFile::ReadAllAddressRecords() const {
    using R = Result<QList<NumberedAddressRecord>>;
    if (Status s = recover(); !s)
        return R::failure(s.error());
    if (Status s = records_.ensureExists(); !s) // the list's loading creates the file empty
        return R::failure(s.error());
    QList<NumberedAddressRecord> all;
    const Status s = records_.forEach([&](int n, QByteArrayView bytes) {
        all.append({n, AddressRecord::fromBytes(bytes)});
        return true;
    });
    if (!s)
        return R::failure(s.error());
    return all;
}

Status AddressFile::MarkAddressRecordDeleted(int number, const AddressRecord& record) const {
    if (Status s = recover(); !s)
        return s;
    AddressRecord marked = record;
    marked.status = 0;
    return records_.writeAt(number, marked.toBytes());
}

Status AddressFile::CompactAddressFile() const {
    return RecordRebuild(records_.path(), working_, AddressRecord::kSize, AddressRecord::kStatusOffset).run();
}
