#include "compose/addresslist.h"

#include "text/text.h"

namespace {

constexpr qsizetype kPickedChars = 60;

} // namespace

Result<AddressList> AddressList::fromStartupFile(const AppPaths& paths) {
    // Only read, never rebuilt: no working file.
    return read(AddressFile(paths.dataFile(QStringLiteral("ORXASTER20.INI")), QString()));
}

Result<AddressList> AddressList::fromAddressBook(const AppPaths& paths) {
    return read(AddressFile::book(paths));
}

Result<AddressList> AddressList::read(const AddressFile& file) {
    const auto all = file.ReadAllAddressRecords();
    if (!all)
        return Result<AddressList>::failure(all.error());
    AddressList list;
    for (const NumberedAddressRecord& r : *all) {
        list.names.append(r.record.name);
        list.recordNumbers.append(r.number);
    }
    return list;
}

Result<QString> AddressList::pickedAddress(const AppPaths& paths, int number) {
    const auto record = AddressFile::book(paths).ReadAddressRecord(number);
    if (!record)
        return Result<QString>::failure(record.error());
    if (!record->has_value())
        return Result<QString>::failure({.kind = Error::Kind::NoAddressRecord, .number = number});
    return TrimSpaces(CutAtNul((*record)->address).left(kPickedChars));
}
