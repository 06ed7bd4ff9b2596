#pragma once

#include <QList>
#include <QString>
#include <optional>

#include "store/apppaths.h"
#include "store/mailrecord.h"
#include "store/recordfile.h"
#include "store/result.h"

struct NumberedMailRecord {
    int number;
    MailRecord record;
};

// The received-mail or sent-mail file. Every operation first finishes a
// deletion that an earlier run left half done.
class MailFile {
  public:
    // `workingFile` is the rebuild's working copy (ORXDATA2.TMP / ORXDATA5.TMP).
    MailFile(QString path, QString workingFile);
    // orxdata2.data with ORXDATA2.TMP, and orxdata5.data with ORXDATA5.TMP.
    static MailFile received(const AppPaths& paths);
    static MailFile sent(const AppPaths& paths);

    Status ensureExists() const { return records_.ensureExists(); }
    Result<int> count() const;
    Result<int> append(const MailRecord& record, Durability durability = Durability::Buffered) const;
    Result<QList<NumberedMailRecord>> readAll() const;
    Result<std::optional<MailRecord>> read(int number) const;
    Status writeAt(int number, const MailRecord& record) const;

    // The list columns of every whole record, record 1 first, read without
    // touching any body.
    Result<QList<MailListColumns>> readListColumns() const;

    // Makes the appended records durable before anything depends on them.
    Status sync() const { return records_.sync(); }

    // Marks record `number` deleted, leaving its texts as they were.
    Status markDeleted(int number) const;
    // Rewrites the file without the records marked deleted.
    Status compact() const;

    const QString& path() const { return records_.path(); }

  private:
    Status recover() const;

    RecordFile records_;
    QString working_;
};
