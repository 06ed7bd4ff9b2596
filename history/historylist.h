#pragma once

#include <QList>
#include <QSet>
#include <optional>

#include "history/historymode.h"
#include "history/maildetails.h"
#include "store/mailrecord.h"
#include "text/result.h"

// A history as the window lists it: one row per record in record order
// (the texts cut at their first NUL, not trimmed), and the last record in
// the detail fields. Only the list columns of each record are read, and the
// last record whole, so a full file of 32767 mails opens quickly. The
// received history also says which of its mails are unread.
struct HistoryList {
    QList<MailListColumns> rows;
    std::optional<MailDetails> last;
    QSet<int> unread; // record numbers; none when the marks cannot be read

    // A missing record file is created empty.
    static Result<HistoryList> load(HistoryMode mode, const AppPaths& paths);
};
