#pragma once

#include <QString>

#include "history/maildetails.h"

// What "返事を書く" puts into the reply window: "Re:" and two spaces before
// the trimmed subject, the party as recipient, and the shown text unquoted
// as body (none for a received HTML mail).
struct ReplyDraft {
    QString subject;
    QString to;
    QString body;
    // What the window warns of the answered mail's sender, worded; empty when nothing.
    QString warning;
    // The key of the account the answered mail came to; empty for the first.
    QString account;

    static ReplyDraft answering(const MailDetails& shown);

    friend bool operator==(const ReplyDraft&, const ReplyDraft&) = default;
};
