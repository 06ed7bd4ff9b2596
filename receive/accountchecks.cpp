#include "receive/accountchecks.h"

#include <atomic>
#include <optional>

#include "text/backgroundtask.h"

namespace AccountChecks {

MailCheck::Outcome run(const Accounts::Loaded& loaded, const CheckOne& check) {
    const QList<AccountProfile>& accounts = loaded.accounts;
    QList<MailCheck::Outcome> outcomes(accounts.size());
    std::atomic<int> next = 0;
    const auto checkOne = [&](const AccountProfile& account) {
        if (!loaded.keyring || !loaded.withoutPasswords.contains(account.key))
            return check(account);
        MailCheck::Outcome unread;
        unread.waiting = -1;
        unread.errors.append(*loaded.keyring);
        return unread;
    };
    // Each side takes the next account not yet taken; outcomes[i] is written
    // by one side only, and read after both have joined.
    const auto checkInTurn = [&] {
        for (int i = next++; i < accounts.size(); i = next++)
            outcomes[i] = checkOne(accounts[i]);
    };
    std::optional<BackgroundTask::Beside> beside;
    if (accounts.size() > 1)
        beside.emplace(BackgroundTask::beside(checkInTurn));
    checkInTurn();
    if (beside)
        beside->join();
    MailCheck::Outcome all = combined(accounts, outcomes);
    if (loaded.unreadable)
        all.errors.append(*loaded.unreadable);
    return all;
}

MailCheck::Outcome combined(const QList<AccountProfile>& accounts,
                            const QList<MailCheck::Outcome>& outcomes) {
    using K = Error::Kind;
    MailCheck::Outcome all;
    all.waiting = -1;
    const bool several = accounts.size() > 1;
    for (int i = 0; i < outcomes.size() && i < accounts.size(); ++i) {
        const MailCheck::Outcome& one = outcomes[i];
        if (one.waiting >= 0)
            all.waiting = std::max(all.waiting, 0) + one.waiting;
        all.stored += one.stored;
        all.storedBefore += one.storedBefore;
        all.fetchedBefore += one.fetchedBefore;
        all.deleted += one.deleted;
        const QString name = accounts[i].shownName();
        if (accounts[i].isFirst())
            all.needs = one.needs;
        else if (one.needs != MailCheck::Needs::Nothing)
            // A further account is set up in its own entry: the user is told which.
            all.errors.append({.kind = K::AccountIncomplete, .name = name});
        for (const Error& e : one.errors)
            all.errors.append(several ? Error{.kind = K::InAccount, .name = name}.because(e) : e);
    }
    return all;
}

} // namespace AccountChecks
