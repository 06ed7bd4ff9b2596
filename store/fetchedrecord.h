#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "text/result.h"

// The messages of one account that were stored here while their copy stays
// on the server, so that a check fetches each of them once: a text file in
// the data folder, readable by the user only, a version line and then a line
// a message, "uidl size message-digest stored-at record-number
// record-digest" (the UIDL percent-encoded, "-" for none; the digests hex,
// the message's as the server sent it and the record's as the received log
// keeps them (ReceivedLog), "-" for a record not known; stored-at in seconds
// since 1970, UTC).
//
// New entries are appended and synced; anything else replaces the file
// whole, through a synced temporary file and a rename. A kill leaves the old
// file, the new one, or the old one with a last line cut short, which is
// not read: the mail check writes the file after the records it names are
// durable, and before the received log forgets them, so that a message is
// always known to one of the two.
class FetchedRecord {
  public:
    struct Entry {
        QString uidl; // empty: the server gave none we could trust
        qint64 size = -1;
        QByteArray message;
        qint64 storedAt = 0;
        int number = 0;    // of its record, when it was last seen
        QByteArray record; // empty: not known
        friend bool operator==(const Entry&, const Entry&) = default;
    };

    // The file of the account with this key, in the data folder.
    static QString fileName(const QString& accountKey);

    explicit FetchedRecord(QString path);
    const QString& path() const { return path_; }

    // The entries in order; none when there is no file. A line out of form
    // is skipped: its message is fetched again and known by its digest.
    Result<QList<Entry>> read() const;
    // Replaces the file, or removes it when no entry is left.
    Status write(const QList<Entry>& entries) const;
    // Adds entries after those in the file (which begins it when there is none).
    Status append(const QList<Entry>& entries) const;

  private:
    QString path_;
};
