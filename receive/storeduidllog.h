#pragma once

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <optional>

#include "text/result.h"

class RecordFile;

// What the mail check stored, by the message's UIDL: one line per message,
// "UIDL record-number BLAKE2b-256-of-the-record", written before its record is
// appended. A check that was killed part-way leaves it behind; the next check
// then deletes a logged message without storing it again exactly when that
// record is whole in the received-mail file and byte for byte what was about
// to be written, and stores it otherwise. A kill between any two system calls
// thus loses nothing and stores nothing twice. Lines go out with one write()
// each and are made durable, like the records, before any DELE. (A power cut,
// unlike a kill, can keep a record and lose its unsynced line: that message is
// then stored twice, never lost. A sync per message would close that gap at
// the price of one fsync per mail.)
class StoredUidlLog {
  public:
    static inline const QString kFileName = QStringLiteral("received-uidl.log");

    struct Entry {
        int number = 0;
        QByteArray digest; // hex BLAKE2b-256 of the record's bytes
    };

    explicit StoredUidlLog(QString path);

    // Reads the log. A last line cut short by a kill is cut off the file: its
    // record was never appended.
    Status load();
    std::optional<Entry> find(const QString& uidl) const;
    // True when the record `entry` names is whole in `records` and is the one logged.
    Result<bool> isStored(const Entry& entry, const RecordFile& records) const;

    Status add(const QString& uidl, int number, QByteArrayView record);
    Status sync() const;
    // Rewrites the log (through a synced temporary file and a rename) with
    // only the entries of `uidls`, or removes it when none is left; does
    // nothing when that drops no entry.
    Status keepOnly(const QSet<QString>& uidls);

    qsizetype size() const { return entries_.size(); }
    const QString& path() const { return path_; }

  private:
    QString path_;
    QHash<QString, Entry> entries_; // a later line for a UIDL wins
};
