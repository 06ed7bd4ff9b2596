#include "settings/accountsthisrun.h"

#include "settings/firstaccount.h"

AccountsThisRun::AccountsThisRun(const AppPaths& paths, const AppSettings& settings, Accounts accounts)
    : first_(FirstAccountProfile(paths, settings)), accounts_(std::move(accounts)) {}

Accounts::Loaded AccountsThisRun::merged(Accounts::Loaded loaded) const {
    AccountProfile first = first_;
    if (!loaded.accounts.isEmpty()) {
        first.displayName = loaded.accounts[0].displayName;
        if (first.password.isEmpty())
            first.password = loaded.accounts[0].password;
    }
    if (!first.password.isEmpty())
        loaded.withoutPasswords.removeAll(first.key);
    loaded.accounts = QList<AccountProfile>{first} + loaded.accounts.mid(1);
    return loaded;
}

Accounts::Loaded AccountsThisRun::load() const {
    return merged(accounts_.load());
}

QList<AccountProfile> AccountsThisRun::listed() const {
    return merged(accounts_.load(Accounts::Secrets::Left)).accounts;
}

Result<AccountProfile> AccountsThisRun::find(const QString& key) const {
    using R = Result<AccountProfile>;
    const Accounts::Loaded loaded = load();
    for (const AccountProfile& account : loaded.accounts) {
        if (account.key != key)
            continue;
        if (loaded.keyring && loaded.withoutPasswords.contains(key))
            return R::failure(*loaded.keyring);
        return account;
    }
    return R::failure({.kind = Error::Kind::NoSuchAccount, .name = key});
}
