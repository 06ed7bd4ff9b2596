#pragma once

#include <QString>
#include <optional>

#include "text/result.h"

struct Account {
    QString id;
    QString password;
    // Signed in through the provider (TokenStore): tokens stand in for the password.
    bool signedIn = false;

    friend bool operator==(const Account&, const Account&) = default;
};

// The POP3 account in iniIdPass.ini, section "EXEINI": "NAME" the ID,
// "NAME2" the password in plain text (the format requires it, so the file is
// kept readable by its owner only), "NAME3" whether it was saved.
class AccountFile {
  public:
    explicit AccountFile(QString path);

    Account load() const;
    // The sign-in beside the account file.
    QString tokenStoreFile() const;
    // The account a mail check uses: the file's, unless the account window
    // confirmed one that it could not write (`unsaved`); that one then holds
    // for the rest of the run, since the file does not have it.
    Account loadForCheck(const std::optional<Account>& unsaved) const;
    // The account window's OK: with the save box ticked the ID and password
    // are stored and "NAME3" becomes "1"; without it only "NAME3" = "0".
    Status confirm(const Account& account, bool save) const;
    // After a sign-in through the provider: the ID becomes the name signed
    // in with; the password stays as it is, for a return to it.
    Status setId(const QString& id) const;

  private:
    QString path_;
};
