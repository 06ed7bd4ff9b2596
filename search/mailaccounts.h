#pragma once

#include <QList>
#include <QString>

#include "text/result.h"

// Which account each received mail came to: the fact "account" beside its
// record, the account's key. A mail without it came before there were
// several accounts, or from a file: it counts as the first account's.
namespace MailAccounts {

inline const QString kFact = QStringLiteral("account");

// An account to narrow a history to.
struct Narrowing {
    QString key;
    bool isFirst = false; // the first account's mail includes those without the fact

    friend bool operator==(const Narrowing&, const Narrowing&) = default;
};

// The key of the account the mail in `row` came to; empty when it has no
// such fact (the first account's).
Result<QString> accountOf(const QString& recordFile, int row);

// Of `rows` of the record file, those that came to the account.
Result<QList<int>> narrow(const QString& recordFile, const QList<int>& rows, const Narrowing& account);

} // namespace MailAccounts
