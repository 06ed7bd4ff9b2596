#include "app/newmailnotice.h"

#include "app/appwindows.h"
#include "app/notices.h"
#include "history/tyakuform.h"
#include "store/mailfile.h"
#include "text/text.h"
#include "ui/reporttexts.h"

void NewMailNotice::checkEnded(const ReceiveAction::Ended& ended) {
    const int stored = ended.outcome.stored;
    if (stored <= 0 || (windows_.historyWindow() && windows_.historyWindow()->isActiveWindow()))
        return;
    const MailFile received = MailFile::received(context_.paths);
    const Result<int> count = received.count();
    if (!count || *count <= 0)
        return;
    // The check's mails are the last records of the file, newest last.
    QList<MailRecord> newestFirst;
    for (int n = *count; n > std::max(0, *count - std::min(stored, kNamed)); --n)
        if (Result<std::optional<MailRecord>> record = received.read(n); record && record->has_value()) {
            MailRecord mail = **record; // its fields padded to their widths
            mail.party = TrimSpaces(mail.party);
            mail.subject = TrimSpaces(mail.subject);
            newestFirst.append(mail);
        }
    const int newest = *count;
    notices_.show(NewMailNoticeSummary(stored), NewMailNoticeBody(newestFirst, stored), [this, newest] {
        windows_.openHistory(HistoryMode::Received);
        windows_.historyWindow()->showRecord(newest);
    });
}
