#pragma once

#include <QList>
#include <functional>

#include "receive/mailcheck.h"
#include "settings/accounts.h"

// 「受信」 over every account into the one received history: at most
// kAtOnce accounts are checked side by side (two slow servers overlap),
// the others in their order as those finish. Each account's mail is stored
// in the order its server hands it over; an account that fails never stops
// the others. The outcome adds the accounts' up: what the first account
// needs before it can be checked, and the errors of all of them, each
// naming its account once there is more than one.
namespace AccountChecks {

constexpr int kAtOnce = 2;

using CheckOne = std::function<MailCheck::Outcome(const AccountProfile&)>;

// An account whose passwords the keyring did not give is not checked (a
// login without them would only be refused): the keyring's failure is its
// outcome. A further accounts' file that could not be read is said at the end.
MailCheck::Outcome run(const Accounts::Loaded& loaded, const CheckOne& check);

// The outcomes of `accounts` (in their order) as one.
MailCheck::Outcome combined(const QList<AccountProfile>& accounts, const QList<MailCheck::Outcome>& outcomes);

} // namespace AccountChecks
