#include "addressbook/addressbook.h"

#include "text/text.h"

namespace {

AddressEntry trimmed(const AddressRecord& record) {
    return {TrimSpaces(CutAtNul(record.name)), TrimSpaces(CutAtNul(record.address))};
}

} // namespace

AddressBook::AddressBook(const AppPaths& paths) : file_(AddressFile::book(paths)) {}

// Every record of the file, made into an entry by `toEntry`.
template <typename ToEntry> Result<QList<AddressEntry>> eachRecord(const AddressFile& file, ToEntry toEntry) {
    const auto all = file.ReadAllAddressRecords();
    if (!all)
        return Result<QList<AddressEntry>>::failure(all.error());
    QList<AddressEntry> entries;
    entries.reserve(all->size());
    for (const NumberedAddressRecord& r : *all)
        entries.append(toEntry(r.record));
    return entries;
}

Result<QList<AddressEntry>> AddressBook::rows() const {
    return eachRecord(file_, [](const AddressRecord& r) {
        return AddressEntry{CutAtNul(r.name), CutAtNul(r.address)};
    });
}

Result<QList<AddressEntry>> AddressBook::entries() const {
    return eachRecord(file_, trimmed);
}

Result<int> AddressBook::registerEntry(const QString& name, const QString& address) const {
    return file_.AppendAddressRecord(name, address);
}

namespace {

const Error kNotInFile{.kind = Error::Kind::AddressNotInFile};

} // namespace

Result<AddressEntry> AddressBook::entryAt(int n) const {
    const auto read = file_.ReadAddressRecord(n);
    if (!read)
        return Result<AddressEntry>::failure(read.error());
    if (!read->has_value())
        return Result<AddressEntry>::failure(kNotInFile);
    return trimmed(**read);
}

AddressBook::DeleteOutcome
AddressBook::deleteAfterAsking(int n, const std::function<bool(const AddressEntry&)>& confirm) const {
    const auto read = file_.ReadAddressRecord(n);
    if (!read)
        return {DeleteOutcome::Kind::Failed, read.error(), std::nullopt};
    if (!read->has_value())
        return {DeleteOutcome::Kind::Failed, kNotInFile, std::nullopt};
    const AddressRecord& record = **read;
    const AddressEntry entry = trimmed(record);
    const bool yes = confirm(entry);
    if (yes) {
        if (Status s = file_.MarkAddressRecordDeleted(n, record); !s)
            return {DeleteOutcome::Kind::Failed, s.error(), entry};
    }
    // Rebuilt whatever the answer, as the window always did; a No leaves the
    // same records in the same order.
    if (Status s = file_.CompactAddressFile(); !s)
        return {DeleteOutcome::Kind::Failed, s.error(), entry};
    return {yes ? DeleteOutcome::Kind::Deleted : DeleteOutcome::Kind::Declined, {}, entry};
}
