#include "search/mailaccounts.h"

#include "search/mailfacts.h"

namespace MailAccounts {

Result<QString> accountOf(const QString& recordFile, int row) {
    using R = Result<QString>;
    Result<MailFacts> facts = MailFacts::open(recordFile);
    if (!facts)
        return R::failure(facts.error());
    const Result<QByteArray> key = MailFacts(std::move(facts).value()).value(row, kFact);
    if (!key)
        return R::failure(key.error());
    return QString::fromUtf8(*key);
}

Result<QList<int>> narrow(const QString& recordFile, const QList<int>& rows, const Narrowing& account) {
    using R = Result<QList<int>>;
    Result<MailFacts> facts = MailFacts::open(recordFile);
    if (!facts)
        return R::failure(facts.error());
    const Result<QHash<int, QByteArray>> accounts = MailFacts(std::move(facts).value()).values(kFact);
    if (!accounts)
        return R::failure(accounts.error());
    const QByteArray key = account.key.toUtf8();
    QList<int> kept;
    for (int row : rows) {
        const auto it = accounts->constFind(row);
        if (it == accounts->cend() ? account.isFirst : *it == key)
            kept << row;
    }
    return kept;
}

} // namespace MailAccounts
