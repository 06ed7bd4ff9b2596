#pragma once

#include <QByteArray>
#include <QString>

#include "text/result.h"

// What a record file looked like when it was indexed, cheap to take again:
// its size, modification time and inode, and digests of its first and last
// whole records. Equal states mean an unchanged file; a larger file whose
// first record and former last record are unchanged has only grown by
// appended records (the only way mail is added). Anything else is a changed
// file: a deletion, a rewrite, another file in its place.
struct RecordFileState {
    qint64 size = 0;
    qint64 modifiedNs = 0;
    qint64 inode = 0;
    QByteArray firstDigest; // empty for a file without whole records
    QByteArray lastDigest;

    int records() const;

    // A missing file is an empty one.
    static Result<RecordFileState> of(const QString& path);
    // Only what the file system says (size, time, inode): no record read.
    static Result<RecordFileState> statOf(const QString& path);
    // The digest of whole record n (empty past the end).
    static Result<QByteArray> digestOf(const QString& path, int n);
    static QByteArray digest(QByteArrayView record);

    enum class Change { None, Appended, Rewritten };
    // How `now` follows from `indexed`; reads one record of the file to tell
    // an append from a rewrite.
    static Result<Change> between(const RecordFileState& indexed, const RecordFileState& now,
                                  const QString& path);

    friend bool operator==(const RecordFileState&, const RecordFileState&) = default;
};
