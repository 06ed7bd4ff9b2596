#pragma once

#include <QList>
#include <QString>
#include <optional>

#include "store/addressrecord.h"
#include "store/recordfile.h"
#include "store/result.h"

struct NumberedAddressRecord {
    int number;
    AddressRecord record;
};

// The address book file orxdata20.data and its working file ORXDATA20.TMP.
class AddressFile {
  public:
    AddressFile(QString path, QString workingFile);

    Result<int> CountAddressRecords() const;
    Result<int> AppendAddressRecord(const QString& name, const QString& address) const;
    // std::nullopt past the last whole record (end of file).
    Result<std::optional<AddressRecord>> ReadAddressRecord(int number) const;
    Result<QList<NumberedAddressRecord>> ReadAllAddressRecords() const;
    // Writes `record` back at `number` with status 0, its texts unchanged.
    Status MarkAddressRecordDeleted(int number, const AddressRecord& record) const;
    Status CompactAddressFile() const;

  private:
    Status recover() const;

    RecordFile records_;
    QString working_;
};
