#include "compose/sentrecord.h"

#include "mime/htmlmailmarker.h"
#include "text/text.h"

MailRecord SentRecord(const QString& subject, const QString& dateText, const QString& toText,
                      const QString& body) {
    MailRecord r;
    r.subject = TrimSpaces(subject);
    r.date = dateText;
    r.kind = IsHtmlMail(body) ? MailRecord::kHtmlKind : MailRecord::kTextKind;
    r.party = TrimSpaces(toText);
    r.body = TrimSpaces(body);
    r.live = 1;
    return r;
}
