#pragma once

// search/: finding mail in a history: Japanese-aware folding, an SQLite FTS5
// index kept beside each record file, and a scan of the records for when
// the index is not ready.

#include <QByteArrayView>
#include <QString>
#include <QStringList>

// The text search compares: NFKC (full and half width alike), case folded,
// the dashes and tildes that Shift-JIS decoders map to different code points
// made one, and katakana as hiragana. Index, scan and query all go through
// here, so they agree on what matches.
namespace SearchText {

QString fold(QStringView text);

// The words of a query, folded; split at any white space (the ideographic
// space too).
QStringList words(const QString& query);

// What a record is searched by: its subject, party, date and body, each cut
// at its first NUL and trimmed, folded, one per line.
QString ofRecord(QByteArrayView recordBytes);

// True when the folded text holds every word.
bool holdsAll(const QString& folded, const QStringList& words);

} // namespace SearchText
