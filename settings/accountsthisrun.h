#pragma once

#include <QList>

#include "settings/accounts.h"
#include "settings/appsettings.h"
#include "store/apppaths.h"

// The accounts as this run's checks and sends use them: the first as this
// run has it (see FirstAccountProfile) with its name in the list and, once
// moved there, its password from the keyring; then the further ones. Taken
// on the window thread, read where a keyring that hangs may be waited for.
class AccountsThisRun {
  public:
    AccountsThisRun(const AppPaths& paths, const AppSettings& settings, Accounts accounts);

    // Every account, its passwords as far as the keyring gave them (the
    // first's password typed in this run needs none).
    Accounts::Loaded load() const;
    // Every account for a list to choose from: the keyring is not asked.
    QList<AccountProfile> listed() const;
    // The account under `key`: NoSuchAccount once it is gone, the keyring's
    // failure when its passwords are there and could not be read.
    Result<AccountProfile> find(const QString& key) const;
    const Accounts& accounts() const { return accounts_; }

  private:
    Accounts::Loaded merged(Accounts::Loaded loaded) const;

    AccountProfile first_;
    Accounts accounts_;
};
