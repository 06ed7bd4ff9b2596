#include "settings/accountsthisrun.h"

#include "settings/firstaccount.h"

AccountsThisRun::AccountsThisRun(const AppPaths& paths, const AppSettings& settings, Accounts accounts)
    : first_(FirstAccountProfile(paths, settings)), accounts_(std::move(accounts)) {}

QList<AccountProfile> AccountsThisRun::merged(const Accounts::Loaded& loaded) const {
    AccountProfile first = first_;
    if (!loaded.accounts.isEmpty()) {
        first.displayName = loaded.accounts[0].displayName;
        if (first.password.isEmpty())
            first.password = loaded.accounts[0].password;
    }
    return QList<AccountProfile>{first} + loaded.accounts.mid(1);
}

QList<AccountProfile> AccountsThisRun::load() const {
    return merged(accounts_.load());
}

QList<AccountProfile> AccountsThisRun::listed() const {
    return merged(accounts_.load(Accounts::Secrets::Left));
}

Result<AccountProfile> AccountsThisRun::find(const QString& key) const {
    using R = Result<AccountProfile>;
    const Accounts::Loaded loaded = accounts_.load();
    for (const AccountProfile& account : merged(loaded)) {
        if (account.key != key)
            continue;
        if (loaded.keyring && loaded.withoutPasswords.contains(key) && account.password.isEmpty())
            return R::failure(*loaded.keyring);
        return account;
    }
    return R::failure({.kind = Error::Kind::NoSuchAccount, .name = key});
}
