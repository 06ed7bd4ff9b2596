#include "history/replydraft.h"

#include "store/mailrecord.h"
#include "text/text.h"

ReplyDraft ReplyDraft::answering(const MailDetails& shown) {
    ReplyDraft draft;
    draft.subject = QStringLiteral("Re:  ") + TrimSpaces(shown.subject);
    draft.to = TrimSpaces(shown.party);
    if (shown.kind != MailRecord::kHtmlKind)
        draft.body = TrimSpaces(shown.text);
    return draft;
}
