#pragma once

#include <QList>
#include <QStringList>
#include <functional>
#include <optional>

#include "settings/accountprofile.h"
#include "text/result.h"

// Every account, up to kMost. The first lives where it always has
// (orvex.ini, iniIdPass.ini, oauth2-signin), so that older copies keep
// reading it; the further ones live in one file of their own beside
// iniIdPass.ini ("accounts", UTF-8 text, readable by the user only), each
// under a key of 8 hex digits that is never used again once removed, with a
// sign-in file of its own ("oauth2-signin-<key>"). No value may hold a line
// break: none of the files could keep it.
class Accounts {
  public:
    static constexpr int kMost = 8;
    static inline const QString kFileName = QStringLiteral("accounts");

    // `serverSettingsFile` is orvex.ini, `accountFile` iniIdPass.ini.
    // `random` gives the new accounts' keys.
    Accounts(QString serverSettingsFile, QString accountFile, std::function<quint32()> random = systemRandom);

    struct Loaded {
        QList<AccountProfile> accounts; // the first, then the further ones in their order
        // The further accounts' file is damaged or not ours: it reads as no
        // further accounts, and is left as it is.
        std::optional<Error> unreadable;
    };
    Loaded load() const;

    // A further account: it gets its key and sign-in file here.
    Result<AccountProfile> add(AccountProfile profile) const;
    // The account under `profile.key`, the first one included.
    Status edit(const AccountProfile& profile) const;
    // A further account and its sign-in go; the mail it brought stays.
    Status remove(const QString& key) const;
    // The further accounts in the order of `furtherKeys`, which names each
    // of them once; the first stays first.
    Status reorder(const QStringList& furtherKeys) const;

    QString furtherAccountsFile() const;

  private:
    static quint32 systemRandom();

    struct Further;
    Result<Further> readFurther() const;
    Status writeFurther(const Further& further) const;
    QString signInFileOf(const QString& key) const;
    QString newKey(const Further& further) const;

    QString serverSettingsFile_;
    QString accountFile_;
    std::function<quint32()> random_;
};
