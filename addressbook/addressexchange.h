#pragma once

#include <QString>

#include "addressbook/addressbook.h"
#include "text/result.h"

// Exchanging the address book with other programs: export as vCard, import
// from vCard or contacts CSV, appending records.
namespace AddressExchange {

struct Imported {
    int added = 0;
    int skipped = 0; // addresses longer than the address box or the record's field
};

// Reads `path` (a vCard file when it holds "BEGIN:VCARD", else CSV) and
// appends its entries in file order. Names longer than the field are cut on
// a character boundary; an address that does not fit the address box (60
// characters) or the record is skipped, since a cut address reaches nobody.
Result<Imported> importFile(const AddressBook& book, const QString& path);

// Writes every entry to `path` as vCard 3.0, replacing the file only once
// the whole of it is written.
Status exportFile(const AddressBook& book, const QString& path);

} // namespace AddressExchange
