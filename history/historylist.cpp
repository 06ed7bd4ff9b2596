#include "history/historylist.h"

#include "search/unreadmarks.h"
#include "text/text.h"

Result<HistoryList> HistoryList::load(HistoryMode mode, const AppPaths& paths) {
    using R = Result<HistoryList>;
    const MailFile file = HistorySetup::fileOf(mode, paths);
    if (Status s = file.ensureExists(); !s)
        return R::failure(s.error());
    auto columns = file.readListColumns();
    if (!columns)
        return R::failure(columns.error());
    HistoryList list;
    list.rows = std::move(columns).value();
    for (MailListColumns& row : list.rows) {
        row.subject = CutAtNul(row.subject);
        row.kind = CutAtNul(row.kind);
        row.party = CutAtNul(row.party);
        row.date = CutAtNul(row.date);
    }
    if (!list.rows.isEmpty()) {
        const auto last = file.read(int(list.rows.size()));
        if (!last)
            return R::failure(last.error());
        if (last->has_value())
            list.last = MailDetails::fromRecord(**last, mode);
    }
    if (mode == HistoryMode::Received)
        if (Result<UnreadMarks> marks = UnreadMarks::open(file.path()); marks)
            if (Result<QSet<int>> unread = marks.value().rows(); unread)
                list.unread = std::move(unread).value();
    return list;
}
