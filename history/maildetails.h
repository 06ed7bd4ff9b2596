#pragma once

#include <QString>

#include "history/historymode.h"
#include "store/mailrecord.h"

// The mail in the history window's detail fields: Text7 subject, Text8
// party, Text9 date, Text10 kind, rtfEd text.
struct MailDetails {
    QString subject;
    QString party;
    QString date;
    QString kind;
    QString text;

    // The fields as the list loading and the sent history show a record:
    // texts cut at their first NUL and trimmed; a sent HTML mail's marker
    // body is never shown.
    static MailDetails fromRecord(const MailRecord& record, HistoryMode mode);
};
