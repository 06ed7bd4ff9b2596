#pragma once

#include <QByteArrayView>
#include <QList>

#include "addressbook/addressbook.h"
#include "text/result.h"

// The contacts CSV files the big mail clients export (Outlook, Gmail,
// Thunderbird, in English or Japanese): a header row naming the columns,
// UTF-8 (with or without a byte order mark) or Shift-JIS.
namespace ContactsCsv {

// One entry per row that has an e-mail address. Fails when the header names
// no e-mail column.
Result<QList<AddressEntry>> read(QByteArrayView bytes);

// The rows and fields of RFC 4180 CSV: quoted fields may hold commas, line
// breaks and doubled quotes.
QList<QStringList> parseRows(const QString& text);

} // namespace ContactsCsv
