#pragma once

#include "store/apppaths.h"
#include "store/mailrecord.h"
#include "store/typedrecordfile.h"

using NumberedMailRecord = Numbered<MailRecord>;

// The received-mail or sent-mail file.
class MailFile : public TypedRecordFile<MailRecord> {
  public:
    using TypedRecordFile::TypedRecordFile;
    // orxdata2.data with ORXDATA2.TMP, and orxdata5.data with ORXDATA5.TMP.
    static MailFile received(const AppPaths& paths);
    static MailFile sent(const AppPaths& paths);

    // The list columns of every whole record, record 1 first, read without
    // touching any body.
    Result<QList<MailListColumns>> readListColumns() const;
};
