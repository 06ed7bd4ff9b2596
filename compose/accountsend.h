#pragma once

#include <functional>
#include <memory>

#include "compose/mailsend.h"
#include "settings/accountsthisrun.h"

// A send as one of the accounts, the one chosen in the window: the account
// is read when the send runs (its passwords may wait on the keyring), then
// the mail goes out through the account's SMTP server with its login, its
// address the sender. An account removed meanwhile sends nothing.
class AccountSend {
  public:
    // The way out for an account: its login or sign-in, the certificates
    // the user trusts.
    using SenderFor = std::function<std::shared_ptr<const MailSender>(const AccountProfile&)>;

    AccountSend(AppPaths paths, AccountsThisRun accounts, QString key, SenderFor senderFor);

    // `request` as typed; its server and sender are the account's.
    SendReport run(SendRequest request) const;

  private:
    AppPaths paths_;
    AccountsThisRun accounts_;
    QString key_;
    SenderFor senderFor_;
};
