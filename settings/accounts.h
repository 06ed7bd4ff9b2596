#pragma once

#include <QList>
#include <QStringList>
#include <functional>
#include <optional>

#include "settings/accountfile.h"
#include "settings/accountprofile.h"
#include "settings/secretstore.h"
#include "settings/tokenstore.h"
#include "text/result.h"

// Every account, up to kMost. The first lives where it always has
// (orvex.ini, iniIdPass.ini, oauth2-signin), so that older copies keep
// reading it; the further ones live in one file of their own beside
// iniIdPass.ini ("accounts", UTF-8 text, readable by the user only), each
// under a key of 8 hex digits that is never used again once removed, with a
// sign-in file of its own ("oauth2-signin-<key>"). No value may hold a line
// break: none of the files could keep it.
//
// Where the desktop's keyring runs, a further account's passwords go there
// whenever it is added or changed, and its entry says so instead of holding
// them; the first account's "NAME2" moves there only when asked.
class Accounts {
  public:
    static constexpr int kMost = 8;
    static inline const QString kFileName = QStringLiteral("accounts");

    // `serverSettingsFile` is orvex.ini, `accountFile` iniIdPass.ini.
    // `secrets`: the desktop's keyring, if any. `random` gives the new
    // accounts' keys.
    Accounts(QString serverSettingsFile, QString accountFile, const SecretStore* secrets = nullptr,
             std::function<quint32()> random = systemRandom);

    struct Loaded {
        QList<AccountProfile> accounts; // the first, then the further ones in their order
        // The further accounts' file is damaged or not ours: it reads as no
        // further accounts, and is left as it is.
        std::optional<Error> unreadable;
        // Why the keyring did not give an account's passwords (the first
        // failure: no more are asked for), and the accounts whose passwords
        // are therefore empty.
        std::optional<Error> keyring;
        QStringList withoutPasswords;
    };
    // What the keyring is asked for: `Left`, nothing (names, addresses and
    // servers only, for a list; no passwords, and no sign-in known).
    enum class Secrets { Read, Left };
    Loaded load(Secrets secrets = Secrets::Read) const;

    // A further account: it gets its key and sign-in file here.
    Result<AccountProfile> add(AccountProfile profile) const;
    // The account under `profile.key`, the first one included.
    Status edit(const AccountProfile& profile) const;
    // A further account, its sign-in and its trusted authserv-id go; the
    // mail it brought stays.
    Status remove(const QString& key) const;
    // The further accounts in the order of `furtherKeys`, which names each
    // of them once; the first stays first.
    Status reorder(const QStringList& furtherKeys) const;
    // The account window's OK on the first account (see AccountFile::confirm),
    // its password going to the keyring once it was moved there.
    Status confirmFirst(const Account& login, bool save) const;
    // The first account's name in the list (its other values live in
    // orvex.ini and the account window's keys).
    Status nameFirst(const QString& displayName) const;
    // The first account's password leaves "NAME2" for the keyring. Older
    // copies of the program then read no password for it, and ask for one.
    Status moveFirstPasswordToKeyring() const;
    bool firstPasswordInKeyring() const { return !firstKeyringHolder().isEmpty(); }

    QString furtherAccountsFile() const;
    const QString& serverSettingsFile() const { return serverSettingsFile_; }
    const QString& firstAccountFile() const { return accountFile_; }
    // Where the account's sign-in is kept: a further account's refresh
    // token goes to the keyring where one runs.
    TokenStore signInOf(const AccountProfile& account) const;
    TokenStore signInOf(const QString& key) const;

  private:
    static quint32 systemRandom();

    struct Further;
    Result<Further> readFurther() const;
    Status writeFurther(const Further& further) const;
    QString signInFileOf(const QString& key) const;
    QString newKey(const Further& further) const;
    bool keyringRuns() const;
    QString firstKeyringHolder() const;
    Status keepSecrets(const QString& holder, const AccountProfile& profile) const;
    std::optional<Error> fillSecrets(const QString& holder, AccountProfile& profile) const;
    Status dropSecrets(const QString& holder) const;

    QString serverSettingsFile_;
    QString accountFile_;
    const SecretStore* secrets_;
    std::function<quint32()> random_;
};
