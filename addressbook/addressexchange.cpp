#include "addressbook/addressexchange.h"

#include <QFile>
#include <QSaveFile>

#include "addressbook/addressbox.h"
#include "addressbook/contactscsv.h"
#include "addressbook/vcard.h"
#include "store/addressrecord.h"
#include "text/shiftjis.h"

namespace AddressExchange {

Result<Imported> importFile(const AddressBook& book, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result<Imported>::failure(
            {.kind = Error::Kind::FileNotOpened, .path = path, .detail = file.errorString()});
    const QByteArray bytes = file.readAll();
    QList<AddressEntry> entries;
    if (bytes.toUpper().contains("BEGIN:VCARD")) {
        entries = VCard::read(bytes);
    } else {
        auto csv = ContactsCsv::read(bytes);
        if (!csv)
            return Result<Imported>::failure(csv.error());
        entries = std::move(csv).value();
    }
    Imported imported;
    for (const AddressEntry& e : entries) {
        // An address the record cannot hold whole would be stored cut.
        if (e.address.size() > AddressBox::kMaxChars ||
            ShiftJis::encode(e.address).size() > AddressRecord::kAddressWidth) {
            ++imported.skipped;
            continue;
        }
        if (const Result<int> n = book.registerEntry(e.name, e.address); !n)
            return Result<Imported>::failure(n.error());
        ++imported.added;
    }
    return imported;
}

Status exportFile(const AddressBook& book, const QString& path) {
    const auto entries = book.entries();
    if (!entries)
        return Status::failure(entries.error());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(VCard::write(*entries)) < 0 || !file.commit())
        return Status::failure(
            {.kind = Error::Kind::FileNotWritten, .path = path, .detail = file.errorString()});
    return {};
}

} // namespace AddressExchange
