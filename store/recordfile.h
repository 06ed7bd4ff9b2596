#pragma once

// store/: the mail store: the application folder's paths, the fixed-length
// record files of the mail history and the address book, and their crash-safe
// rebuild.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>
#include <optional>

#include "text/result.h"

enum class Durability { Buffered, Synced };

// A file of fixed-length records with nothing before, between or after them.
// Record n (from 1) starts at (n - 1) * recordSize. Every operation opens the
// file and closes it again before it returns.
class RecordFile {
  public:
    // Record numbers are 16-bit signed in the files' original program.
    static constexpr int kMaxRecords = 32767;

    RecordFile(QString path, qsizetype recordSize);

    const QString& path() const { return path_; }
    qsizetype recordSize() const { return recordSize_; }

    // Creates the file empty when it is missing.
    Status ensureExists() const;

    // Whole records; a missing file holds none.
    Result<int> count() const;

    // The number the next append writes: length / size + 1, rounded half to
    // even, so a partial trailing record is overwritten or followed.
    static qint64 appendNumber(qint64 fileLength, qsizetype recordSize);

    // Creates the file when it is missing. Refuses numbers past kMaxRecords.
    Result<int> append(QByteArrayView record, Durability durability = Durability::Buffered) const;

    // std::nullopt when record n is not complete in the file (end of file).
    Result<std::optional<QByteArray>> read(int n) const;

    Status writeAt(int n, QByteArrayView record, Durability durability = Durability::Buffered) const;

    // When the file ends inside record n, cuts that piece off; otherwise
    // leaves the file alone. For an append a kill stopped part-way: a piece
    // of over half a record would otherwise be followed, not overwritten.
    Status cutPieceOf(int n) const;

    // Calls visit(n, first `prefix` bytes of record n) for every whole record
    // in order; stops early when visit returns false. With a short prefix only
    // those bytes of each record are read.
    // Makes what was written so far durable (fsync). A missing file is an
    // error: whatever was written to it is gone.
    Status sync() const;

    using Visitor = std::function<bool(int, QByteArrayView)>;
    Status forEach(const Visitor& visit, qsizetype prefix = -1) const;

  private:
    QString path_;
    qsizetype recordSize_;
};
