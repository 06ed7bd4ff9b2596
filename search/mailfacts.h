#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <optional>

#include "search/recordfilestate.h"
#include "search/sqlitestatement.h"
#include "text/result.h"

// What the program knows of each mail beyond its record, kept beside the
// record file and never in it: named facts such as whether a mail was read,
// which account it came to, what its provider said of the sender. An SQLite
// database "<record file>.facts" beside the record file.
//
// Facts are kept by record number, each with the digest of its record, and
// with the state of the record file they were last written against. A file
// that only grew keeps every fact where it is; a file changed behind our back
// (another copy deleted a record, the user replaced it) moves each fact to the
// row that holds its record now (the n-th of identical records to the n-th)
// and drops the facts of records that are gone, so a fact never passes to a
// neighbour. A deletion of our own says so with recordRemoved(), cheaply.
//
// A damaged database is removed and read as holding no facts. A connection
// belongs to one thread; each thread opens its own.
class MailFacts {
  public:
    ~MailFacts();
    MailFacts(MailFacts&&) noexcept;
    MailFacts& operator=(MailFacts&&) noexcept;

    static QString pathFor(const QString& recordFilePath);

    // Opens the facts of the record file and brings them up to its present
    // state (reading every record only when it changed other than by appends).
    static Result<MailFacts> open(const QString& recordFilePath);

    // Every row holding `name`, with its value.
    Result<QHash<int, QByteArray>> values(const QString& name);
    Result<QByteArray> value(int row, const QString& name);
    Result<int> count(const QString& name);

    // Sets `name` of each row to `value` (an empty value removes it), in one
    // transaction. Rows past the end of the record file are refused.
    Status set(const QList<int>& rows, const QString& name, const QByteArray& value);
    // Removes `name` from every row.
    Status clear(const QString& name);

    // After we removed record `row` from the file ourselves: its facts go and
    // those of later rows move up one.
    Status recordRemoved(int row);

    using Fact = QPair<QString, QByteArray>; // name, value
    // A record appended by us, under the record file's lock held from
    // beforeAppend() to recordAppended(): its facts are written with the
    // bytes in hand, in one transaction, without reading the file again, so
    // that a check's every mail costs one digest of its record (two checks
    // appending in turn included). When the file was not as the facts were
    // last saved against it before the append, it is followed first, as any
    // other change.
    void beforeAppend();
    // `digest`: the record's RecordDigest, when the caller has it already.
    Status recordAppended(int row, QByteArrayView record, const QList<Fact>& facts, QByteArray digest = {});

  private:
    MailFacts(sqlite3* db, QString recordFilePath);
    // Brings the facts up to the record file as it is now, and notes how
    // many records it holds.
    Status follow();
    Status saveState(const RecordFileState& state);
    std::optional<RecordFileState> savedState();
    Status insertFact(int row, const QString& name, const QByteArray& value);
    Status exec(const char* sql);
    void rollback();
    Error lastError() const;

    sqlite3* db_ = nullptr;
    SqliteStatementCache statements_; // of db_
    QString recordFile_;
    // The file as this connection last saw it and saved it.
    RecordFileState followed_;
    std::optional<RecordFileState> beforeAppend_; // the file as beforeAppend() found it
};
