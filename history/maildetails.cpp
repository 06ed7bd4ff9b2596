#include "history/maildetails.h"

#include "text/text.h"

namespace {
QString clean(const QString& s) {
    return TrimSpaces(CutAtNul(s));
}
} // namespace

MailDetails MailDetails::fromRecord(const MailRecord& record, HistoryMode mode) {
    MailDetails shown{clean(record.subject), clean(record.party), clean(record.date), clean(record.kind),
                      clean(record.body)};
    if (mode == HistoryMode::Sent && shown.kind.contains(MailRecord::kHtmlKind))
        shown.text = kSentHtmlText;
    return shown;
}
