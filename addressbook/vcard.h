#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include "addressbook/addressbook.h"

// Address book entries as vCards (RFC 2426, version 3.0), the format the
// phone and web address books export and import.
namespace VCard {

// One card per entry, UTF-8, CR LF line ends. A business-card address
// ("営業部<info@example.com>") is written as its bare address.
QByteArray write(const QList<AddressEntry>& entries);

// One entry per card that has an e-mail address (the preferred one, else
// the first): its FN, else its N put together, as name. Reads versions 2.1,
// 3.0 and 4.0: folded lines, escapes, and 2.1's quoted-printable values in
// UTF-8 or Shift-JIS.
QList<AddressEntry> read(QByteArrayView bytes);

} // namespace VCard
