#pragma once

#include <QList>
#include <QString>
#include <optional>

#include "store/recordfile.h"
#include "text/result.h"

template <typename Record> struct Numbered {
    int number;
    Record record;
};

// A record file of one record type (MailRecord, AddressRecord) with its
// rebuild's working file. Every operation first finishes a deletion that an
// earlier run left half done, and holds the file's RecordFileLock, so the
// operations of two threads on one file never interleave. A record type gives its size (kSize), where
// its 16-bit live flag sits (kLiveOffset), toBytes() and fromBytes().
template <typename Record> class TypedRecordFile {
  public:
    TypedRecordFile(QString path, QString workingFile);

    Status ensureExists() const;
    Result<int> count() const;
    Result<int> append(const Record& record, Durability durability = Durability::Buffered) const;
    // std::nullopt past the last whole record (end of file).
    Result<std::optional<Record>> read(int number) const;
    Result<QList<Numbered<Record>>> readAll() const;
    Status writeAt(int number, const Record& record) const;

    // Makes the appended records durable before anything depends on them.
    Status sync() const;

    // Marks record `number` deleted, leaving its texts byte for byte as stored.
    Status markDeleted(int number) const;
    // Rewrites the file without the records marked deleted.
    Status compact() const;

    const QString& path() const { return records_.path(); }

  protected:
    Status recover() const;

    RecordFile records_;
    QString working_;
};
