#include "store/addressfile.h"

AddressFile AddressFile::book(const AppPaths& paths) {
    return AddressFile(paths.addressFile(), paths.dataFile(QStringLiteral("ORXDATA20.TMP")));
}

Result<QList<NumberedAddressRecord>> AddressFile::ReadAllAddressRecords() const {
    // A rebuild left half done is finished before an empty file could be
    // created in place of its record file.
    if (Status s = recover(); !s)
        return Result<QList<NumberedAddressRecord>>::failure(s.error());
    if (Status s = ensureExists(); !s)
        return Result<QList<NumberedAddressRecord>>::failure(s.error());
    return readAll();
}

Status AddressFile::MarkAddressRecordDeleted(int number, const AddressRecord& record) const {
    AddressRecord marked = record;
    marked.status = 0;
    return writeAt(number, marked);
}
