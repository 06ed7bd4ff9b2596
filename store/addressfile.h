#pragma once

#include "store/addressrecord.h"
#include "store/apppaths.h"
#include "store/typedrecordfile.h"

using NumberedAddressRecord = Numbered<AddressRecord>;

// The address book file orxdata20.data and its working file ORXDATA20.TMP,
// with the operations under the names the address book uses for them.
class AddressFile : public TypedRecordFile<AddressRecord> {
  public:
    using TypedRecordFile::TypedRecordFile;
    // orxdata20.data with ORXDATA20.TMP in the data folder.
    static AddressFile book(const AppPaths& paths);

    Result<int> CountAddressRecords() const { return count(); }
    Result<int> AppendAddressRecord(const QString& name, const QString& address) const {
        return append(AddressRecord{name, address, 1});
    }
    // std::nullopt past the last whole record (end of file).
    Result<std::optional<AddressRecord>> ReadAddressRecord(int number) const { return read(number); }
    // Creates the file empty when it is missing, as the lists that load it expect.
    Result<QList<NumberedAddressRecord>> ReadAllAddressRecords() const;
    // Writes `record` back at `number` with status 0, its texts unchanged.
    Status MarkAddressRecordDeleted(int number, const AddressRecord& record) const;
    Status CompactAddressFile() const { return compact(); }
};
